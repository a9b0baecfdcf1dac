#include "app/AppTaskEventPoster.h"

#include "app/LauncherApp.h"
#include "platform/WindowSystem.h"
#include "tasks/Task.h"

void AppTaskEventPoster::PostTaskEvent(uintptr_t wParam, uintptr_t lParam)
{
    m_windows->PostMessage(m_app.Window(), WM_TASK_EVENT, wParam, lParam);
}
