#pragma once
// Records a worker's reports with the task as it stood at each one, and
// lets a test wait for the worker's final report.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "tasks/CTaskEventHandler.h"
#include "tasks/Task.h"

class RecordingTaskEventHandler : public CTaskEventHandler {
public:
    struct Event {
        std::string operation;  // "start", "progress", "finish", "error"
        TaskState state;
        uint64_t downloaded;
        uint64_t total;
        uint32_t retrySeconds = 0;  // while Retrying
        uint32_t retryNumber = 0;
    };

    void OnTaskStart(Task* task, CThread*) override { Record("start", task); }
    void OnTaskFinish(Task* task, CThread*) override { Record("finish", task); }
    void OnTaskProgress(Task* task, CThread*) override { Record("progress", task); }
    void OnTaskError(Task* task, CThread*) override { Record("error", task); }

    // Forgets the reports so far (between two runs of one test).
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.clear();
    }
    std::vector<Event> Events() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    // The operations alone, joined by blanks: "start progress finish".
    std::string Operations() const
    {
        std::string joined;
        for (const Event& event : Events())
            joined += (joined.empty() ? "" : " ") + event.operation;
        return joined;
    }
    // The retry countdown as reported: "k:n" (retry k, n seconds left) per
    // report made while Retrying.
    std::vector<std::string> Countdown() const
    {
        std::vector<std::string> shown;
        for (const Event& event : Events()) {
            if (event.state == TaskState::Retrying)
                shown.push_back(std::to_string(event.retryNumber) + ":" + std::to_string(event.retrySeconds));
        }
        return shown;
    }
    // Waits until some report has been made; false if none came in time.
    bool WaitForAny(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [this] { return !m_events.empty(); });
    }
    // Waits for a report made in state; false if none came in time.
    bool WaitForState(TaskState state, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [this, state] {
            for (const Event& event : m_events) {
                if (event.state == state)
                    return true;
            }
            return false;
        });
    }
    // Waits for a finish or an error report; false if none came in time.
    bool WaitForFinal(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [this] {
            for (const Event& event : m_events) {
                if (event.operation == "finish" || event.operation == "error")
                    return true;
            }
            return false;
        });
    }

private:
    void Record(const char* operation, Task* task)
    {
        Event event{operation, task->state.load(), 0, 0};
        if (task->type == TaskType::Download) {
            auto* download = static_cast<DownTask*>(task);
            event.downloaded = download->downloadedSize.load();
            event.total = download->totalSize.load();
            event.retrySeconds = download->retrySeconds.load();
            event.retryNumber = download->retryNumber.load();
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_events.push_back(event);
        }
        m_changed.notify_all();
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Event> m_events;
};
