#pragma once
#include <memory>

#include "platform/Clock.h"

// The pauses of a system clock, shared by the platforms' clocks: a pause
// is slept in slices of at most 10 ms, with the stop flag checked between
// them, so that a stop ends it as promptly as it ends a wait on the
// network. A platform's clock gives the time and one slice's sleep.
class SlicedClock : public IClock {
public:
    bool Wait(uint32_t milliseconds, const std::atomic<bool>& keepGoing) override
    {
        return WaitUs(milliseconds * 1000ull, keepGoing);
    }

    bool WaitUs(uint64_t microseconds, const std::atomic<bool>& keepGoing) override
    {
        return WaitSliced(microseconds, keepGoing, [this](uint64_t slice) { SleepUs(slice); });
    }

    // Where the platform's own pauses are fine already: a timer that
    // pauses as WaitUs does.
    std::unique_ptr<IFineTimer> FineTimer() override { return std::make_unique<PlainTimer>(*this); }

    // A pause of microseconds slept in slices by sleep(slice).
    template <typename Sleep>
    bool WaitSliced(uint64_t microseconds, const std::atomic<bool>& keepGoing, Sleep sleep)
    {
        const uint64_t end = NowUs() + microseconds;
        for (;;) {
            if (!keepGoing.load())
                return false;
            const uint64_t now = NowUs();
            if (now >= end)
                return true;
            const uint64_t left = end - now;
            sleep(left < kSliceUs ? left : kSliceUs);
        }
    }

protected:
    // Sleeps about microseconds (never more than one slice).
    virtual void SleepUs(uint64_t microseconds) = 0;

private:
    class PlainTimer : public IFineTimer {
    public:
        explicit PlainTimer(SlicedClock& clock) : m_clock(clock) {}
        bool WaitUs(uint64_t microseconds, const std::atomic<bool>& keepGoing) override
        {
            return m_clock.WaitUs(microseconds, keepGoing);
        }

    private:
        SlicedClock& m_clock;
    };

    static constexpr uint64_t kSliceUs = 10000;
};
