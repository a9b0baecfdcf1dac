// The thread seam on Windows: a routine runs on a thread other than the
// caller's, two routines at once get two threads, and a handle closed early
// lets its routine finish alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>

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
    threads::ThreadHandle handle = nullptr;
    uint32_t id = 0;
    EXPECT_TRUE(threads::Create(&Record, &probe, handle, id));
    threads::WaitForEnd(handle);
    threads::Close(handle);
    EXPECT_EQ(id, probe.threadId.load());
    return probe.threadId.load();
}

TEST(Threads, RoutinesAtOnceRunOnThreadsOfTheirOwn)
{
    ScopedKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Probe waiting;
    waiting.release = release.Get();
    threads::ThreadHandle handle = nullptr;
    uint32_t id = 0;
    ASSERT_TRUE(threads::Create(&Record, &waiting, handle, id));
    Probe other;
    const DWORD otherThread = RunToEnd(other);
    EXPECT_NE(otherThread, id);
    EXPECT_NE(otherThread, GetCurrentThreadId());
    SetEvent(release.Get());
    threads::WaitForEnd(handle);
    threads::Close(handle);
    EXPECT_EQ(waiting.threadId.load(), id);
}

TEST(Threads, AHandleClosedEarlyLetsItsRoutineFinishAlone)
{
    ScopedKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ScopedKernelHandle finished(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Probe alone;
    alone.release = release.Get();
    alone.finished = finished.Get();
    threads::ThreadHandle handle = nullptr;
    uint32_t id = 0;
    ASSERT_TRUE(threads::Create(&Record, &alone, handle, id));
    threads::Close(handle);
    SetEvent(release.Get());
    EXPECT_EQ(WaitForSingleObject(finished.Get(), 10000), WAIT_OBJECT_0);
}

}  // namespace
