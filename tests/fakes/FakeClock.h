#pragma once
// A clock that moves only when the code under test waits on it: each wait
// passes at once and adds its length. A test can act inside a wait (stop
// the worker, look at the task) through onWait.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Clock.h"

class FakeClock : public IClock {
public:
    // Called at the start of each Wait with its length, and of each WaitUs
    // with its own.
    std::function<void(uint32_t)> onWait;
    std::function<void(uint64_t)> onWaitUs;

    uint64_t NowMs() override { return m_nowUs.load() / 1000; }
    uint64_t NowUs() override { return m_nowUs.load(); }

    bool Wait(uint32_t milliseconds, const std::atomic<bool>& keepGoing) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_waits.push_back(milliseconds);
            m_fineAtWaits.push_back(finePauses.load());
        }
        if (onWait)
            onWait(milliseconds);
        return Pass(uint64_t{milliseconds} * 1000, keepGoing);
    }

    // A coarse pause: recorded with no fine timer of its own (0).
    bool WaitUs(uint64_t microseconds, const std::atomic<bool>& keepGoing) override
    {
        return PassUs(microseconds, keepGoing, 0);
    }

    // A fine timer of the caller's own: its pauses are recorded as WaitUs's
    // are, with the fine timers alive at each.
    std::unique_ptr<IFineTimer> FineTimer() override { return std::make_unique<Timer>(*this); }

    // Fine timers handed out and not yet given back; that count at each
    // WaitUs (0 for the clock's own coarse WaitUs) and at each Wait; and
    // how many were handed out in all.
    std::atomic<int> finePauses{0};
    std::atomic<int> fineTimersMade{0};
    std::vector<int> FineAtWaitsUs() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_fineAtWaitsUs;
    }
    std::vector<int> FineAtWaits() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_fineAtWaits;
    }

    // Time passing outside a wait (a platform call that took this long).
    void Advance(uint64_t milliseconds) { m_nowUs += milliseconds * 1000; }
    void AdvanceUs(uint64_t microseconds) { m_nowUs += microseconds; }

    // The lengths of the waits made with Wait, and of those made with WaitUs.
    std::vector<uint32_t> Waits() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_waits;
    }
    std::vector<uint64_t> WaitsUs() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_waitsUs;
    }

private:
    class Timer : public IFineTimer {
    public:
        explicit Timer(FakeClock& clock) : m_clock(clock)
        {
            ++m_clock.finePauses;
            ++m_clock.fineTimersMade;
        }
        ~Timer() override { --m_clock.finePauses; }
        bool WaitUs(uint64_t microseconds, const std::atomic<bool>& keepGoing) override
        {
            return m_clock.PassUs(microseconds, keepGoing, m_clock.finePauses.load());
        }

    private:
        FakeClock& m_clock;
    };

    bool PassUs(uint64_t microseconds, const std::atomic<bool>& keepGoing, int fine)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_waitsUs.push_back(microseconds);
            m_fineAtWaitsUs.push_back(fine);
        }
        if (onWaitUs)
            onWaitUs(microseconds);
        return Pass(microseconds, keepGoing);
    }

    bool Pass(uint64_t microseconds, const std::atomic<bool>& keepGoing)
    {
        if (!keepGoing.load())
            return false;
        m_nowUs += microseconds;
        return true;
    }

    std::atomic<uint64_t> m_nowUs{1000000000};
    mutable std::mutex m_mutex;
    std::vector<uint32_t> m_waits;
    std::vector<uint64_t> m_waitsUs;
    std::vector<int> m_fineAtWaitsUs;
    std::vector<int> m_fineAtWaits;
};
