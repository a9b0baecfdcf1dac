// The thread seam on CreateThread, WaitForSingleObject, CloseHandle and
// Sleep.
#include <windows.h>

#include <new>

#include "platform/Threads.h"

namespace threads {
namespace {

// The seam's routine has the default calling convention; a thread routine
// of the system has WINAPI. This carries one across.
struct StartRecord {
    ThreadRoutine routine;
    void* parameter;
};

DWORD WINAPI Trampoline(void* record)
{
    StartRecord start = *static_cast<StartRecord*>(record);
    delete static_cast<StartRecord*>(record);
    return start.routine(start.parameter);
}

}  // namespace

bool Create(ThreadRoutine routine, void* parameter, ThreadHandle& handle, uint32_t& id)
{
    handle = nullptr;
    id = 0;
    auto* record = new (std::nothrow) StartRecord{routine, parameter};
    if (record == nullptr)
        return false;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, &Trampoline, record, 0, &threadId);
    if (thread == nullptr) {
        delete record;
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
