#pragma once
#include <cstddef>
#include <cstdint>

// The system's own conversion of code page 936. Only the Windows build has
// one: the portable build converts with the code page's table.
class ICodePage {
public:
    virtual ~ICodePage() = default;

    // The system's strict conversion of one unit of code page 936 (one
    // byte, or a lead byte and the byte after it): true, with the UTF-16
    // character, when the system defines the unit as exactly one character.
    virtual bool Cp936Unit(const uint8_t* unit, size_t length, uint16_t& character) = 0;
};

// The platform's code page conversion (bound at link time, like the clock;
// the Windows build only).
ICodePage& SystemCodePage();
