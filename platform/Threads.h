#pragma once
#include <cstdint>
#include <memory>

// Operating-system threads for the workers: the Windows build runs them on
// CreateThread, the portable build on std::thread.

using ThreadRoutine = uint32_t (*)(void* parameter);

// One running (or finished) thread, owned by whoever started it.
class IThread {
public:
    // Releases the thread, also while its routine still runs (it then goes
    // on alone). Never while another thread waits on it.
    virtual ~IThread() = default;

    // Waits without time limit until the routine has returned.
    virtual void WaitForEnd() = 0;

    virtual uint32_t Id() const = 0;
};

// One thread waits until another wakes it (an auto-reset event on
// Windows): each Wake lets one Wait return, and a Wake while no one waits is
// kept for the next Wait. What the waker wrote before Wake, the waiter sees
// after Wait.
class IWakeUp {
public:
    virtual ~IWakeUp() = default;
    virtual void Wake() = 0;
    virtual void Wait() = 0;
};

class IThreads {
public:
    virtual ~IThreads() = default;

    // Runs routine(parameter) at once on a new thread of its own; null when
    // no thread could be had.
    virtual std::unique_ptr<IThread> Start(ThreadRoutine routine, void* parameter) = 0;

    // A new wake-up; null when the system gives none.
    virtual std::unique_ptr<IWakeUp> NewWakeUp() = 0;

    // Pauses the calling thread.
    virtual void Sleep(uint32_t milliseconds) = 0;
};

// The platform's threads (bound at link time, like the clock).
IThreads& SystemThreads();
