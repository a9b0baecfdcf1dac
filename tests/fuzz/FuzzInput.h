#pragma once
// What the fuzz targets share: the check that stops a run, and the bytes
// libFuzzer gives turned into the program's wide text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

// A promise broken: the run stops here, naming the check, and libFuzzer
// keeps the input.
inline void Check(bool condition, const char* what, const char* file, int line)
{
    if (condition)
        return;
    std::fprintf(stderr, "broken at %s:%d: %s\n", file, line, what);
    std::abort();
}

#define REQUIRE(condition) ::fuzz::Check((condition), #condition, __FILE__, __LINE__)

// The bytes as UTF-16 units, as Windows hands text over: a UTF-8 sequence
// of up to four bytes becomes its units (surrogates included, paired or
// not), any other byte the unit of the same value. Every unit from 0x0000
// to 0xFFFF can be reached, and a dictionary of ASCII words still works.
inline std::wstring WideText(const uint8_t* data, size_t size)
{
    std::wstring text;
    size_t i = 0;
    while (i < size) {
        const uint8_t b = data[i];
        size_t extra = 0;
        uint32_t c = b;
        if (b >= 0xC0 && b < 0xE0) {
            extra = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b < 0xF0) {
            extra = 2;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b < 0xF5) {
            extra = 3;
            c = b & 0x07;
        }
        bool whole = extra > 0 && size - i > extra;
        for (size_t k = 1; whole && k <= extra; ++k) {
            whole = (data[i + k] & 0xC0) == 0x80;
            c = (c << 6) | (data[i + k] & 0x3F);
        }
        if (!whole) {
            text += static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (c >> 10));
            text += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        } else {
            text += static_cast<wchar_t>(c & 0xFFFF);
        }
        i += extra + 1;
    }
    return text;
}

// The text cut at every zero unit: a header's value or a command line
// never holds one, so it separates the parts of one input.
inline std::vector<std::wstring> Parts(const std::wstring& text)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        const size_t zero = text.find(L'\0', start);
        parts.push_back(text.substr(start, zero == std::wstring::npos ? std::wstring::npos : zero - start));
        if (zero == std::wstring::npos)
            return parts;
        start = zero + 1;
    }
}

// Whether the text holds only ASCII decimal digits, at least one.
inline bool AllDigits(const std::wstring& text)
{
    if (text.empty())
        return false;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
    }
    return true;
}

// Digits as the number's shortest text ("007" -> "7", "000" -> "0").
inline std::wstring WithoutLeadingZeros(const std::wstring& digits)
{
    const size_t first = digits.find_first_not_of(L'0');
    return first == std::wstring::npos ? std::wstring(L"0") : digits.substr(first);
}

// Whether a number's shortest text is at most limit's (both digits only,
// compared as numbers of any length, so that no arithmetic can overflow).
inline bool AtMost(const std::wstring& number, const std::wstring& limit)
{
    return number.size() < limit.size() || (number.size() == limit.size() && number <= limit);
}

}  // namespace fuzz
