#include "tasks/DownloadRules.h"

#include "platform/DecimalText.h"

namespace download {

namespace {

bool IsAsciiDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

wchar_t Lower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

std::wstring Trimmed(const std::wstring& text)
{
    const size_t begin = text.find_first_not_of(L" \t\r\n");
    if (begin == std::wstring::npos)
        return std::wstring();
    const size_t end = text.find_last_not_of(L" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

// Reads a decimal number at text[pos...]; false without a digit or on
// overflow of 64 bits.
bool ReadNumber(const std::wstring& text, size_t& pos, uint64_t& value)
{
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && IsAsciiDigit(text[pos])) {
        const uint64_t digit = static_cast<uint64_t>(text[pos] - L'0');
        if (value > (UINT64_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
        ++pos;
    }
    return pos > start;
}

// The parts of an absolute address: scheme ("http"), authority
// ("host:port"), path ("/a/b"), query (with its "?", or empty).
struct UrlParts {
    std::wstring scheme;
    std::wstring authority;
    std::wstring path;
    std::wstring query;
};

// The scheme of a reference, lower-cased, or empty when it has none.
std::wstring SchemeOf(const std::wstring& reference)
{
    for (size_t i = 0; i < reference.size(); ++i) {
        const wchar_t c = reference[i];
        if (c == L':')
            return i == 0 ? std::wstring() : reference.substr(0, i);
        const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
        if (!(letter || (i > 0 && (IsAsciiDigit(c) || c == L'+' || c == L'-' || c == L'.'))))
            return std::wstring();
    }
    return std::wstring();
}

std::wstring Lowered(std::wstring text)
{
    for (wchar_t& c : text)
        c = Lower(c);
    return text;
}

// Splits "//authority/path?query" (the part after "scheme:").
void SplitHierarchy(const std::wstring& rest, UrlParts& parts)
{
    size_t pos = 0;
    if (rest.compare(0, 2, L"//") == 0) {
        const size_t end = rest.find_first_of(L"/?", 2);
        parts.authority = rest.substr(2, end == std::wstring::npos ? std::wstring::npos : end - 2);
        pos = end == std::wstring::npos ? rest.size() : end;
    }
    const size_t question = rest.find(L'?', pos);
    parts.path = rest.substr(pos, question == std::wstring::npos ? std::wstring::npos : question - pos);
    parts.query = question == std::wstring::npos ? std::wstring() : rest.substr(question);
}

bool SplitAbsolute(const std::wstring& url, UrlParts& parts)
{
    const std::wstring scheme = SchemeOf(url);
    if (scheme.empty())
        return false;
    parts.scheme = Lowered(scheme);
    SplitHierarchy(url.substr(scheme.size() + 1), parts);
    return true;
}

// Removes "." and ".." segments from a path.
std::wstring RemoveDotSegments(const std::wstring& path)
{
    std::wstring input = path;
    std::wstring output;
    while (!input.empty()) {
        if (input.compare(0, 3, L"../") == 0) {
            input.erase(0, 3);
        } else if (input.compare(0, 2, L"./") == 0) {
            input.erase(0, 2);
        } else if (input.compare(0, 3, L"/./") == 0) {
            input.erase(0, 2);
        } else if (input == L"/.") {
            input = L"/";
        } else if (input.compare(0, 4, L"/../") == 0 || input == L"/..") {
            input = input.size() == 3 ? std::wstring(L"/") : input.substr(3);
            const size_t slash = output.rfind(L'/');
            output.erase(slash == std::wstring::npos ? 0 : slash);
        } else if (input == L"." || input == L"..") {
            input.clear();
        } else {
            const size_t next = input.find(L'/', input[0] == L'/' ? 1 : 0);
            output += input.substr(0, next);
            input.erase(0, next == std::wstring::npos ? input.size() : next);
        }
    }
    return output;
}

std::wstring Joined(const UrlParts& parts)
{
    return parts.scheme + L"://" + parts.authority + (parts.path.empty() ? L"/" : parts.path) + parts.query;
}

}  // namespace

std::wstring LoggedAddress(const std::wstring& url)
{
    const std::wstring address = url.substr(0, url.find(L'#'));
    UrlParts parts;
    if (!SplitAbsolute(address, parts))
        return address.substr(0, address.find(L'?'));
    const size_t at = parts.authority.rfind(L'@');
    const std::wstring host = at == std::wstring::npos ? parts.authority : parts.authority.substr(at + 1);
    return parts.scheme + L"://" + host + parts.path;
}

bool IsTransientError(uint32_t code, bool serverAnswered)
{
    switch (code) {
    case 12007:  // ERROR_INTERNET_NAME_NOT_RESOLVED
    case 12163:  // ERROR_INTERNET_DISCONNECTED
        return serverAnswered;
    case 12057:  // ERROR_INTERNET_SEC_CERT_REV_FAILED
    case 12002:  // ERROR_INTERNET_TIMEOUT
    case 12029:  // ERROR_INTERNET_CANNOT_CONNECT
    case 12030:  // ERROR_INTERNET_CONNECTION_ABORTED
    case 12031:  // ERROR_INTERNET_CONNECTION_RESET
    case 10050:  // WSAENETDOWN
    case 10051:  // WSAENETUNREACH
    case 10052:  // WSAENETRESET
    case 10053:  // WSAECONNABORTED
    case 10054:  // WSAECONNRESET
    case 10060:  // WSAETIMEDOUT
    case 10061:  // WSAECONNREFUSED
    case 10064:  // WSAEHOSTDOWN
    case 10065:  // WSAEHOSTUNREACH
        return true;
    default:
        return false;
    }
}

bool IsTransientStatus(uint32_t status)
{
    return status == 408 || status == 429 || (status >= 500 && status <= 599);
}

bool IsRedirectStatus(uint32_t status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool ParseRetryAfter(const std::wstring& value, uint32_t& milliseconds)
{
    const std::wstring text = Trimmed(value);
    size_t pos = 0;
    uint64_t seconds = 0;
    if (!ReadNumber(text, pos, seconds) || pos != text.size())
        return false;
    milliseconds = seconds >= kRetryAfterCapMs / 1000 ? kRetryAfterCapMs : static_cast<uint32_t>(seconds * 1000);
    return true;
}

uint32_t PauseBeforeRetry(const Timings& timings, uint32_t k, bool hasRetryAfter, uint32_t retryAfterMs)
{
    if (hasRetryAfter)
        return retryAfterMs < kRetryAfterCapMs ? retryAfterMs : kRetryAfterCapMs;
    const uint32_t index = k == 0 ? 0 : (k > kMaxRetries ? kMaxRetries - 1 : k - 1);
    return timings.pausesMs[index];
}

LengthReading ReadContentLength(const std::vector<std::wstring>& values, uint64_t& length)
{
    bool found = false;
    bool differ = false;
    uint64_t first = 0;
    for (const std::wstring& value : values) {
        size_t start = 0;
        for (;;) {
            const size_t comma = value.find(L',', start);
            const std::wstring item =
                value.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
            const size_t begin = item.find_first_not_of(L" \t");
            const size_t end = item.find_last_not_of(L" \t");
            if (begin == std::wstring::npos)
                return LengthReading::NotANumber;
            const std::wstring digits = item.substr(begin, end - begin + 1);
            size_t pos = 0;
            uint64_t number = 0;
            if (!ReadNumber(digits, pos, number) || pos != digits.size() || number > kMaxContentLength)
                return LengthReading::NotANumber;
            if (found && number != first)
                differ = true;
            if (!found)
                first = number;
            found = true;
            if (comma == std::wstring::npos)
                break;
            start = comma + 1;
        }
    }
    if (!found)
        return LengthReading::Missing;
    if (differ)
        return LengthReading::Conflicting;
    length = first;
    return LengthReading::Valid;
}

bool HasControlCharacter(const std::wstring& text)
{
    for (wchar_t c : text) {
        if (c < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

std::wstring WithControlsEscaped(const std::wstring& text)
{
    const wchar_t hex[] = L"0123456789ABCDEF";
    std::wstring shown;
    for (wchar_t c : text) {
        if (c < 0x20 || c == 0x7F) {
            shown += L"\\x";
            shown += hex[(c >> 4) & 0xF];
            shown += hex[c & 0xF];
        } else {
            shown += c;
        }
    }
    return shown;
}

std::wstring ResolveLocation(const std::wstring& base, const std::wstring& location)
{
    // The base's fragment is no part of the address that answered (it is
    // never sent); left in, it would end up before a reference's query.
    UrlParts from;
    if (!SplitAbsolute(base.substr(0, base.find(L'#')), from))
        return std::wstring();
    std::wstring reference = Trimmed(location);
    const size_t hash = reference.find(L'#');
    if (hash != std::wstring::npos)
        reference.erase(hash);

    UrlParts to;
    if (!SchemeOf(reference).empty()) {
        SplitAbsolute(reference, to);
        to.path = RemoveDotSegments(to.path);
    } else {
        to.scheme = from.scheme;
        UrlParts relative;
        SplitHierarchy(reference, relative);
        if (reference.compare(0, 2, L"//") == 0) {
            to.authority = relative.authority;
            to.path = RemoveDotSegments(relative.path);
            to.query = relative.query;
        } else {
            to.authority = from.authority;
            if (relative.path.empty()) {
                to.path = from.path;
                to.query = relative.query.empty() ? from.query : relative.query;
            } else {
                if (relative.path[0] == L'/') {
                    to.path = RemoveDotSegments(relative.path);
                } else {
                    const size_t slash = from.path.rfind(L'/');
                    const std::wstring directory =
                        slash == std::wstring::npos ? std::wstring(L"/") : from.path.substr(0, slash + 1);
                    to.path = RemoveDotSegments(directory + relative.path);
                }
                to.query = relative.query;
            }
        }
    }
    if ((to.scheme != L"http" && to.scheme != L"https") || to.authority.empty())
        return std::wstring();
    return Joined(to);
}

bool IsHttps(const std::wstring& url)
{
    return Lowered(SchemeOf(url)) == L"https";
}

bool ParseContentRange(const std::wstring& value, uint64_t& first, uint64_t& last, uint64_t& total)
{
    const std::wstring text = Trimmed(value);
    if (text.size() < 6 || Lowered(text.substr(0, 6)) != L"bytes ")
        return false;
    size_t pos = text.find_first_not_of(L' ', 6);
    if (pos == std::wstring::npos || !ReadNumber(text, pos, first) || pos >= text.size() || text[pos] != L'-')
        return false;
    ++pos;
    if (!ReadNumber(text, pos, last) || pos >= text.size() || text[pos] != L'/')
        return false;
    ++pos;
    if (!ReadNumber(text, pos, total) || pos != text.size())
        return false;
    return first <= last;
}

bool RangeContinuesFile(const std::wstring& contentRange, uint64_t from, uint64_t announcedLength)
{
    uint64_t first = 0;
    uint64_t last = 0;
    uint64_t total = 0;
    if (!ParseContentRange(contentRange, first, last, total))
        return false;
    return first == from && total == announcedLength && last < total;
}

std::wstring RangeValidator(const std::wstring& etag, const std::wstring& lastModified)
{
    // The value goes back into a request header: one with a control
    // character could smuggle in a header of its own, and is not used.
    auto usable = [](const std::wstring& text) { return !text.empty() && !HasControlCharacter(text); };
    const std::wstring tag = Trimmed(etag);
    if (usable(tag) && tag.compare(0, 2, L"W/") != 0)
        return tag;
    const std::wstring date = Trimmed(lastModified);
    return usable(date) ? date : std::wstring();
}

bool IsRangeValidator(const std::wstring& validator)
{
    // Read as an answer's Last-Modified: RangeValidator gives it back
    // unchanged only when it is fit to go into If-Range.
    return !validator.empty() && RangeValidator(std::wstring(), validator) == validator;
}

std::wstring ResumeHeaders(uint64_t from, const std::wstring& validator)
{
    const std::wstring range = L"Range: bytes=" + DecimalText(from) + L"-\r\n";
    return validator.empty() ? range : range + L"If-Range: " + validator + L"\r\n";
}

bool IsHtmlType(const std::wstring& contentType)
{
    return Lowered(Trimmed(contentType.substr(0, contentType.find(L';')))) == L"text/html";
}

bool StartsLikeProgram(const uint8_t* bytes, size_t count)
{
    return count >= 2 && bytes[0] == 'M' && bytes[1] == 'Z';
}

std::wstring PrintableBytes(const uint8_t* bytes, size_t count)
{
    std::wstring text;
    for (size_t i = 0; i < count; ++i)
        text += (bytes[i] >= 0x20 && bytes[i] < 0x7F) ? static_cast<wchar_t>(bytes[i]) : L'.';
    return text;
}

bool ClockLooksWrong(int64_t localNow, int64_t buildTime, bool hasServerDate, int64_t clockAhead)
{
    constexpr int64_t kDay = 86400;
    return localNow < buildTime || (hasServerDate && clockAhead > kDay);
}

std::wstring UtcText(int64_t seconds)
{
    // Days since 1970 to a civil date (proleptic Gregorian calendar).
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    // "-MM-DD HH:MM:SS UTC" after the year, two digits each.
    wchar_t tail[] = L"-00-00 00:00:00 UTC";
    const int64_t twoDigits[] = {month, day, rest / 3600, rest / 60 % 60, rest % 60};
    for (int i = 0; i < 5; ++i) {
        tail[1 + 3 * i] = static_cast<wchar_t>(L'0' + twoDigits[i] / 10);
        tail[2 + 3 * i] = static_cast<wchar_t>(L'0' + twoDigits[i] % 10);
    }
    return DecimalText(year) + tail;
}

}  // namespace download

