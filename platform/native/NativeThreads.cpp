// Threads on std::thread, for the portable build.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "platform/Threads.h"
#include "platform/native/NativeThreads.h"

namespace {

std::atomic<threads::SleepHook> g_sleepHook{nullptr};
std::atomic<uint32_t> g_nextId{1};

class NativeThread : public IThread {
public:
    NativeThread() : m_id(g_nextId.fetch_add(1)) {}
    // Throws std::system_error when no thread can be had.
    void Begin(ThreadRoutine routine, void* parameter)
    {
        m_thread = std::thread([routine, parameter] { routine(parameter); });
    }
    // A thread let go before it was waited for runs on alone.
    ~NativeThread() override
    {
        if (m_thread.joinable())
            m_thread.detach();
    }
    void WaitForEnd() override
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    uint32_t Id() const override { return m_id; }

private:
    std::thread m_thread;
    uint32_t m_id;
};

class NativeWakeUp : public IWakeUp {
public:
    void Wake() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_set = true;
        m_changed.notify_one();
    }
    void Wait() override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_set; });
        m_set = false;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_set = false;
};

class NativeThreads : public IThreads {
public:
    std::unique_ptr<IThread> Start(ThreadRoutine routine, void* parameter) override
    {
        std::unique_ptr<NativeThread> thread(new (std::nothrow) NativeThread());
        if (!thread)
            return nullptr;
        try {
            thread->Begin(routine, parameter);
        } catch (const std::system_error&) {
            return nullptr;
        }
        return thread;
    }

    std::unique_ptr<IWakeUp> NewWakeUp() override { return std::unique_ptr<IWakeUp>(new (std::nothrow) NativeWakeUp()); }

    void Sleep(uint32_t milliseconds) override
    {
        if (threads::SleepHook hook = g_sleepHook.load()) {
            hook(milliseconds);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

}  // namespace

IThreads& SystemThreads()
{
    static NativeThreads threads;
    return threads;
}

namespace threads {

void SetSleepHook(SleepHook hook)
{
    g_sleepHook.store(hook);
}

}  // namespace threads
