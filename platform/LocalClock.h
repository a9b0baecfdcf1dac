#pragma once
#include <cstdint>

// A point in local time, to the millisecond (SYSTEMTIME's fields).
struct LocalTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

// The wall clock, in the user's time zone, for the log's timestamps.
class ILocalClock {
public:
    virtual ~ILocalClock() = default;
    virtual LocalTime Now() = 0;
};
