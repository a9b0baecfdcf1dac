// The clock seam on std::chrono::steady_clock, for the portable build.
#include <chrono>
#include <thread>

#include "platform/Clock.h"

namespace {

constexpr uint32_t kSlice = 10;

class NativeClock : public IClock {
public:
    uint64_t NowMs() override
    {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    }

    bool Wait(uint32_t milliseconds, const std::atomic<bool>& keepGoing) override
    {
        return WaitUs(milliseconds * 1000ull, keepGoing);
    }

    uint64_t NowUs() override
    {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    }

    bool WaitUs(uint64_t microseconds, const std::atomic<bool>& keepGoing) override
    {
        const uint64_t end = NowUs() + microseconds;
        for (;;) {
            if (!keepGoing.load())
                return false;
            const uint64_t now = NowUs();
            if (now >= end)
                return true;
            const uint64_t left = end - now;
            std::this_thread::sleep_for(std::chrono::microseconds(left < kSlice * 1000 ? left : kSlice * 1000));
        }
    }
};

}  // namespace

IClock& SystemClock()
{
    static NativeClock clock;
    return clock;
}
