#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

// A timer of one owner's own for short pauses: its WaitUs ends within about
// a millisecond of its end even where the system's timer otherwise ticks
// far more coarsely (Windows: every 15.6 ms). A finer timer costs the
// whole system power, so it is asked for only while it is needed (a
// download asks for one while an answer's bytes move) and given back by
// destroying it. Each owner's timer is its own: one owner's end leaves
// another's as it was.
class IFineTimer {
public:
    virtual ~IFineTimer() = default;

    // As IClock::WaitUs, ending as close after its end as the timer allows.
    virtual bool WaitUs(uint64_t microseconds, const std::atomic<bool>& keepGoing) = 0;
};

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

    // A fine timer for the caller alone (see IFineTimer).
    virtual std::unique_ptr<IFineTimer> FineTimer() = 0;
};

// The platform's clock (bound at link time, like the thread seam).
IClock& SystemClock();
