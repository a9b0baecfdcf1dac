#pragma once
// Numbers in the program's texts (error codes, byte counts, percentages,
// header values, switches), written in decimal and read in decimal or
// hexadecimal, each one way. std::to_chars formats without the C library's
// printf family, which would otherwise be linked into the launcher for this
// alone.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>

template <typename Integer>
std::wstring DecimalText(Integer value)
{
    char digits[24];
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
    return std::wstring(digits, result.ptr);
}

// How a number is written in a text: its base (10, or 16 with the letters a
// to f in either case), the largest value taken, and the most digits
// (leading zeros count). No sign and no blanks in any form.
struct NumberForm {
    uint32_t base = 10;
    uint64_t max = UINT64_MAX;
    size_t maxDigits = SIZE_MAX;
};

// Reads the digits at text[pos...], at most form.maxDigits of them, and
// moves pos past them. False when there is no digit there or the value is
// above form.max (pos is then somewhere inside the digits).
template <typename Char>
bool ReadNumber(const std::basic_string<Char>& text, size_t& pos, uint64_t& value, const NumberForm& form = {})
{
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < form.maxDigits) {
        const Char c = text[pos];
        uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (form.base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (form.base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            break;
        if (digit > form.max || value > (form.max - digit) / form.base)
            return false;
        value = value * form.base + digit;
        ++pos;
    }
    return pos > start;
}

// All of text as one number of that form; false for anything else (an
// empty text, a sign, a blank, a digit too many, a value above the form's
// largest).
template <typename Char>
bool ParseNumber(const std::basic_string<Char>& text, uint64_t& value, const NumberForm& form = {})
{
    size_t pos = 0;
    return ReadNumber(text, pos, value, form) && pos == text.size();
}
