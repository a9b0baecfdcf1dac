// The clock seam on GetTickCount64 and Sleep. A pause is slept in slices
// of 10 ms, checking the stop flag between them, so that a stop ends it as
// promptly as it ends a wait on the network.
#include <windows.h>

#include "platform/Clock.h"

namespace {

constexpr DWORD kSlice = 10;

class WinClock : public IClock {
public:
    uint64_t NowMs() override { return GetTickCount64(); }

    bool Wait(uint32_t milliseconds, const std::atomic<bool>& keepGoing) override
    {
        const uint64_t end = GetTickCount64() + milliseconds;
        for (;;) {
            if (!keepGoing.load())
                return false;
            const uint64_t now = GetTickCount64();
            if (now >= end)
                return true;
            const uint64_t left = end - now;
            Sleep(left < kSlice ? static_cast<DWORD>(left) : kSlice);
        }
    }
};

// One clock for the process, made before the program starts (a global
// rather than a local static, whose first use would need a thread-safe guard).
WinClock g_clock;

}  // namespace

IClock& SystemClock()
{
    return g_clock;
}
