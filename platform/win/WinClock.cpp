// The clock seam on GetTickCount64, the performance counter and
// NtDelayExecution (or Sleep); the pauses are SlicedClock's. A fine timer
// waits on a high-resolution waitable timer of its own where the system
// has one, else raises the system's timer resolution to 1 ms (winmm's
// timeBeginPeriod, which the system counts per call) until it is given
// back.
#include <windows.h>

#include <atomic>
#include <memory>

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
        m_delay = LookUpFunction<DelayFn>(ntdll, "NtDelayExecution");
    }

    std::unique_ptr<IFineTimer> FineTimer() override;

    uint64_t NowMs() override { return GetTickCount64(); }

    uint64_t NowUs() override
    {
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        const uint64_t ticks = static_cast<uint64_t>(counter.QuadPart);
        return ticks / m_perSecond * 1000000 + ticks % m_perSecond * 1000000 / m_perSecond;
    }

    // Sleep takes whole milliseconds, which would end a pause up to one
    // late. NtDelayExecution takes 100-nanosecond units; it is as coarse as
    // Sleep where the system's timer is, and ends within some tens of
    // microseconds under Wine. Without it the last fraction of a
    // millisecond is given away with Sleep(0) until it is over.
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

    // Whether the ordinary pause already ends within a millisecond (Wine).
    // The first pause of a millisecond ends on some tick; the second,
    // started right after it, shows the tick's length.
    bool PlainPausesAreFine()
    {
        DelayUs(1000);
        const uint64_t start = NowUs();
        DelayUs(1000);
        return NowUs() - start < 2000;
    }

protected:
    void SleepUs(uint64_t microseconds) override { DelayUs(microseconds); }

private:
    uint64_t m_perSecond = 1;
    DelayFn m_delay = nullptr;
};

// Windows' timer ticks every 15.6 ms unless a program asks for more: a
// pause of a few milliseconds would end on the next tick, and since
// Windows 10 2004 another program's finer timer no longer shortens it for
// this one. A fine timer waits on a timer object of its own with a high
// resolution (Windows 10 1803 and later); where there is none, the
// system's resolution is raised to 1 ms for as long as the fine timer
// lives (winmm, loaded from the system folder at first use). Where the
// system has the timer object but the ordinary pause is already that fine
// (Wine), the ordinary pause is kept: it ends closer to its end. Everything it asked for is its
// own and goes with it, so that another owner's timer is never touched.
class WinFineTimer : public IFineTimer {
public:
    explicit WinFineTimer(WinClock& clock) : m_clock(clock)
    {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        auto create = LookUpFunction<CreateTimerFn>(kernel, "CreateWaitableTimerExW");
        m_timer.Reset(create != nullptr ? create(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS) : nullptr);
        if (m_timer) {
            if (m_clock.PlainPausesAreFine())
                m_timer.Reset();
            return;
        }
        DWORD error = 0;
        HMODULE winmm = LoadSystemLibrary(L"winmm.dll", error);
        auto begin = LookUpFunction<TimerPeriodFn>(winmm, "timeBeginPeriod");
        m_endPeriod = LookUpFunction<TimerPeriodFn>(winmm, "timeEndPeriod");
        m_periodRaised = begin != nullptr && m_endPeriod != nullptr && begin(1) == 0 /* TIMERR_NOERROR */;
    }

    ~WinFineTimer() override
    {
        if (m_periodRaised)
            m_endPeriod(1);
    }

    bool WaitUs(uint64_t microseconds, const std::atomic<bool>& keepGoing) override
    {
        return m_clock.WaitSliced(microseconds, keepGoing, [this](uint64_t slice) { SleepUs(slice); });
    }

private:
    void SleepUs(uint64_t microseconds)
    {
        LARGE_INTEGER due;
        due.QuadPart = -static_cast<LONGLONG>(microseconds * 10);  // relative, 100-ns units
        if (m_timer && SetWaitableTimer(m_timer.Get(), &due, 0, nullptr, nullptr, FALSE)) {
            WaitForSingleObject(m_timer.Get(), INFINITE);
            return;
        }
        m_clock.DelayUs(microseconds);
    }

    WinClock& m_clock;
    ScopedKernelHandle m_timer;
    bool m_periodRaised = false;
    TimerPeriodFn m_endPeriod = nullptr;
};

std::unique_ptr<IFineTimer> WinClock::FineTimer()
{
    return std::make_unique<WinFineTimer>(*this);
}

// One clock for the process, made before the program starts (a global
// rather than a local static, whose first use would need a thread-safe guard).
WinClock g_clock;

class WinWallClock : public IWallClock {
public:
    int64_t NowSeconds() override
    {
        // FILETIME counts 100 ns since 1601-01-01.
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        return static_cast<int64_t>(ticks / 10000000ull) - 11644473600ll;
    }
};

WinWallClock g_wallClock;

}  // namespace

IClock& SystemClock()
{
    return g_clock;
}

IWallClock& SystemWallClock()
{
    return g_wallClock;
}
