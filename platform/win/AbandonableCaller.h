#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

// Makes blocking platform calls on a helper thread of its own, one at a
// time, and waits for each while checking keepGoing every few
// milliseconds. A WinINet call that waits on a silent server cannot be
// interrupted under Wine (closing its handles does not end it, and closing
// them while it waits holds up the end of the process), so the caller
// stops waiting instead and lets the helper finish alone.
class AbandonableCaller {
public:
    AbandonableCaller() = default;
    // Lets the helper go: it ends once its current call, if any, returns.
    ~AbandonableCaller();
    AbandonableCaller(const AbandonableCaller&) = delete;
    AbandonableCaller& operator=(const AbandonableCaller&) = delete;

    enum class End { Done, Stopped, Stalled };

    // Done when work has run to its end. Stopped when keepGoing was found
    // clear first (also before work began, in which case it never runs);
    // Stalled when stallLimitMs (0: no limit) passed without work finishing
    // or, with a progress counter, without the counter changing (work bumps
    // it whenever it gets somewhere). Either way work then goes on alone and
    // finishes whenever its call returns, so it must own, by value or shared
    // ownership, everything it touches. The next call gets a new helper.
    End Run(std::function<void()> work, const std::atomic<bool>& keepGoing, uint32_t stallLimitMs = 0,
            const std::atomic<uint32_t>* progress = nullptr);

    // Runs work on the helper and lets the helper go without waiting: it
    // ends once work has returned. Without a helper to be had, work runs
    // here. Work must own what it touches, as above.
    void Abandon(std::function<void()> work);

private:
    struct Helper;
    bool StartHelper();
    void LetHelperGo();

    std::shared_ptr<Helper> m_helper;
};
