#pragma once
// Hexadecimal in the program's texts: digests, crash codes and addresses,
// folder names, escaped characters. Written in the case each use asks for,
// read in either case (numbers: ReadNumber in platform/DecimalText.h).
#include <cstdint>
#include <string>

enum class HexCase { Upper, Lower };

// The digit of value's low four bits.
inline wchar_t HexDigit(uint64_t value, HexCase letters = HexCase::Upper)
{
    const uint32_t nibble = static_cast<uint32_t>(value & 0xF);
    if (nibble < 10)
        return static_cast<wchar_t>(L'0' + nibble);
    return static_cast<wchar_t>((letters == HexCase::Upper ? L'A' : L'a') + nibble - 10);
}

// value in hexadecimal without "0x", at least minDigits digits (zeros in
// front).
inline std::wstring HexText(uint64_t value, int minDigits, HexCase letters = HexCase::Upper)
{
    std::wstring text;
    while (value != 0 || static_cast<int>(text.size()) < minDigits) {
        text.insert(text.begin(), HexDigit(value, letters));
        value >>= 4;
    }
    return text;
}

// The value of one hexadecimal digit in either case; -1 for any other
// character.
inline int HexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}
