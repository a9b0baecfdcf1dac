#pragma once
// Fakes of the log's seams: a clock that moves one millisecond per reading,
// and log files in memory with failures on request. Safe to use from a
// worker thread and a test thread.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/LocalClock.h"
#include "platform/LogFiles.h"

class FakeLocalClock : public ILocalClock {
public:
    LocalTime start{2024, 3, 5, 7, 8, 9, 10};
    std::atomic<int> readings{0};

    LocalTime Now() override
    {
        LocalTime now = start;
        now.milliseconds = static_cast<uint16_t>(now.milliseconds + readings++);
        return now;
    }
};

class FakeLogFiles : public ILogFiles {
public:
    bool openFails = false;
    bool appendFails = false;
    bool replaceFails = false;

    void Put(const std::wstring& path, std::string bytes)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_files[path] = std::move(bytes);
    }
    bool Exists(const std::wstring& path) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_files.count(path) != 0;
    }
    std::string Content(const std::wstring& path) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_files.find(path);
        return it == m_files.end() ? std::string() : it->second;
    }
    // The file's lines without their CR LF.
    std::vector<std::string> Lines(const std::wstring& path) const
    {
        std::vector<std::string> lines;
        std::istringstream in(Content(path));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    bool Size(const std::wstring& path, uint64_t& size) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_files.find(path);
        if (it == m_files.end())
            return false;
        size = it->second.size();
        return true;
    }
    bool Replace(const std::wstring& from, const std::wstring& to) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_files.find(from);
        if (replaceFails || it == m_files.end())
            return false;
        m_files[to] = std::move(it->second);
        m_files.erase(from);
        return true;
    }
    std::unique_ptr<IAppendFile> OpenAppend(const std::wstring& path) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (openFails)
            return nullptr;
        m_files[path];
        return std::make_unique<File>(*this, path);
    }

private:
    class File : public IAppendFile {
    public:
        File(FakeLogFiles& files, std::wstring path) : m_files(files), m_path(std::move(path)) {}
        bool Append(const void* data, uint32_t size) override
        {
            std::lock_guard<std::mutex> lock(m_files.m_mutex);
            if (m_files.appendFails)
                return false;
            m_files.m_files[m_path].append(static_cast<const char*>(data), size);
            return true;
        }

    private:
        FakeLogFiles& m_files;
        std::wstring m_path;
    };

    mutable std::mutex m_mutex;
    std::map<std::wstring, std::string> m_files;
};
