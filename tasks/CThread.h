#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/Threads.h"

// The base of every worker: one operating-system thread that runs Run
// again and again, 10 ms apart, until Run returns false or the worker is
// stopped.
//
// Start, Stop and destruction belong to the controlling (window) thread,
// which alone owns the thread: it is released once, by Stop, after it has
// ended. The thread itself never touches it, so no thread
// ever waits on a handle that is being released. `running` is shared and
// atomic.
class CThread {
public:
    CThread() = default;
    // Stops the thread first. A derived worker stops it in its own
    // destructor, before its part of the object is gone.
    virtual ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Starts the thread (one of SystemThreads()) unless this worker already
    // holds one. False when
    // the thread could not be created (the worker then never runs).
    bool Start();

    // Clears `running`, waits for the thread to end and releases it. Does
    // nothing without a thread. Never call it from the worker's own thread.
    void Stop();

    // One pass of work on the worker's thread: true asks for another pass.
    // The base does nothing and asks for more.
    virtual bool Run();

    static uint32_t ThreadProc(void* parameter);

    bool HasThread() const { return thread != nullptr; }
    uint32_t ThreadId() const { return thread ? thread->Id() : 0; }

protected:
    std::atomic<bool> running{true};

private:
    std::unique_ptr<IThread> thread;
};
