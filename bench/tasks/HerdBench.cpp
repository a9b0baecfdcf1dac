// The herd benchmark: 100,000 downloads in flight fail at the same instant
// (a server that dropped all its connections), and the server answers
// again 20 s later. Each download pauses before each retry by the worker's
// own rule (SpreadPause); a retry before the server is back fails at once
// and leads to the next pause. Prints, for the schedule without spreading
// (every pause the scheduled one) and with it (draws from a fixed-seed
// generator, so that runs compare), the largest number of retry requests
// in any 100 ms window (sliding by 1 ms), the earliest retry and the time
// until every download has resumed, with the two targets: the busiest
// window at most a tenth of the downloads, all resumed within 1.25 times
// the schedule's time. Then the time until all have resumed for other
// outages, schedule and spread side by side.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "tasks/RetryPause.h"

namespace {

constexpr uint32_t kDownloads = 100000;
constexpr uint64_t kServerBackMs = 20000;
constexpr uint64_t kWindowMs = 100;

struct Result {
    uint64_t busiestWindow = 0;     // requests in the busiest 100 ms window
    uint64_t busiestStartMs = 0;    // where that window starts
    uint64_t earliestMs = UINT64_MAX;  // the earliest retry request
    uint64_t allResumedMs = 0;      // when the last download resumed
    uint64_t requests = 0;          // retry requests in all
    uint64_t failedForGood = 0;     // downloads that ran out of retries
};

Result Simulate(const std::function<uint32_t()>& draw, uint64_t serverBackMs)
{
    const download::Timings timings;
    std::vector<uint32_t> perMs;
    Result result;
    for (uint32_t i = 0; i < kDownloads; ++i) {
        uint64_t now = 0;
        bool resumed = false;
        for (uint32_t k = 1; k <= download::kMaxRetries && !resumed; ++k) {
            now += download::SpreadPause(timings, k, false, 0, draw());
            if (perMs.size() <= now)
                perMs.resize(now + 1, 0);
            ++perMs[now];
            ++result.requests;
            result.earliestMs = std::min(result.earliestMs, now);
            resumed = now >= serverBackMs;
        }
        if (resumed)
            result.allResumedMs = std::max(result.allResumedMs, now);
        else
            ++result.failedForGood;
    }
    uint64_t inWindow = 0;
    for (size_t ms = 0; ms < perMs.size(); ++ms) {
        inWindow += perMs[ms];
        if (ms >= kWindowMs)
            inWindow -= perMs[ms - kWindowMs];
        if (inWindow > result.busiestWindow) {
            result.busiestWindow = inWindow;
            result.busiestStartMs = ms + 1 > kWindowMs ? ms + 1 - kWindowMs : 0;
        }
    }
    return result;
}

void Print(const char* name, const Result& r)
{
    std::printf("%-10s %10llu %8.2f%% %9.3f s %9.3f s %14.3f s %9llu %7llu\n", name,
                static_cast<unsigned long long>(r.busiestWindow), 100.0 * r.busiestWindow / kDownloads,
                r.busiestStartMs / 1000.0, r.earliestMs / 1000.0, r.allResumedMs / 1000.0,
                static_cast<unsigned long long>(r.requests), static_cast<unsigned long long>(r.failedForGood));
}

// The lowest draw: each pause its scheduled length.
uint32_t Lowest()
{
    return 0u;
}

}  // namespace

int main()
{
    const Result plain = Simulate(Lowest, kServerBackMs);
    std::mt19937 generator(19);
    const auto drawn = [&] { return static_cast<uint32_t>(generator()); };
    const Result spread = Simulate(drawn, kServerBackMs);

    std::printf("%u downloads fail at 0 s; the server answers again from %.0f s\n", kDownloads,
                kServerBackMs / 1000.0);
    std::printf("%-10s %10s %9s %11s %11s %16s %9s %7s\n", "pauses", "busiest", "of all", "window at", "earliest",
                "all resumed at", "requests", "failed");
    Print("schedule", plain);
    Print("spread", spread);
    std::printf("busiest window, spread/schedule: %.3f; all resumed, spread/schedule: %.3f\n",
                static_cast<double>(spread.busiestWindow) / plain.busiestWindow,
                static_cast<double>(spread.allResumedMs) / plain.allResumedMs);
    std::printf("targets: busiest window at most %u (a tenth): %s; all resumed within 1.25 x: %s; "
                "no retry before the first pause (%.3f s): %s\n",
                kDownloads / 10, spread.busiestWindow <= kDownloads / 10 ? "met" : "NOT met",
                spread.allResumedMs * 4 <= plain.allResumedMs * 5 ? "met" : "NOT met",
                download::Timings().pausesMs[0] / 1000.0,
                spread.earliestMs >= download::Timings().pausesMs[0] ? "met" : "NOT met");

    std::printf("\nother outages: all resumed at (schedule, spread, spread/schedule)\n");
    for (const uint64_t backMs : {1000u, 2000u, 2001u, 5000u, 6001u, 10000u, 14001u, 25000u, 30001u, 45000u}) {
        const Result a = Simulate(Lowest, backMs);
        const Result b = Simulate(drawn, backMs);
        std::printf("server back at %6.3f s: %7.3f s %7.3f s  %.3f\n", backMs / 1000.0, a.allResumedMs / 1000.0,
                    b.allResumedMs / 1000.0, static_cast<double>(b.allResumedMs) / a.allResumedMs);
    }
    return 0;
}
