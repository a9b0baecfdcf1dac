#pragma once
// Keeps every posted task event in a queue, as a window's message queue
// would, and lets a test wait for the next one.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>

#include "tasks/TaskEventPoster.h"

class RecordingTaskEventPoster : public ITaskEventPoster {
public:
    using Event = std::pair<uintptr_t, uintptr_t>;

    void PostTaskEvent(uintptr_t wParam, uintptr_t lParam) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.emplace_back(wParam, lParam);
            ++m_posted;
        }
        m_changed.notify_all();
    }

    // Takes the oldest event, waiting up to timeout for one; false if none came.
    bool Next(Event& event, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_changed.wait_for(lock, timeout, [this] { return !m_queue.empty(); }))
            return false;
        event = m_queue.front();
        m_queue.pop_front();
        return true;
    }

    size_t Posted() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_posted;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Event> m_queue;
    size_t m_posted = 0;
};
