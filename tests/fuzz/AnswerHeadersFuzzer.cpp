// Feeds arbitrary text to the readers of an answer's headers: the lengths
// (Content-Length), the range of a resumed answer (Content-Range),
// Retry-After, Date and a redirect's Location. The first byte picks the
// reader by its value modulo 5 (the seeds use 'A' Content-Length, 'B'
// Content-Range, 'C' Retry-After, 'D' Date, 'E' Location), the rest is the
// value (for Location: the address that answered, a zero, then the header;
// for Content-Length: the values, zeros between).
// Each reader is held to a reading of its own written here from the header's
// grammar with no arithmetic that can overflow, and to what the download
// relies on: a length or a range that round-trips through its decimal text,
// a date that names the same second whichever way it is written, a resolved
// address that is absolute, holds nothing its inputs did not, stays on the
// same server for a relative reference and resolves to itself.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/AsciiText.h"
#include "platform/DecimalText.h"
#include "tasks/DateText.h"
#include "tasks/LengthAndRange.h"
#include "tasks/Manifest.h"
#include "tasks/RetryPolicy.h"
#include "tasks/WebAddress.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

using fuzz::AllDigits;
using fuzz::AtMost;
using fuzz::WithoutLeadingZeros;

const std::wstring kMaxLength = L"9223372036854775807";  // 2^63 - 1
const std::wstring kMax64 = L"18446744073709551615";     // 2^64 - 1

std::wstring TrimmedOf(const std::wstring& text, const wchar_t* blanks)
{
    const size_t begin = text.find_first_not_of(blanks);
    if (begin == std::wstring::npos)
        return std::wstring();
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

// Content-Length: every item of every value (comma lists), blanks and tabs
// around it, is digits at most 2^63 - 1; all items name one number.
void CheckContentLength(const std::vector<std::wstring>& values)
{
    download::LengthReading expected = download::LengthReading::Missing;
    std::wstring number;
    bool differ = false;
    for (const std::wstring& value : values) {
        size_t start = 0;
        for (;;) {
            const size_t comma = value.find(L',', start);
            const std::wstring item =
                TrimmedOf(value.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start), L" \t");
            if (!AllDigits(item) || !AtMost(WithoutLeadingZeros(item), kMaxLength)) {
                expected = download::LengthReading::NotANumber;
            } else if (expected != download::LengthReading::NotANumber) {
                if (!number.empty() && number != WithoutLeadingZeros(item))
                    differ = true;
                number = WithoutLeadingZeros(item);
                expected = download::LengthReading::Valid;
            }
            if (comma == std::wstring::npos)
                break;
            start = comma + 1;
        }
    }
    if (expected == download::LengthReading::Valid && differ)
        expected = download::LengthReading::Conflicting;

    uint64_t length = 0;
    const download::LengthReading reading = download::ReadContentLength(values, length);
    REQUIRE(reading == expected);
    if (reading == download::LengthReading::Valid) {
        REQUIRE(length <= download::kMaxContentLength);
        REQUIRE(DecimalText(length) == number);
        // The length as the log and the record write it reads back.
        uint64_t again = 0;
        REQUIRE(download::ReadContentLength({DecimalText(length)}, again) == download::LengthReading::Valid &&
                again == length);
    }
    // The headers' order says nothing.
    std::vector<std::wstring> reversed(values.rbegin(), values.rend());
    uint64_t other = 0;
    REQUIRE(download::ReadContentLength(reversed, other) == reading);
    REQUIRE(reading != download::LengthReading::Valid || other == length);
}

