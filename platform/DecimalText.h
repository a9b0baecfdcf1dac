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

// All of text as a decimal number: digits only (no sign, no blanks), at
// least one, the value within 64 bits. False otherwise.
inline bool ParseDecimal(const std::wstring& text, uint64_t& value)
{
    if (text.empty())
        return false;
    value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        const uint64_t digit = static_cast<uint64_t>(c - L'0');
        if (value > (UINT64_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    return true;
}
