// Download throughput of the real download worker (WinINet, the file
// seam, one chunk of 51,200 bytes per 10 ms) from a server given by its
// address, usually a loopback server (see run_download_bench.sh). Rounds
// alternate between the worker's pacing (chunks start 10 ms apart, start to
// start) and the earlier way (a plain 10 ms pause after each chunk, so the
// read and the write add to it), run through the same worker with a clock
// whose pause is always a plain Sleep(10). Prints, per round and as medians
// per way, the throughput as a ratio of the design limit of 51,200 bytes
// per 10 ms, the shortest time between the starts of two reads, how many
// reads started within 10 ms of the one before, the mean time inside a
// read, and the process's CPU time per MB.
//
//   download_bench.exe <url> [rounds of each way]
//
// Line-rate mode (run_line_rate_bench.sh): one download of url at the
// publisher's rate given (k_comm_rate's value: 0 for the line's speed, or
// "design"), with the SHA-256 given pinned when there is one, through the
// real worker and the system's file trust; prints one line
//   line <rate> <bytes> <seconds> <progress events> <peak working set bytes>
//
//   download_bench.exe line <url> <rate> [sha256]
//
// Hash mode: the system's SHA-256 (the hash object the worker uses for a
// pin) over <MiB> MiB in chunks of 1 MiB from memory, the floor of a pinned
// download at the line's speed; prints
//   hash <bytes> <seconds>
//
//   download_bench.exe hash <MiB>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/tasks/BenchTask.h"
#include "platform/Clock.h"
#include "platform/win/ScopedHandles.h"
#include "platform/win/WinTaskPlatform.h"
#include "tasks/CDownloadFileThread.h"
#include "tasks/CTaskEventHandler.h"
#include "tasks/InstallerPins.h"
#include "tasks/Task.h"
#include "tasks/TransferRate.h"
#include "tests/fakes/ForwardingHttpClient.h"

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

// The start and the length of every read.
struct ReadLog {
    std::vector<double> starts;         // at the entry of each read
    std::vector<uint64_t> workerStarts;  // the worker's own start of each read
    uint64_t lastNowUs = 0;
    double secondsInReads = 0.0;
};

// The system's clock, noting the last time the worker read from it (the
// start of a chunk, when a read follows). With plainPause it pauses the
// earlier way: whatever the worker asks to wait before a chunk, a plain
// Sleep(10), as it used to sleep after each chunk.
class NotingClock : public IClock {
public:
    NotingClock(ReadLog& log, bool plainPause) : m_log(log), m_plainPause(plainPause) {}
    uint64_t NowMs() override { return SystemClock().NowMs(); }
    bool Wait(uint32_t milliseconds, const std::atomic<bool>& keepGoing) override
    {
        return SystemClock().Wait(milliseconds, keepGoing);
    }
    uint64_t NowUs() override { return m_log.lastNowUs = SystemClock().NowUs(); }
    bool WaitUs(uint64_t microseconds, const std::atomic<bool>& keepGoing) override
    {
        return SystemClock().WaitUs(microseconds, keepGoing);
    }
    std::unique_ptr<IFineTimer> FineTimer() override
    {
        if (!m_plainPause)
            return SystemClock().FineTimer();
        return std::make_unique<PlainPause>();
    }

private:
    class PlainPause : public IFineTimer {
    public:
        bool WaitUs(uint64_t, const std::atomic<bool>& keepGoing) override
        {
            Sleep(10);
            return keepGoing.load();
        }
    };

    ReadLog& m_log;
    bool m_plainPause;
};

// Notes the start of every read (by the system's clock and by the worker's
// own last reading) and the time spent inside reads.
class ReadNotes : public ForwardingHttpClient::ReadWatcher {
public:
    explicit ReadNotes(ReadLog& log) : m_log(log) {}
    void ReadStarting() override
    {
        m_start = Now();
        m_log.starts.push_back(m_start);
        m_log.workerStarts.push_back(m_log.lastNowUs);
    }
    void ReadEnded(bool, uint32_t) override { m_log.secondsInReads += Now() - m_start; }

private:
    ReadLog& m_log;
    double m_start = 0.0;
};

