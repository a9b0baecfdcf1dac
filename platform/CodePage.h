#pragma once
#include <cstddef>
#include <cstdint>

// The system's own conversion of code page 936. A free-function seam, bound
// at link time; only the Windows build has it (the portable build converts
// with the code page's table).
namespace codepage {

// The system's strict conversion of one unit of code page 936 (one byte, or
// a lead byte and the byte after it): true, with the UTF-16 character, when
// the system defines the unit as exactly one character.
bool SystemCp936(const uint8_t* unit, size_t length, uint16_t& character);

}  // namespace codepage
