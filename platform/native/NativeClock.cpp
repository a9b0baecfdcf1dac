// The clock seam on std::chrono::steady_clock, for the portable build.
#include <chrono>
#include <thread>

#include "platform/SlicedClock.h"
#include "platform/WallClock.h"

namespace {

class NativeClock : public SlicedClock {
public:
    uint64_t NowMs() override
    {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    }

    uint64_t NowUs() override
    {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    }

protected:
    void SleepUs(uint64_t microseconds) override
    {
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
    }
};

}  // namespace

IClock& SystemClock()
{
    static NativeClock clock;
    return clock;
}

IWallClock& SystemWallClock()
{
    struct NativeWallClock : IWallClock {
        int64_t NowSeconds() override
        {
            return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                            std::chrono::system_clock::now().time_since_epoch())
                                            .count());
        }
    };
    static NativeWallClock wallClock;
    return wallClock;
}
