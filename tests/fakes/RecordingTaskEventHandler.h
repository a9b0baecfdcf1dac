#pragma once
// Records a worker's reports with the task as it stood at each one.
#include <mutex>
#include <string>
#include <vector>

#include "tasks/CTaskEventHandler.h"
#include "tasks/Task.h"

class EventRecorder : public CTaskEventHandler {
public:
    struct Event {
        std::string operation;  // "start", "progress", "finish", "error"
        TaskState state;
        uint32_t downloaded;
        uint32_t total;
    };

    void OnTaskStart(Task* task, CThread*) override { Record("start", task); }
    void OnTaskFinish(Task* task, CThread*) override { Record("finish", task); }
    void OnTaskProgress(Task* task, CThread*) override { Record("progress", task); }
    void OnTaskError(Task* task, CThread*) override { Record("error", task); }

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

private:
    void Record(const char* operation, Task* task)
    {
        Event event{operation, task->state.load(), 0, 0};
        if (task->type == TaskType::Download) {
            auto* download = static_cast<DownTask*>(task);
            event.downloaded = download->downloadedSize.load();
            event.total = download->totalSize.load();
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(event);
    }

    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
};
