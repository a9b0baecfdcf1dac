#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Code page 936 (Simplified Chinese, GBK as Windows defines it).
//
// A unit is one byte, or a byte above 0x80 together with the byte after it.
// AppendCp936Unit appends the UTF-16 text of one unit to `out`. Every unit
// that Windows code page 936 defines becomes the character Windows gives it;
// a unit it does not define becomes U+FFFD, followed by its second byte
// when that byte is CR or LF, so that no line break is ever dropped. No
// other second byte is kept: it must never turn into "[", "]" or "=".
// A unit is defined when the system's strict conversion
// (MultiByteToWideChar(936) with MB_ERR_INVALID_CHARS) accepts it as one
// character: the bytes 0x00 to 0x80 alone, and the two-byte units with a
// lead byte 0x81 to 0xFE and a second byte 0x40 to 0xFE other than 0x7F.
// A lead byte alone and the byte 0xFF alone are undefined (strict
// conversion refuses 0xFF, which maps into the private-use area). The zero
// byte adds nothing.
void AppendCp936Unit(std::wstring& out, const uint8_t* unit, size_t length);

// The portable conversion behind AppendCp936Unit, from the code page's own
// table. Returns the UTF-16 character of a defined unit, or 0 when the unit
// is undefined (and for the zero byte). length is 1 or 2; any other length
// gives 0.
uint16_t Cp936TableLookup(const uint8_t* unit, size_t length);

// AppendCp936Unit as the portable build does it, through Cp936TableLookup.
// Every build has it, so that the Windows build can be compared with it.
void AppendCp936UnitFromTable(std::wstring& out, const uint8_t* unit, size_t length);

// What an undefined unit becomes (shared by every build).
void AppendUndefinedCp936Unit(std::wstring& out, const uint8_t* unit, size_t length);
