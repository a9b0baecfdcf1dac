#include "tasks/LengthAndRange.h"

#include "platform/AsciiText.h"
#include "platform/DecimalText.h"

namespace download {

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
            uint64_t number = 0;
            if (!ParseNumber(digits, number, NumberForm{10, kMaxContentLength}))
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

bool ParseContentRange(const std::wstring& value, uint64_t& first, uint64_t& last, uint64_t& total)
{
    const std::wstring text = TrimmedBlanks(value);
    if (text.size() < 6 || AsciiLowered(text.substr(0, 6)) != L"bytes ")
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
    const std::wstring tag = TrimmedBlanks(etag);
    if (usable(tag) && tag.compare(0, 2, L"W/") != 0)
        return tag;
    const std::wstring date = TrimmedBlanks(lastModified);
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

}  // namespace download
