// Threads on Windows: a routine runs on a thread other than the caller's,
// two routines at once get two threads, and a thread released early lets
// its routine finish alone. And the clock's fine timers, one per thread.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "platform/Clock.h"
#include "platform/Threads.h"
#include "platform/win/ScopedHandles.h"

namespace {

struct Probe {
    std::atomic<DWORD> threadId{0};
    HANDLE release = nullptr;  // when set, the routine waits for it first
    HANDLE finished = nullptr;  // when set, the routine sets it last
};

uint32_t Record(void* parameter)
{
    auto* probe = static_cast<Probe*>(parameter);
    probe->threadId.store(GetCurrentThreadId());
    if (probe->release != nullptr)
        WaitForSingleObject(probe->release, INFINITE);
    if (probe->finished != nullptr)
        SetEvent(probe->finished);
    return 0;
}

DWORD RunToEnd(Probe& probe)
{
    std::unique_ptr<IThread> thread = SystemThreads().Start(&Record, &probe);
    EXPECT_TRUE(thread);
    if (!thread)
        return 0;
    thread->WaitForEnd();
    EXPECT_EQ(thread->Id(), probe.threadId.load());
    return probe.threadId.load();
}

TEST(Threads, RoutinesAtOnceRunOnThreadsOfTheirOwn)
{
    ScopedKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Probe waiting;
    waiting.release = release.Get();
    std::unique_ptr<IThread> thread = SystemThreads().Start(&Record, &waiting);
    ASSERT_TRUE(thread);
    Probe other;
    const DWORD otherThread = RunToEnd(other);
    EXPECT_NE(otherThread, thread->Id());
    EXPECT_NE(otherThread, GetCurrentThreadId());
    SetEvent(release.Get());
    thread->WaitForEnd();
    EXPECT_EQ(waiting.threadId.load(), thread->Id());
}

TEST(Threads, AHandleClosedEarlyLetsItsRoutineFinishAlone)
{
    ScopedKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ScopedKernelHandle finished(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Probe alone;
    alone.release = release.Get();
    alone.finished = finished.Get();
    std::unique_ptr<IThread> thread = SystemThreads().Start(&Record, &alone);
    ASSERT_TRUE(thread);
    thread.reset();
    SetEvent(release.Get());
    EXPECT_EQ(WaitForSingleObject(finished.Get(), 10000), WAIT_OBJECT_0);
}

// Two workers' fine timers at once, on two threads: the first given back
// while the second waits, the second's pauses still end within a few
// milliseconds of their end. (Under Wine the ordinary pause is already that
// fine, so neither makes a timer object or raises the system's resolution:
// what each owns is shown through the clock seam in the native tests.)
struct FineProbe {
    HANDLE made = nullptr;     // set once the thread has its timer
    HANDLE release = nullptr;  // the thread waits for it before pausing
    std::atomic<uint64_t> shortestUs{0};
    std::atomic<uint64_t> medianUs{0};
};

uint32_t WaitFinely(void* parameter)
{
    auto* probe = static_cast<FineProbe*>(parameter);
    std::unique_ptr<IFineTimer> timer = SystemClock().FineTimer();
    SetEvent(probe->made);
    WaitForSingleObject(probe->release, INFINITE);
    std::atomic<bool> keepGoing{true};
    std::vector<uint64_t> took;
    for (int i = 0; i < 21; ++i) {
        const uint64_t start = SystemClock().NowUs();
        timer->WaitUs(2000, keepGoing);
        took.push_back(SystemClock().NowUs() - start);
    }
    // The median: a busy machine may hold up a pause now and then, a
    // coarse timer holds up every one.
    std::sort(took.begin(), took.end());
    probe->shortestUs.store(took.front());
    probe->medianUs.store(took[took.size() / 2]);
    return 0;
}

TEST(FineTimers, OneGivenBackLeavesTheOtherFine)
{
    ScopedKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ScopedKernelHandle made(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    FineProbe second;
    second.release = release.Get();
    second.made = made.Get();
    std::unique_ptr<IFineTimer> first = SystemClock().FineTimer();
    std::unique_ptr<IThread> thread = SystemThreads().Start(&WaitFinely, &second);
    ASSERT_TRUE(thread);
    ASSERT_EQ(WaitForSingleObject(made.Get(), 10000), WAIT_OBJECT_0);
    first.reset();
    SetEvent(release.Get());
    thread->WaitForEnd();
    EXPECT_GE(second.shortestUs.load(), 2000u);
    EXPECT_LT(second.medianUs.load(), 8000u) << "pauses of 2 ms ended on a coarse tick";
}

}  // namespace
