// Recovery of the real download worker (WinINet, the file seam, the
// product's pauses before each retry) from a server that resets the
// connection part-way, against a clean download of the same file (see
// run_recovery_bench.sh). Prints, per run, the wall time, the time spent in
// the pauses before retries, the bytes the worker received from the network
// and the bytes the server sent, each beyond the file's size, and whether
// the targets are met: the file complete, at most one chunk of 51,200 bytes
// fetched twice per reset, and a wall time within the clean one plus the
// pauses plus 10%.
//
//   recovery_bench.exe <clean-url> <resetting-url> <resets> [stats-url]
//
// stats-url is the resetting server's count of body bytes sent (see
// RecoveryServer.py); -1 stands for a count not taken.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/tasks/BenchTask.h"
#include "platform/HttpClient.h"
#include "platform/win/ScopedHandles.h"
#include "platform/win/WinTaskPlatform.h"
#include "tasks/CDownloadFileThread.h"
#include "tasks/CTaskEventHandler.h"
#include "tasks/Task.h"
#include "tests/fakes/ForwardingHttpClient.h"

namespace {

// Counts the body bytes the worker receives, over every request.
class ReceivedBytes : public ForwardingHttpClient::ReadWatcher {
public:
    void ReadEnded(bool, uint32_t read) override { received += read; }
    uint64_t received = 0;
};

// Signals the final report and adds up the time the task spends Retrying.
class BenchHandler : public CTaskEventHandler {
public:
    void OnTaskStart(Task* task, CThread*) override { Track(task); }
    void OnTaskProgress(Task* task, CThread*) override { Track(task); }
    void OnTaskFinish(Task* task, CThread*) override { Final(task); }
    void OnTaskError(Task* task, CThread*) override { Final(task); }

    ScopedKernelHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    double pauseSeconds = 0.0;
    int pauses = 0;

private:
    void Track(Task* task)
    {
        const bool retrying = task->state.load() == TaskState::Retrying;
        if (retrying && m_pauseStart < 0.0) {
            m_pauseStart = Now();
            ++pauses;
        } else if (!retrying && m_pauseStart >= 0.0) {
            pauseSeconds += Now() - m_pauseStart;
            m_pauseStart = -1.0;
        }
    }
    void Final(Task* task)
    {
        Track(task);
        SetEvent(done.Get());
    }
    double m_pauseStart = -1.0;
};

struct Run {
    bool finished = false;
    uint32_t size = 0;
    double seconds = 0.0;
    double pauseSeconds = 0.0;
    int pauses = 0;
    uint64_t received = 0;
};

Run Download(const std::wstring& url, const std::wstring& folder)
{
    WinHttpClient real;
    ReceivedBytes counter;
    ForwardingHttpClient http(real, counter);
    WinFileSystem files;
    DownTask task;
    PrepareBenchTask(task, url, folder);
    BenchHandler handler;
    CDownloadFileThread worker(&task, &handler, TaskPlatform{&http, &files});

    Run run;
    const double start = Now();
    worker.Start();
    WaitForSingleObject(handler.done.Get(), INFINITE);
    run.seconds = Now() - start;
    worker.Stop();
    run.finished = task.state.load() == TaskState::Finished;
    run.size = task.totalSize.load();
    run.pauseSeconds = handler.pauseSeconds;
    run.pauses = handler.pauses;
    run.received = counter.received;
    DeleteFileW((folder + L"\\bench.bin").c_str());
    return run;
}

// The body bytes the benchmark server sent since it was last asked.
long long ServerBytesSent(const std::wstring& statsUrl)
{
    if (statsUrl.empty())
        return -1;
    WinHttpClient http;
    uint32_t error = 0;
    auto session = http.OpenSession(L"recovery_bench", error);
    std::atomic<bool> keepGoing{true};
    auto request = session ? session->OpenUrl(statsUrl, L"", error, keepGoing, 10000) : nullptr;
    if (!request)
        return -1;
    char text[32] = {};
    uint32_t read = 0;
    if (!request->Read(text, sizeof(text) - 1, read, error, keepGoing, 10000))
        return -1;
    return std::atoll(text);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: recovery_bench.exe <clean-url> <resetting-url> <resets> [stats-url]\n");
        return 2;
    }
    const int resets = _wtoi(argv[3]);
    const std::wstring stats = argc >= 5 ? argv[4] : L"";
    wchar_t tempBase[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, tempBase);
    const std::wstring folder = std::wstring(tempBase) + L"qmx-recovery-bench";
    CreateDirectoryW(folder.c_str(), nullptr);

    const Run clean = Download(argv[1], folder);
    const long long cleanSent = -1;  // another server: not counted
    ServerBytesSent(stats);
    const Run broken = Download(argv[2], folder);
    const long long brokenSent = ServerBytesSent(stats);
    RemoveDirectoryW(folder.c_str());

    std::printf("run          complete    bytes  seconds  pauses (s)  received beyond size  sent beyond size\n");
    auto print = [](const char* name, const Run& run, long long sent) {
        std::printf("%-12s %8s %8u %8.2f %3d (%6.2f) %21lld %17lld\n", name, run.finished ? "yes" : "NO", run.size,
                    run.seconds, run.pauses, run.pauseSeconds,
                    static_cast<long long>(run.received) - static_cast<long long>(run.size),
                    sent < 0 ? -1 : sent - static_cast<long long>(run.size));
    };
    print("clean", clean, cleanSent);
    print("resetting", broken, brokenSent);

    const double allowed = clean.seconds + broken.pauseSeconds + 0.1 * clean.seconds;
    const long long beyond = static_cast<long long>(broken.received) - static_cast<long long>(broken.size);
    const bool complete = clean.finished && broken.finished;
    const bool fetchedOnce = beyond <= 51200LL * resets;
    const bool inTime = broken.seconds <= allowed;
    std::printf("resets: %d; pauses: %d\n", resets, broken.pauses);
    std::printf("complete: %s\n", complete ? "yes" : "NO");
    std::printf("bytes received twice: %lld, at most %lld allowed: %s\n", beyond, 51200LL * resets,
                fetchedOnce ? "yes" : "NO");
    std::printf("wall time %.2f s, at most clean %.2f + pauses %.2f + 10%% of clean = %.2f s: %s\n", broken.seconds,
                clean.seconds, broken.pauseSeconds, allowed, inTime ? "yes" : "NO");
    return complete && fetchedOnce && inTime ? 0 : 1;
}
