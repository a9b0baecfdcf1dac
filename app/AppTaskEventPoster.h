#pragma once
#include "tasks/TaskEventPoster.h"

class LauncherApp;
class IWindowSystem;

// Turns the task manager's reports into WM_TASK_EVENT messages for the main
// window, reached through the application's window-handle accessor. Called
// from worker threads.
class AppTaskEventPoster : public ITaskEventPoster {
public:
    AppTaskEventPoster(LauncherApp& app, IWindowSystem* windows) : m_app(app), m_windows(windows) {}
    void PostTaskEvent(uintptr_t wParam, uintptr_t lParam) override;

private:
    LauncherApp& m_app;
    IWindowSystem* m_windows;
};
