#include "platform/win/AbandonableCall.h"

#include <windows.h>

#include <memory>

#include "platform/win/ScopedHandles.h"

namespace {

constexpr DWORD kPollInterval = 10;

// Shared by the caller and the thread that runs the work; the last of the
// two to let go frees it.
struct PendingCall {
    std::function<void()> work;
    ScopedKernelHandle done;
};

DWORD WINAPI CallProc(void* parameter)
{
    std::unique_ptr<std::shared_ptr<PendingCall>> call(static_cast<std::shared_ptr<PendingCall>*>(parameter));
    (*call)->work();
    SetEvent((*call)->done.Get());
    return 0;
}

}  // namespace

bool RunAbandonable(std::function<void()> work, const std::atomic<bool>& keepGoing)
{
    if (!keepGoing.load())
        return false;
    auto call = std::make_shared<PendingCall>();
    call->work = std::move(work);
    call->done.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto* threadRef = new std::shared_ptr<PendingCall>(call);
    ScopedKernelHandle thread(call->done ? CreateThread(nullptr, 0, &CallProc, threadRef, 0, nullptr) : nullptr);
    if (!thread) {
        // No thread to spare: make the call here, uninterruptible.
        delete threadRef;
        call->work();
        return true;
    }
    while (WaitForSingleObject(call->done.Get(), kPollInterval) == WAIT_TIMEOUT) {
        if (!keepGoing.load())
            return false;
    }
    return true;
}
