#pragma once
// A clock that moves only when the code under test waits on it: each wait
// passes at once and adds its length. A test can act inside a wait (stop
// the worker, look at the task) through onWait.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Clock.h"

class FakeClock : public IClock {
public:
    // Called at the start of each wait with its length.
    std::function<void(uint32_t)> onWait;

    uint64_t NowMs() override { return m_now.load(); }

    bool Wait(uint32_t milliseconds, const std::atomic<bool>& keepGoing) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_waits.push_back(milliseconds);
        }
        if (onWait)
            onWait(milliseconds);
        if (!keepGoing.load())
            return false;
        m_now += milliseconds;
        return true;
    }

    // Time passing outside a wait (a platform call that took this long).
    void Advance(uint64_t milliseconds) { m_now += milliseconds; }

    std::vector<uint32_t> Waits() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_waits;
    }

private:
    std::atomic<uint64_t> m_now{1000000};
    mutable std::mutex m_mutex;
    std::vector<uint32_t> m_waits;
};
