// The clock seam on GetTickCount64, the performance counter and
// NtDelayExecution (or Sleep); the pauses are SlicedClock's.
#include <windows.h>

#include "platform/SlicedClock.h"
#include "platform/WallClock.h"

namespace {

using DelayFn = LONG(WINAPI*)(BOOLEAN, LARGE_INTEGER*);

class WinClock : public SlicedClock {
public:
    // The counter's frequency is fixed at boot, and ntdll is in every
    // process: both are looked up once, not at every pause.
    WinClock()
    {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        m_perSecond = frequency.QuadPart > 0 ? static_cast<uint64_t>(frequency.QuadPart) : 1;
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        m_delay = ntdll != nullptr
                      ? reinterpret_cast<DelayFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDelayExecution")))
                      : nullptr;
    }

    uint64_t NowMs() override { return GetTickCount64(); }

    uint64_t NowUs() override
    {
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        const uint64_t ticks = static_cast<uint64_t>(counter.QuadPart);
        return ticks / m_perSecond * 1000000 + ticks % m_perSecond * 1000000 / m_perSecond;
    }

protected:
    // Sleep takes whole milliseconds, which would end a pause up to one
    // late. NtDelayExecution takes 100-nanosecond units; it is as coarse as
    // Sleep where the system's timer is, and ends within some tens of
    // microseconds under Wine. Without it the last fraction of a
    // millisecond is given away with Sleep(0) until it is over.
    void SleepUs(uint64_t microseconds) override
    {
        if (m_delay != nullptr) {
            LARGE_INTEGER interval;
            interval.QuadPart = -static_cast<LONGLONG>(microseconds * 10);  // relative
            m_delay(FALSE, &interval);
        } else {
            Sleep(static_cast<DWORD>(microseconds / 1000));
        }
    }

private:
    uint64_t m_perSecond = 1;
    DelayFn m_delay = nullptr;
};

// One clock for the process, made before the program starts (a global
// rather than a local static, whose first use would need a thread-safe guard).
WinClock g_clock;

}  // namespace

IClock& SystemClock()
{
    return g_clock;
}

int64_t UtcNowSeconds()
{
    // FILETIME counts 100 ns since 1601-01-01.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000ull) - 11644473600ll;
}