// Content-Range: "bytes first-last/total" (the unit in any case, blanks
// after it, the whole trimmed), each number within 64 bits, first <= last.
void CheckContentRange(const std::wstring& value)
{
    const std::wstring text = TrimmedOf(value, L" \t\r\n");
    std::wstring numbers[3];
    bool form = text.size() > 6;
    if (form) {
        std::wstring unit = text.substr(0, 6);
        std::transform(unit.begin(), unit.end(), unit.begin(),
                       [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; });
        form = unit == L"bytes ";
    }
    if (form) {
        const std::wstring rest = text.substr(text.find_first_not_of(L' ', 6) == std::wstring::npos
                                                  ? text.size()
                                                  : text.find_first_not_of(L' ', 6));
        const size_t dash = rest.find(L'-');
        const size_t slash = rest.find(L'/');
        form = dash != std::wstring::npos && slash != std::wstring::npos && dash < slash;
        if (form) {
            numbers[0] = rest.substr(0, dash);
            numbers[1] = rest.substr(dash + 1, slash - dash - 1);
            numbers[2] = rest.substr(slash + 1);
            for (std::wstring& n : numbers) {
                form = form && AllDigits(n) && AtMost(WithoutLeadingZeros(n), kMax64);
                if (form)
                    n = WithoutLeadingZeros(n);
            }
        }
    }
    form = form && AtMost(numbers[0], numbers[1]);

    uint64_t first = 0, last = 0, total = 0;
    const bool parsed = download::ParseContentRange(value, first, last, total);
    REQUIRE(parsed == form);
    if (!parsed) {
        REQUIRE(!download::RangeContinuesFile(value, 0, 0));
        return;
    }
    REQUIRE(DecimalText(first) == numbers[0] && DecimalText(last) == numbers[1] && DecimalText(total) == numbers[2]);
    // Only the bytes from where the file stops, of the same file, ending in it.
    REQUIRE(download::RangeContinuesFile(value, first, total) == (last < total));
    REQUIRE(!download::RangeContinuesFile(value, first + 1, total));
    REQUIRE(!download::RangeContinuesFile(value, first - 1, total));
    REQUIRE(!download::RangeContinuesFile(value, first, total + 1));
    REQUIRE(!download::RangeContinuesFile(value, first, total - 1));
}

// Retry-After: delta-seconds (trimmed) within 64 bits, cut to a minute.
void CheckRetryAfter(const std::wstring& value)
{
    const std::wstring text = TrimmedOf(value, L" \t\r\n");
    const bool number = AllDigits(text) && AtMost(WithoutLeadingZeros(text), kMax64);
    uint32_t ms = 0;
    const bool parsed = download::ParseRetryAfter(value, ms);
    REQUIRE(parsed == number);
    if (!parsed)
        return;
    const std::wstring seconds = WithoutLeadingZeros(text);
    const bool underAMinute = seconds.size() < 2 || (seconds.size() == 2 && seconds < L"60");
    REQUIRE(ms <= download::kRetryAfterCapMs);
    REQUIRE(underAMinute ? DecimalText(ms) == (seconds == L"0" ? L"0" : seconds + L"000")
                         : ms == download::kRetryAfterCapMs);
}

// Date: "Www, DD Mon YYYY HH:MM:SS GMT" in ASCII (the weekday is not
// read), a day that exists, from 1970 on.
bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

