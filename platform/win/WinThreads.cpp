// The thread seam on CreateThread: each routine runs on a thread of its
// own, which ends when the routine returns. The handle given out is the
// thread's own handle; its holder waits on it and closes it.
#include <windows.h>

#include <new>

#include "platform/Threads.h"

namespace threads {
namespace {

// What the new thread is to run. It belongs to the thread, which frees it
// before the routine starts: the handle may be closed at any time.
struct StartBlock {
    ThreadRoutine routine;
    void* parameter;
};

DWORD WINAPI ThreadProc(void* block)
{
    const StartBlock start = *static_cast<StartBlock*>(block);
    delete static_cast<StartBlock*>(block);
    return start.routine(start.parameter);
}

}  // namespace

bool Create(ThreadRoutine routine, void* parameter, ThreadHandle& handle, uint32_t& id)
{
    handle = nullptr;
    id = 0;
    auto* block = new (std::nothrow) StartBlock{routine, parameter};
    if (block == nullptr)
        return false;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, &ThreadProc, block, 0, &threadId);
    if (thread == nullptr) {
        delete block;
        return false;
    }
    handle = thread;
    id = threadId;
    return true;
}

void WaitForEnd(ThreadHandle handle)
{
    WaitForSingleObject(static_cast<HANDLE>(handle), INFINITE);
}

void Close(ThreadHandle handle)
{
    CloseHandle(static_cast<HANDLE>(handle));
}

void Sleep(uint32_t milliseconds)
{
    ::Sleep(milliseconds);
}

}  // namespace threads
