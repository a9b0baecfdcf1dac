// The clock seam on GetTickCount64, the performance counter and
// NtDelayExecution (or Sleep). A pause, in milliseconds or microseconds, is
// slept in slices of 10 ms, checking the stop flag between them, so that a
// stop ends it as promptly as it ends a wait on the network.
#include <windows.h>

#include "platform/Clock.h"

namespace {

constexpr DWORD kSlice = 10;

class WinClock : public IClock {
public:
    uint64_t NowMs() override { return GetTickCount64(); }

    bool Wait(uint32_t milliseconds, const std::atomic<bool>& keepGoing) override
    {
        return WaitUs(milliseconds * 1000ull, keepGoing);
    }

    uint64_t NowUs() override
    {
        LARGE_INTEGER frequency;
        LARGE_INTEGER counter;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&counter);
        const uint64_t ticks = static_cast<uint64_t>(counter.QuadPart);
        const uint64_t perSecond = static_cast<uint64_t>(frequency.QuadPart);
        return ticks / perSecond * 1000000 + ticks % perSecond * 1000000 / perSecond;
    }

    // Sleep takes whole milliseconds, which would end a pause up to one
    // late. NtDelayExecution (in ntdll, which every process has loaded)
    // takes 100-nanosecond units; it is as coarse as Sleep where the
    // system's timer is, and ends within some tens of microseconds under
    // Wine. Without it the last fraction of a millisecond is given away
    // with Sleep(0) until it is over.
    bool WaitUs(uint64_t microseconds, const std::atomic<bool>& keepGoing) override
    {
        using DelayFn = LONG(WINAPI*)(BOOLEAN, LARGE_INTEGER*);
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        const auto delay =
            ntdll != nullptr ? reinterpret_cast<DelayFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDelayExecution"))) : nullptr;
        const uint64_t end = NowUs() + microseconds;
        for (;;) {
            if (!keepGoing.load())
                return false;
            const uint64_t now = NowUs();
            if (now >= end)
                return true;
            const uint64_t left = end - now;
            const uint64_t slice = left < kSlice * 1000ull ? left : kSlice * 1000ull;
            if (delay != nullptr) {
                LARGE_INTEGER interval;
                interval.QuadPart = -static_cast<LONGLONG>(slice * 10);  // relative
                delay(FALSE, &interval);
            } else {
                Sleep(static_cast<DWORD>(slice / 1000));
            }
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
