#pragma once
// The download task both download benchmarks hand to the real worker: url
// into folder, as bench.tmp and then bench.bin.
#include <string>

#include "tasks/Task.h"

inline void PrepareBenchTask(DownTask& task, const std::wstring& url, const std::wstring& folder)
{
    task.url = url;
    task.tempName = L"bench.tmp";
    task.fileName = L"bench.bin";
    task.directory = folder;
    task.state.store(TaskState::Started);
}
