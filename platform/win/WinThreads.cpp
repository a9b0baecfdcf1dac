// The thread seam on CreateThread, events and Sleep, with one spare thread:
// a thread whose routine has returned waits for the next routine instead of
// ending, and Create hands a routine to it before it makes a new thread.
// The skin's decoding thread thus becomes the download's worker, and the
// download's helper the installer's worker: the launcher never has more
// threads than it runs at once, and a thread's stack (under Wine about 1 MB
// of the working set each, a finished thread's kept until another ends) is
// not paid for twice.
#include <windows.h>

#include <atomic>
#include <new>

#include "platform/Threads.h"

namespace threads {
namespace {

// One routine to run, shared by the thread that runs it and the handle
// Create gave out; the last of the two to let go frees it.
struct Job {
    ThreadRoutine routine;
    void* parameter;
    HANDLE done;  // manual reset: set once the routine has returned
    std::atomic<int> owners{2};
};

void Release(Job* job)
{
    if (job->owners.fetch_sub(1) == 1) {
        CloseHandle(job->done);
        delete job;
    }
}

// The spare thread, when one waits. Its fields are guarded by g_lock; a
// routine handed to it is put in `job` and `wake` is set.
SRWLOCK g_lock = SRWLOCK_INIT;
struct Spare {
    bool waiting;
    DWORD threadId;
    Job* job;
    HANDLE wake;  // auto reset
};
Spare g_spare = {false, 0, nullptr, nullptr};

// Makes the calling thread the spare one, unless another thread is that
// already (this one then ends), or no event could be made for the wait.
bool BecomeSpare()
{
    AcquireSRWLockExclusive(&g_lock);
    const bool spare = !g_spare.waiting && (g_spare.wake != nullptr ||
                                            (g_spare.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr)) != nullptr);
    if (spare) {
        g_spare.waiting = true;
        g_spare.threadId = GetCurrentThreadId();
    }
    ReleaseSRWLockExclusive(&g_lock);
    return spare;
}

// Waits, as the spare thread, for the next routine.
Job* WaitForJob()
{
    for (;;) {
        WaitForSingleObject(g_spare.wake, INFINITE);
        AcquireSRWLockExclusive(&g_lock);
        Job* job = g_spare.job;
        if (job != nullptr) {
            g_spare.job = nullptr;
            g_spare.waiting = false;
            ReleaseSRWLockExclusive(&g_lock);
            return job;
        }
        ReleaseSRWLockExclusive(&g_lock);
    }
}

// Hands job to the spare thread, if one waits; its id goes to id.
bool HandToSpare(Job* job, uint32_t& id)
{
    AcquireSRWLockExclusive(&g_lock);
    const bool handed = g_spare.waiting && g_spare.job == nullptr;
    if (handed) {
        g_spare.job = job;
        id = g_spare.threadId;
        SetEvent(g_spare.wake);
    }
    ReleaseSRWLockExclusive(&g_lock);
    return handed;
}

// The thread becomes the spare one before it says its routine has
// returned, so that a routine started after WaitForEnd always finds it.
DWORD WINAPI ThreadProc(void* first)
{
    for (Job* job = static_cast<Job*>(first); job != nullptr;) {
        job->routine(job->parameter);
        const bool spare = BecomeSpare();
        SetEvent(job->done);
        Release(job);
        job = spare ? WaitForJob() : nullptr;
    }
    return 0;
}

}  // namespace

bool Create(ThreadRoutine routine, void* parameter, ThreadHandle& handle, uint32_t& id)
{
    handle = nullptr;
    id = 0;
    auto* job = new (std::nothrow) Job{routine, parameter, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    if (job == nullptr)
        return false;
    if (job->done == nullptr) {
        delete job;
        return false;
    }
    if (!HandToSpare(job, id)) {
        DWORD threadId = 0;
        HANDLE thread = CreateThread(nullptr, 0, &ThreadProc, job, 0, &threadId);
        if (thread == nullptr) {
            CloseHandle(job->done);
            delete job;
            return false;
        }
        CloseHandle(thread);
        id = threadId;
    }
    handle = job;
    return true;
}

void WaitForEnd(ThreadHandle handle)
{
    WaitForSingleObject(static_cast<Job*>(handle)->done, INFINITE);
}

void Close(ThreadHandle handle)
{
    Release(static_cast<Job*>(handle));
}

void Sleep(uint32_t milliseconds)
{
    ::Sleep(milliseconds);
}

}  // namespace threads
