#include "platform/win/AbandonableCaller.h"

#include <windows.h>

#include "platform/Threads.h"
#include "platform/win/ScopedHandles.h"

namespace {
constexpr DWORD kPollInterval = 10;
}

// Shared by the caller and the helper thread; the last of the two to let
// go frees it. `work` is written by the caller before `wake` and taken by
// the helper after it, so the two never touch it at once.
struct AbandonableCaller::Helper {
    ScopedKernelHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    ScopedKernelHandle done{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::function<void()> work;
    std::atomic<bool> quit{false};

    static uint32_t Proc(void* parameter)
    {
        std::unique_ptr<std::shared_ptr<Helper>> self(static_cast<std::shared_ptr<Helper>*>(parameter));
        Helper& helper = **self;
        for (;;) {
            WaitForSingleObject(helper.wake.Get(), INFINITE);
            // A job handed over with the quit (Abandon) still runs.
            std::function<void()> job = std::move(helper.work);
            helper.work = nullptr;
            if (job) {
                job();
                job = nullptr;
                SetEvent(helper.done.Get());
            }
            if (helper.quit.load())
                return 0;
        }
    }
};

AbandonableCaller::~AbandonableCaller()
{
    LetHelperGo();
}

bool AbandonableCaller::StartHelper()
{
    auto helper = std::make_shared<Helper>();
    if (!helper->wake || !helper->done)
        return false;
    auto* threadRef = new std::shared_ptr<Helper>(helper);
    // The helper goes on alone once its thread is released here; it is let
    // go through `quit`.
    if (!SystemThreads().Start(&Helper::Proc, threadRef)) {
        delete threadRef;
        return false;
    }
    m_helper = std::move(helper);
    return true;
}

void AbandonableCaller::LetHelperGo()
{
    if (!m_helper)
        return;
    m_helper->quit.store(true);
    SetEvent(m_helper->wake.Get());
    m_helper.reset();
}

void AbandonableCaller::Abandon(std::function<void()> work)
{
    if (!m_helper && !StartHelper()) {
        work();
        return;
    }
    m_helper->work = std::move(work);
    LetHelperGo();
}

AbandonableCaller::End AbandonableCaller::Run(std::function<void()> work, const std::atomic<bool>& keepGoing,
                                              uint32_t stallLimitMs, const std::atomic<uint32_t>* progress)
{
    if (!keepGoing.load())
        return End::Stopped;
    if (!m_helper && !StartHelper()) {
        // No thread to spare: make the call here, uninterruptible.
        work();
        return End::Done;
    }
    m_helper->work = std::move(work);
    SetEvent(m_helper->wake.Get());
    uint64_t lastHeadway = GetTickCount64();
    uint32_t seen = progress != nullptr ? progress->load() : 0;
    while (WaitForSingleObject(m_helper->done.Get(), kPollInterval) == WAIT_TIMEOUT) {
        if (!keepGoing.load()) {
            LetHelperGo();
            return End::Stopped;
        }
        if (stallLimitMs == 0)
            continue;
        const uint64_t now = GetTickCount64();
        if (progress != nullptr && progress->load() != seen) {
            seen = progress->load();
            lastHeadway = now;
        } else if (now - lastHeadway >= stallLimitMs) {
            LetHelperGo();
            return End::Stalled;
        }
    }
    return End::Done;
}