struct Round {
    double ratio = 0.0;
    double shortestGapMs = 0.0;
    double shortestWorkerGapMs = 0.0;  // by the worker's own clock readings
    int closeStarts = 0;  // reads that started within 10 ms of the previous one
    double readUs = 0.0;  // mean time inside a read
    double cpuMsPerMb = 0.0;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}


// One download of url through the worker with the clock given.
bool Download(const std::wstring& url, const std::wstring& folder, bool plainPause, Round& round, long& chunks)
{
    ReadLog log;
    NotingClock clock(log, plainPause);
    ReadNotes notes(log);
    WinHttpClient real;
    ForwardingHttpClient http(real, notes);
    WinFileSystem files;
    DownTask task;
    PrepareBenchTask(task, url, folder);
    BenchHandler handler;
    TaskPlatform seams{&http, &files};
    seams.clock = &clock;
    CDownloadFileThread worker(&task, &handler, seams);

    const double cpuBefore = ProcessCpuSeconds();
    const double start = Now();
    worker.Start();
    WaitForSingleObject(handler.done.Get(), INFINITE);
    const double seconds = Now() - start;
    worker.Stop();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    DeleteFileW((folder + L"\\bench.bin").c_str());
    if (task.state.load() != TaskState::Finished) {
        std::fprintf(stderr, "download failed: state %d\n", static_cast<int>(task.state.load()));
        return false;
    }
    const double bytes = task.downloadedSize.load();
    round.ratio = bytes / seconds / kLimitBytesPerSecond;
    round.cpuMsPerMb = cpu * 1000.0 / (bytes / kMegabyte);
    round.shortestGapMs = 1e9;
    round.shortestWorkerGapMs = 1e9;
    for (size_t i = 1; i < log.starts.size(); ++i) {
        round.shortestWorkerGapMs =
            std::min(round.shortestWorkerGapMs, (log.workerStarts[i] - log.workerStarts[i - 1]) / 1000.0);
        const double gapMs = (log.starts[i] - log.starts[i - 1]) * 1000.0;
        round.shortestGapMs = std::min(round.shortestGapMs, gapMs);
        if (gapMs < 10.0)
            ++round.closeStarts;
    }
    round.readUs = log.starts.empty() ? 0.0 : log.secondsInReads * 1e6 / log.starts.size();
    chunks = handler.chunks;
    return true;
}

