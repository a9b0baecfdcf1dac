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
    if (thread != nullptr)
        return false;
    running.store(true);
    thread = SystemThreads().Start(&CThread::ThreadProc, this);
    return thread != nullptr;
}

void CThread::Stop()
{
    if (thread == nullptr)
        return;
    running.store(false);
    thread->WaitForEnd();
    thread.reset();
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
        SystemThreads().Sleep(kPassPause);
    }
    return 0;
}
