#pragma once
// What the Windows benchmarks of this folder share: the clock and the
// process's CPU time they measure with, and the download task both download
// benchmarks hand to the real worker.
#include <windows.h>

#include <cstdint>
#include <string>

#include "tasks/Task.h"

// Seconds on the performance counter.
inline double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The CPU time of the whole process so far (kernel and user), in seconds.
inline double ProcessCpuSeconds()
{
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// url into folder, as bench.tmp and then bench.bin.

inline void PrepareBenchTask(DownTask& task, const std::wstring& url, const std::wstring& folder)
{
    task.url = url;
    task.tempName = L"bench.tmp";
    task.fileName = L"bench.bin";
    task.directory = folder;
    task.state.store(TaskState::Started);
}
