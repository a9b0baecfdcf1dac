#pragma once
// Small helpers for the ASCII part of the program's texts: header names,
// address schemes, switches, and the control characters
// that must never reach a request, a file name or the log unescaped. Every
// text outside ASCII is left as it is.
#include <cstdint>
#include <string>

#include "platform/HexText.h"

inline bool IsAsciiDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

inline bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// A to Z as a to z; every other character as it is.
inline wchar_t AsciiLower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

inline std::wstring AsciiLowered(std::wstring text)
{
    for (wchar_t& c : text)
        c = AsciiLower(c);
    return text;
}

// The text without the blanks, tabs and line breaks around it.
inline std::wstring TrimmedBlanks(const std::wstring& text)
{
    const size_t begin = text.find_first_not_of(L" \t\r\n");
    if (begin == std::wstring::npos)
        return std::wstring();
    const size_t end = text.find_last_not_of(L" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

// The text as bytes, when no character is above 0x7E (control characters
// pass); false otherwise.
inline bool NarrowAscii(const std::wstring& text, std::string& narrow)
{
    narrow.clear();
    for (wchar_t c : text) {
        if (c > 0x7E)
            return false;
        narrow += static_cast<char>(c);
    }
    return true;
}

// Below 0x20, or 0x7F (DEL).
inline bool IsControlCharacter(wchar_t c)
{
    return c < 0x20 || c == 0x7F;
}

// Whether the text holds a control character, which an address, a request
// header or a value kept in a file must never carry.
inline bool HasControlCharacter(const std::wstring& text)
{
    for (wchar_t c : text) {
        if (IsControlCharacter(c))
            return true;
    }
    return false;
}

// The text for the log, each control character written as \xNN.
inline std::wstring WithControlsEscaped(const std::wstring& text)
{
    std::wstring shown;
    for (wchar_t c : text) {
        if (IsControlCharacter(c)) {
            shown += L"\\x" + HexText(static_cast<uint32_t>(c), 2);
        } else {
            shown += c;
        }
    }
    return shown;
}
