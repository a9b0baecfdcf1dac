#pragma once
#include <cstdint>

// Random numbers for spreading retries apart: many launchers that failed
// together should not all come back in the same instant. Tests put a fake
// in its place so that every pause is known.
class IRandom {
public:
    virtual ~IRandom() = default;

    // A number drawn uniformly from 0 to 0xFFFFFFFF.
    virtual uint32_t Next() = 0;
};

// The platform's random source (bound at link time, like the clock).
IRandom& SystemRandom();
