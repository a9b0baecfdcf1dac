// Threads on CreateThread: each routine runs on a thread of its own, which
// ends when the routine returns. The thread's handle is held by its owner's
// WinThread, which waits on it and closes it.
#include <windows.h>

#include <new>
#include <utility>

#include "platform/Threads.h"
#include "platform/win/ScopedHandles.h"
#include "platform/win/ThreadStack.h"

namespace {

// What the new thread is to run. It belongs to the thread, which frees it
// before the routine starts: the owner may let go of the thread at any time.
struct StartBlock {
    ThreadRoutine routine;
    void* parameter;
};

DWORD WINAPI ThreadProc(void* block)
{
    GuaranteeOverflowStack();
    const StartBlock start = *static_cast<StartBlock*>(block);
    delete static_cast<StartBlock*>(block);
    return start.routine(start.parameter);
}

class WinThread : public IThread {
public:
    WinThread(ScopedKernelHandle handle, DWORD id) : m_handle(std::move(handle)), m_id(id) {}
    void WaitForEnd() override { WaitForSingleObject(m_handle.Get(), INFINITE); }
    uint32_t Id() const override { return m_id; }

private:
    ScopedKernelHandle m_handle;
    DWORD m_id;
};

class WinWakeUp : public IWakeUp {
public:
    explicit WinWakeUp(ScopedKernelHandle event) : m_event(std::move(event)) {}
    void Wake() override { SetEvent(m_event.Get()); }
    void Wait() override { WaitForSingleObject(m_event.Get(), INFINITE); }

private:
    ScopedKernelHandle m_event;
};

class WinThreads : public IThreads {
public:
    std::unique_ptr<IThread> Start(ThreadRoutine routine, void* parameter) override
    {
        auto* block = new (std::nothrow) StartBlock{routine, parameter};
        if (block == nullptr)
            return nullptr;
        DWORD id = 0;
        ScopedKernelHandle thread(CreateThread(nullptr, 0, &ThreadProc, block, 0, &id));
        if (!thread) {
            delete block;
            return nullptr;
        }
        // Where no owner can be made, the handle is closed here and the
        // routine runs on alone.
        return std::unique_ptr<IThread>(new (std::nothrow) WinThread(std::move(thread), id));
    }

    std::unique_ptr<IWakeUp> NewWakeUp() override
    {
        ScopedKernelHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!event)
            return nullptr;
        return std::unique_ptr<IWakeUp>(new (std::nothrow) WinWakeUp(std::move(event)));
    }

    void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

WinThreads g_threads;

}  // namespace

IThreads& SystemThreads()
{
    return g_threads;
}