// One download at a rate, optionally pinned: the line-rate mode.
int LineRate(const std::wstring& url, const std::wstring& rateText, const std::wstring& sha256)
{
    wchar_t tempBase[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, tempBase);
    const std::wstring folder = std::wstring(tempBase) + L"qmx-line-bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    WinHttpClient http;
    WinFileSystem files;
    WinFileTrust trust;
    DownTask task;
    PrepareBenchTask(task, url, folder);
    if (rateText != L"design" && ParseTransferRate(rateText, task.rate) != RateReading::Valid) {
        std::fprintf(stderr, "the rate is no number\n");
        return 2;
    }
    if (!sha256.empty()) {
        if (!ParseSha256Pin(sha256, task.pins.sha256)) {
            std::fprintf(stderr, "the digest is not 64 hexadecimal digits\n");
            return 2;
        }
    }
    BenchHandler handler;
    TaskPlatform seams{&http, &files};
    seams.trust = &trust;
    CDownloadFileThread worker(&task, &handler, seams);
    const double start = Now();
    worker.Start();
    WaitForSingleObject(handler.done.Get(), INFINITE);
    const double seconds = Now() - start;
    worker.Stop();
    DeleteFileW((folder + L"\\bench.bin").c_str());
    RemoveDirectoryW(folder.c_str());
    if (task.state.load() != TaskState::Finished) {
        std::fprintf(stderr, "download failed: state %d\n", static_cast<int>(task.state.load()));
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    std::printf("line %ls %llu %.6f %ld %llu\n", rateText.c_str(),
                static_cast<unsigned long long>(task.downloadedSize.load()), seconds, handler.chunks,
                static_cast<unsigned long long>(memory.PeakWorkingSetSize));
    return 0;
}

// The system's SHA-256 alone: the hash mode.
int HashRate(uint32_t mebibytes)
{
    WinFileTrust trust;
    std::unique_ptr<ISha256> digest = trust.NewSha256();
    if (!digest) {
        std::fprintf(stderr, "no hash object\n");
        return 1;
    }
    const std::vector<uint8_t> chunk(1024 * 1024, 0);
    std::vector<uint8_t> result;
    const double start = Now();
    for (uint32_t i = 0; i < mebibytes; ++i) {
        if (!digest->Add(chunk.data(), chunk.size()))
            return 1;
    }
    if (!digest->Finish(result))
        return 1;
    std::printf("hash %llu %.6f\n", static_cast<unsigned long long>(mebibytes) * chunk.size(), Now() - start);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 4 && std::wstring(argv[1]) == L"line")
        return LineRate(argv[2], argv[3], argc >= 5 ? argv[4] : L"");
    if (argc >= 3 && std::wstring(argv[1]) == L"hash")
        return HashRate(static_cast<uint32_t>(_wtoi(argv[2])));
    if (argc < 2) {
        std::fprintf(stderr, "usage: download_bench.exe <url> [rounds of each way]\n");
        return 2;
    }
    const int rounds = argc >= 3 ? _wtoi(argv[2]) : 5;
    wchar_t tempBase[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, tempBase);
    const std::wstring folder = std::wstring(tempBase) + L"qmx-download-bench";
    CreateDirectoryW(folder.c_str(), nullptr);

    const char* names[2] = {"start to start", "plain pause"};
    std::vector<Round> results[2];
    std::printf("Shortest gap: between the starts of two reads by the worker's clock, and (at) as seen at the read's "
                "entry; starts < 10 ms counts the latter.\n");
    std::printf("round  pacing           chunks  ratio  shortest gap  (at)       starts < 10 ms  read us  CPU ms/MB\n");
    for (int round = 1; round <= rounds; ++round) {
        for (int way = 0; way < 2; ++way) {
            Round r;
            long chunks = 0;
            if (!Download(argv[1], folder, way == 1, r, chunks))
                return 1;
            results[way].push_back(r);
            std::printf("%5d  %-15s %7ld %6.3f %9.3f ms %9.3f ms %15d %8.0f %10.2f\n", round, names[way], chunks,
                        r.ratio, r.shortestWorkerGapMs, r.shortestGapMs, r.closeStarts, r.readUs, r.cpuMsPerMb);
        }
    }
    RemoveDirectoryW(folder.c_str());
    std::printf("\nmedians of %d rounds each, alternating:\n", rounds);
    std::printf("pacing           ratio  shortest gap  (at)       starts < 10 ms  read us  CPU ms/MB\n");
    for (int way = 0; way < 2; ++way) {
        std::vector<double> ratio, workerGap, gap, close, read, cpu;
        for (const Round& r : results[way]) {
            ratio.push_back(r.ratio);
            workerGap.push_back(r.shortestWorkerGapMs);
            gap.push_back(r.shortestGapMs);
            close.push_back(r.closeStarts);
            read.push_back(r.readUs);
            cpu.push_back(r.cpuMsPerMb);
        }
        std::printf("%-15s %6.3f %9.3f ms %9.3f ms %15.0f %8.0f %10.2f\n", names[way], Median(ratio),
                    Median(workerGap), Median(gap), Median(close), Median(read), Median(cpu));
    }
    std::printf("target: the worker's pacing at least 0.970 of the limit (51,200 bytes per 10 ms), no read starting "
                "within 10 ms of the one before\n");
    return 0;
}
