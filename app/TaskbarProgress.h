#pragma once
// What the taskbar button shows of the road: a moving bar while the
// download connects and while the installer runs, the download's progress,
// the failed state after a failure, nothing once the road is done. The
// state is kept, so that a taskbar button that appears later (the shell
// makes it after the window shows, and anew when it restarts) shows it too.
#include <cstdint>

#include "platform/TaskbarButton.h"

class TaskbarProgress {
public:
    // Attaches button (not owned; null where there is none) to window and
    // shows the current state on it.
    void Connect(ITaskbarButton* button, WindowHandle window);

    void Connecting();
    // A download's progress; without a known total, a moving bar.
    void Progress(uint64_t done, uint64_t total);
    void Working();
    // The failed state, at the progress shown last; at a full bar when none
    // was shown (a failed state without a value would not show at all).
    void Failed();
    void Finished();

    TaskbarState State() const { return m_state; }
    uint64_t Done() const { return m_done; }
    uint64_t Total() const { return m_total; }

private:
    void Show();

    ITaskbarButton* m_button = nullptr;  // not owned; null until attached
    TaskbarState m_state = TaskbarState::None;
    uint64_t m_done = 0;
    uint64_t m_total = 0;
};
