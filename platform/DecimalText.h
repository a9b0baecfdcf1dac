#pragma once
// Decimal numbers in the program's texts (error codes, byte counts,
// percentages), written and read. std::to_chars formats without the C
// library's printf family, which would otherwise be linked into the
// launcher for this alone.
#include <charconv>
#include <cstdint>
#include <string>

template <typename Integer>
std::wstring DecimalText(Integer value)
{
    char digits[24];
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
    return std::wstring(digits, result.ptr);
}

// Reads the decimal digits at text[pos...] and moves pos past them: no
// sign, no blanks, leading zeros allowed. False when there is no digit there
// or the value does not fit in 64 bits (pos is then somewhere inside the
// digits).
inline bool ReadDecimal(const std::wstring& text, size_t& pos, uint64_t& value)
{
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
        const uint64_t digit = static_cast<uint64_t>(text[pos] - L'0');
        if (value > (UINT64_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
        ++pos;
    }
    return pos > start;
}

// All of text as a decimal number: digits only (no sign, no blanks), at
// least one, the value within 64 bits. False otherwise.
inline bool ParseDecimal(const std::wstring& text, uint64_t& value)
{
    size_t pos = 0;
    return ReadDecimal(text, pos, value) && pos == text.size();
}
