#pragma once
// A log that keeps its lines in memory, for tests that check what a worker
// logs. Safe to write from a worker thread.
#include <mutex>
#include <string>
#include <vector>

#include "platform/Log.h"

class RecordingLog : public ILog {
public:
    void Write(const std::wstring& text) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(text);
    }
    std::vector<std::wstring> Lines() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_lines;
};
