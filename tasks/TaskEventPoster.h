#pragma once
#include <cstdint>

// Where the task manager sends its reports: the application posts each as
// WM_TASK_EVENT to its main window. Called from worker threads for the
// workers' reports and from the main thread for the "nothing left" event.
class ITaskEventPoster {
public:
    virtual ~ITaskEventPoster() = default;
    virtual void PostTaskEvent(uintptr_t wParam, uintptr_t lParam) = 0;
};
