#pragma once
// Decimal numbers in the program's texts (error codes, byte counts,
// percentages). std::to_chars formats without the C library's printf
// family, which would otherwise be linked into the launcher for this alone.
#include <charconv>
#include <string>

template <typename Integer>
std::wstring DecimalText(Integer value)
{
    char digits[24];
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
    return std::wstring(digits, result.ptr);
}
