#pragma once
#include <cstdint>

// The generated table of code page 936 (config/Cp936Table.cpp, written by
// tools/cp936/gen_cp936_table.py). Each entry is the UTF-16 character of a
// unit, or 0 where the code page defines none.

// Two-byte units: lead bytes 0x81 to 0xFE; second bytes 0x40 to 0x7E and
// 0x80 to 0xFE. Any other two-byte unit is undefined.
constexpr unsigned kCp936FirstLead = 0x81;
constexpr unsigned kCp936LastLead = 0xFE;
constexpr unsigned kCp936LeadCount = kCp936LastLead - kCp936FirstLead + 1;  // 126
constexpr unsigned kCp936TrailCount = 190;

// Indexed by the byte.
extern const uint16_t kCp936OneByte[256];
// Indexed by (lead - 0x81) * 190 + the position of the second byte among
// the 190 second bytes.
extern const uint16_t kCp936TwoByte[kCp936LeadCount * kCp936TrailCount];