void CheckDate(const std::wstring& value)
{
    static const wchar_t* const kMonths[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                             L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool valid = value.size() == 29 && value.compare(3, 2, L", ") == 0 && value[7] == L' ' && value[11] == L' ' &&
                 value[16] == L' ' && value[19] == L':' && value[22] == L':' && value.compare(25, 4, L" GMT") == 0;
    for (wchar_t c : value)
        valid = valid && c <= 0x7E;
    int month = 0;
    std::wstring day, year, hour, minute, second;
    if (valid) {
        for (int m = 0; m < 12; ++m) {
            if (value.compare(8, 3, kMonths[m]) == 0)
                month = m + 1;
        }
        day = value.substr(5, 2);
        year = value.substr(12, 4);
        hour = value.substr(17, 2);
        minute = value.substr(20, 2);
        second = value.substr(23, 2);
        valid = month != 0 && AllDigits(day) && AllDigits(year) && AllDigits(hour) && AllDigits(minute) &&
                AllDigits(second) && year >= L"1970" && hour <= L"23" && minute <= L"59" && second <= L"59";
    }
    if (valid) {
        const int y = std::stoi(year);
        const int d = std::stoi(day);
        valid = d >= 1 && d <= (month == 2 && IsLeapYear(y) ? 29 : kDays[month - 1]);
    }

    int64_t seconds = -1;
    const bool parsed = ParseHttpDate(value, seconds);
    REQUIRE(parsed == valid);
    if (!parsed)
        return;
    REQUIRE(seconds >= 0 && seconds < 253402300800);  // before the year 10000
    const std::wstring mm = std::wstring(month < 10 ? L"0" : L"") + DecimalText(month);
    // The calendar of the log's times agrees with the date's.
    REQUIRE(download::UtcText(seconds) ==
            year + L"-" + mm + L"-" + day + L" " + hour + L":" + minute + L":" + second + L" UTC");
    // The manifest's expiry names the same second.
    int64_t expiry = 0;
    const std::wstring iso = year + L"-" + mm + L"-" + day + L"T" + hour + L":" + minute + L":" + second + L"Z";
    REQUIRE(ParseUtcTime(std::string(iso.begin(), iso.end()), expiry) && expiry == seconds);
}

// "scheme://authority" of an address the resolver made.
std::wstring OriginOf(const std::wstring& address)
{
    const size_t authority = address.find(L"://") + 3;
    return address.substr(0, address.find_first_of(L"/?", authority));
}

void CheckLoggedAddress(const std::wstring& address)
{
    const std::wstring logged = download::LoggedAddress(address);
    // No query and no fragment: signed addresses carry their tokens there.
    REQUIRE(logged.find_first_of(L"?#") == std::wstring::npos);
    REQUIRE(logged.size() <= address.size() + 3);
}

// Location: resolved against the address that answered.
void CheckLocation(const std::wstring& base, const std::wstring& location)
{
    CheckLoggedAddress(base);
    CheckLoggedAddress(location);
    const std::wstring next = download::ResolveLocation(base, location);
    if (next.empty())
        return;
    const bool https = next.compare(0, 8, L"https://") == 0;
    REQUIRE(https || next.compare(0, 7, L"http://") == 0);
    REQUIRE(download::IsHttps(next) == https);
    REQUIRE(OriginOf(next).size() > (https ? 8u : 7u));  // a host
    REQUIRE(next.find(L'#') == std::wstring::npos);
    REQUIRE(next.size() <= base.size() + location.size() + 3);
    // No control character that neither input held: one would go out in
    // the request line.
    REQUIRE(!HasControlCharacter(next) || HasControlCharacter(base) ||
            HasControlCharacter(location));
    const size_t pathStart = OriginOf(next).size();
    const std::wstring path = next.substr(pathStart, next.find(L'?', pathStart) - pathStart);
    REQUIRE(!path.empty() && path[0] == L'/');
    // A reference that gives a path (not only a query or nothing, which
    // keep the base's path as it was asked) leaves no "." or ".." segment,
    // and the result is an address of its own: it resolves to itself
    // against any base. (Only for one the download would request: no
    // control character, no blank at its end, which a Location loses.)
    const std::wstring reference = TrimmedOf(location.substr(0, location.find(L'#')), L" \t\r\n");
    const bool ownPath = !reference.empty() && reference[0] != L'?';
    for (size_t at = 0; ownPath && at != std::wstring::npos;) {
        const size_t slash = path.find(L'/', at + 1);
        const std::wstring segment = path.substr(at + 1, slash == std::wstring::npos ? std::wstring::npos : slash - at - 1);
        REQUIRE(segment != L"." && segment != L"..");
        at = slash;
    }
    if (ownPath && !HasControlCharacter(next) && next.back() != L' ' && next.back() != L'\t') {
        REQUIRE(download::ResolveLocation(next, next) == next);
        REQUIRE(download::ResolveLocation(L"http://other.example/a/b", next) == next);
    }
    REQUIRE(download::ResolveLocation(next, L"") == next);
    // The log form has no user name or password.
    const std::wstring logged = download::LoggedAddress(next);
    REQUIRE(OriginOf(logged).find(L'@') == std::wstring::npos);
    CheckLoggedAddress(next);
    // A reference without a scheme or a server of its own stays on the
    // server that answered.
    if (reference.find(L':') == std::wstring::npos && reference.compare(0, 2, L"//") != 0)
        REQUIRE(OriginOf(next) == OriginOf(download::ResolveLocation(base, L"")));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::wstring text = fuzz::WideText(data + 1, size - 1);
    switch (data[0] % 5) {
    case 0: {
        std::vector<std::wstring> values = fuzz::Parts(text);
        if (text.empty())
            values.clear();
        CheckContentLength(values);
        break;
    }
    case 1:
        CheckContentRange(text);
        break;
    case 2:
        CheckRetryAfter(text);
        break;
    case 3:
        CheckDate(text);
        break;
    default: {
        const std::vector<std::wstring> parts = fuzz::Parts(text);
        CheckLocation(parts[0], parts.size() > 1 ? parts[1] : std::wstring());
        break;
    }
    }
    return 0;
}
