// The thread seam on std::thread, for the portable build.
#include <atomic>
#include <chrono>
#include <new>
#include <system_error>
#include <thread>

#include "platform/Threads.h"
#include "platform/native/NativeThreads.h"

namespace threads {
namespace {

std::atomic<SleepHook> g_sleepHook{nullptr};
std::atomic<uint32_t> g_nextId{1};

}  // namespace

bool Create(ThreadRoutine routine, void* parameter, ThreadHandle& handle, uint32_t& id)
{
    handle = nullptr;
    id = 0;
    try {
        auto* thread = new std::thread([routine, parameter] { routine(parameter); });
        handle = thread;
        id = g_nextId.fetch_add(1);
        return true;
    } catch (const std::system_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void WaitForEnd(ThreadHandle handle)
{
    auto* thread = static_cast<std::thread*>(handle);
    if (thread->joinable())
        thread->join();
}

void Close(ThreadHandle handle)
{
    auto* thread = static_cast<std::thread*>(handle);
    // A handle released before its thread was waited for lets it run on.
    if (thread->joinable())
        thread->detach();
    delete thread;
}

void Sleep(uint32_t milliseconds)
{
    if (SleepHook hook = g_sleepHook.load()) {
        hook(milliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SetSleepHook(SleepHook hook)
{
    g_sleepHook.store(hook);
}

}  // namespace threads
