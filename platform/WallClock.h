#pragma once
#include <cstdint>

// This computer's calendar clock in UTC. It may be wrong: what depends on
// it also asks a server. Tests put a fake in its place to set the date.
class IWallClock {
public:
    virtual ~IWallClock() = default;

    // Seconds since 1970-01-01T00:00:00Z.
    virtual int64_t NowSeconds() = 0;
};

// The platform's calendar clock (bound at link time, like the clock).
IWallClock& SystemWallClock();
