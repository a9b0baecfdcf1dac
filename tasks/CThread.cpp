#include "tasks/CThread.h"

namespace {
constexpr uint32_t kPassPause = 10;
}

CThread::~CThread()
{
    Stop();
}

bool CThread::Start()
{
    if (threadHandle != nullptr)
        return false;
    running.store(true);
    threads::ThreadHandle handle = nullptr;
    uint32_t id = 0;
    if (!threads::Create(&CThread::ThreadProc, this, handle, id))
        return false;
    threadHandle = handle;
    threadId = id;
    return true;
}

void CThread::Stop()
{
    if (threadHandle == nullptr)
        return;
    running.store(false);
    threads::WaitForEnd(threadHandle);
    threads::Close(threadHandle);
    threadHandle = nullptr;
    threadId = 0;
}

bool CThread::Run()
{
    return true;
}

uint32_t CThread::ThreadProc(void* parameter)
{
    auto* self = static_cast<CThread*>(parameter);
    while (self->running.load()) {
        if (!self->Run())
            break;
        threads::Sleep(kPassPause);
    }
    return 0;
}
