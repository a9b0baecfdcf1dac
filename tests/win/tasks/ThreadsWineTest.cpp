// Threads on Windows: a routine runs on a thread other than the caller's,
// two routines at once get two threads, and a thread released early lets
// its routine finish alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>

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

}  // namespace
