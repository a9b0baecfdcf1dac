#pragma once
// The real HTTP client, watched: a test can stop a worker exactly while it
// waits inside a read of a response body.
#include <windows.h>

#include <atomic>
#include <chrono>

#include "tests/fakes/ForwardingHttpClient.h"

class ReadWatch : public ForwardingHttpClient::ReadWatcher {
public:
    // Waits until a read has been waiting for at least `stuck` (and so is
    // well inside the platform's call); false if none did within ten seconds.
    bool WaitForStuckRead(std::chrono::milliseconds stuck = std::chrono::milliseconds(50)) const
    {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            if (m_reading.load() && Clock::now() - Clock::time_point(Clock::duration(m_since.load())) >= stuck)
                return true;
            Sleep(5);
        }
        return false;
    }

    void ReadStarting() override
    {
        m_since.store(Clock::now().time_since_epoch().count());
        m_reading.store(true);
    }
    void ReadEnded(bool, uint32_t) override { m_reading.store(false); }

private:
    using Clock = std::chrono::steady_clock;
    std::atomic<bool> m_reading{false};
    std::atomic<Clock::rep> m_since{0};
};
