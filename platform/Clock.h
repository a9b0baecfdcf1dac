#pragma once
#include <atomic>
#include <cstdint>

// Time for the download worker's pauses and deadlines: a monotonic clock
// and a pause that a stop ends at once. Tests put a fake clock in its
// place, so that half a minute of pauses passes in no time.
class IClock {
public:
    virtual ~IClock() = default;

    // Milliseconds since some fixed moment; never goes back.
    virtual uint64_t NowMs() = 0;

    // Pauses for milliseconds. Returns early, with false, as soon as
    // keepGoing is found clear; true after the full pause.
    virtual bool Wait(uint32_t milliseconds, const std::atomic<bool>& keepGoing) = 0;

    // Microseconds since some fixed moment (not necessarily NowMs's); never
    // goes back. For pacing that a millisecond is too coarse for.
    virtual uint64_t NowUs() = 0;

    // Pauses until NowUs() has moved on by at least microseconds, ending
    // as close after that as the system allows. Returns early, with false,
    // as soon as keepGoing is found clear; true after the full pause.
    virtual bool WaitUs(uint64_t microseconds, const std::atomic<bool>& keepGoing) = 0;
};

// The platform's clock (bound at link time, like the thread seam).
IClock& SystemClock();
