#pragma once
#include <atomic>
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

    // True when work has run to its end. False when keepGoing was found
    // clear first (also before work began, in which case it never runs):
    // work then goes on alone and finishes whenever its call returns, so it
    // must own, by value or shared ownership, everything it touches. The
    // next call gets a new helper.
    bool Run(std::function<void()> work, const std::atomic<bool>& keepGoing);

private:
    struct Helper;
    bool StartHelper();
    void LetHelperGo();

    std::shared_ptr<Helper> m_helper;
};
