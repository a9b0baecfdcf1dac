// The clock seam on GetTickCount64, the performance counter and
// NtDelayExecution (or Sleep); the pauses are SlicedClock's. Fine pauses
// wait on a high-resolution waitable timer where the system has one, else
// raise the system's timer resolution to 1 ms (winmm's timeBeginPeriod)
// for as long as they are asked for.
#include <windows.h>

#include <atomic>

#include "platform/SlicedClock.h"
#include "platform/WallClock.h"
#include "platform/win/ScopedHandles.h"
#include "platform/win/SystemLibrary.h"

namespace {

using DelayFn = LONG(WINAPI*)(BOOLEAN, LARGE_INTEGER*);
using CreateTimerFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);
using TimerPeriodFn = UINT(WINAPI*)(UINT);

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION (Windows 10 1803 and later; older
// systems refuse the flag).
constexpr DWORD kHighResolutionTimer = 0x00000002;

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

    // Windows' timer ticks every 15.6 ms unless a program asks for more:
    // a pause of a few milliseconds would end on the next tick, and since
    // Windows 10 2004 another program's finer timer no longer shortens it
    // for this one. Fine pauses of the calling thread wait on a timer of
    // their own with a high resolution (Windows 10 1803 and later); where
    // there is none, the system's resolution is raised to 1 ms until
    // EndFinePauses (winmm, loaded from the system folder at first use).
    void BeginFinePauses() override
    {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        auto create = kernel == nullptr ? nullptr
                                        : reinterpret_cast<CreateTimerFn>(reinterpret_cast<void*>(
                                              GetProcAddress(kernel, "CreateWaitableTimerExW")));
        m_timer.Reset(create != nullptr ? create(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS) : nullptr);
        if (m_timer) {
            // Where the ordinary pause is already that fine (Wine), it is
            // kept: it ends closer to its end than a timer object does. The
            // first pause of a millisecond ends on some tick; the second,
            // started right after it, shows the tick's length.
            DelayUs(1000);
            const uint64_t start = NowUs();
            DelayUs(1000);
            if (NowUs() - start < 2000) {
                m_timer.Reset();
                return;
            }
            m_fineThread = GetCurrentThreadId();
            return;
        }
        DWORD error = 0;
        HMODULE winmm = LoadSystemLibrary(L"winmm.dll", error);
        auto begin = winmm == nullptr ? nullptr
                                      : reinterpret_cast<TimerPeriodFn>(
                                            reinterpret_cast<void*>(GetProcAddress(winmm, "timeBeginPeriod")));
        m_endPeriod = winmm == nullptr ? nullptr
                                       : reinterpret_cast<TimerPeriodFn>(
                                             reinterpret_cast<void*>(GetProcAddress(winmm, "timeEndPeriod")));
        m_periodRaised = begin != nullptr && m_endPeriod != nullptr && begin(1) == 0 /* TIMERR_NOERROR */;
    }

    void EndFinePauses() override
    {
        m_fineThread = 0;
        m_timer.Reset();
        if (m_periodRaised)
            m_endPeriod(1);
        m_periodRaised = false;
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
    // millisecond is given away with Sleep(0) until it is over. A fine
    // pause of the thread that asked for it waits on its timer instead.
    void SleepUs(uint64_t microseconds) override
    {
        LARGE_INTEGER due;
        due.QuadPart = -static_cast<LONGLONG>(microseconds * 10);  // relative, 100-ns units
        if (GetCurrentThreadId() == m_fineThread.load() && m_timer &&
            SetWaitableTimer(m_timer.Get(), &due, 0, nullptr, nullptr, FALSE)) {
            WaitForSingleObject(m_timer.Get(), INFINITE);
            return;
        }
        DelayUs(microseconds);
    }

private:
    void DelayUs(uint64_t microseconds)
    {
        if (m_delay != nullptr) {
            LARGE_INTEGER interval;
            interval.QuadPart = -static_cast<LONGLONG>(microseconds * 10);  // relative
            m_delay(FALSE, &interval);
        } else {
            Sleep(static_cast<DWORD>(microseconds / 1000));
        }
    }

    uint64_t m_perSecond = 1;
    DelayFn m_delay = nullptr;
    // Fine pauses: the high-resolution timer and the thread it serves, or
    // the raised resolution to lower again.
    ScopedKernelHandle m_timer;
    std::atomic<DWORD> m_fineThread{0};
    bool m_periodRaised = false;
    TimerPeriodFn m_endPeriod = nullptr;
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
