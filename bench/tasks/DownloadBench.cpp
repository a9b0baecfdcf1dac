// Download throughput of the real download worker (WinINet, the file
// seam, the 10 ms pause after each chunk of 51,200 bytes) from a server
// given by its address, usually a loopback server (see
// run_download_bench.sh). Prints the throughput as a ratio of the design
// limit of 51,200 bytes per 10 ms pause, and the process's CPU time per MB.
//
//   download_bench.exe <url> [rounds]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win/ScopedHandles.h"
#include "platform/win/WinTaskPlatform.h"
#include "tasks/CDownloadFileThread.h"
#include "tasks/CTaskEventHandler.h"
#include "tasks/Task.h"

namespace {

constexpr double kLimitBytesPerSecond = 51200.0 / 0.010;
constexpr double kMegabyte = 1024.0 * 1024.0;

// Counts reports and signals the final one.
class BenchHandler : public CTaskEventHandler {
public:
    void OnTaskStart(Task*, CThread*) override {}
    void OnTaskProgress(Task*, CThread*) override { ++chunks; }
    void OnTaskFinish(Task*, CThread*) override { SetEvent(done.Get()); }
    void OnTaskError(Task*, CThread*) override { SetEvent(done.Get()); }

    ScopedKernelHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    LONG chunks = 0;
};

double ProcessCpuSeconds()
{
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: download_bench.exe <url> [rounds]\n");
        return 2;
    }
    const int rounds = argc >= 3 ? _wtoi(argv[2]) : 3;
    wchar_t tempBase[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, tempBase);
    const std::wstring folder = std::wstring(tempBase) + L"qmx-download-bench";
    CreateDirectoryW(folder.c_str(), nullptr);

    WinHttpClient http;
    WinFileSystem files;
    std::printf("round      bytes  chunks  seconds   MB/s  ratio  CPU ms/MB\n");
    double bestRatio = 0.0;
    for (int round = 1; round <= rounds; ++round) {
        DownTask task;
        task.url = argv[1];
        task.tempName = L"bench.tmp";
        task.fileName = L"bench.bin";
        task.directory = folder;
        task.state.store(TaskState::Started);
        BenchHandler handler;
        CDownloadFileThread worker(&task, &handler, &http, &files);

        const double cpuBefore = ProcessCpuSeconds();
        const double start = Now();
        worker.Start();
        WaitForSingleObject(handler.done.Get(), INFINITE);
        const double seconds = Now() - start;
        worker.Stop();
        const double cpu = ProcessCpuSeconds() - cpuBefore;

        if (task.state.load() != TaskState::Finished) {
            std::fprintf(stderr, "download failed: state %d\n", static_cast<int>(task.state.load()));
            return 1;
        }
        const double bytes = task.downloadedSize.load();
        const double ratio = bytes / seconds / kLimitBytesPerSecond;
        if (ratio > bestRatio)
            bestRatio = ratio;
        std::printf("%5d %10.0f %7ld %8.3f %6.2f %6.3f %10.2f\n", round, bytes, handler.chunks, seconds,
                    bytes / seconds / kMegabyte, ratio, cpu * 1000.0 / (bytes / kMegabyte));
        DeleteFileW((folder + L"\\bench.bin").c_str());
    }
    RemoveDirectoryW(folder.c_str());
    std::printf("best ratio of the limit (51,200 bytes per 10 ms): %.3f (target 0.9)\n", bestRatio);
    return 0;
}
