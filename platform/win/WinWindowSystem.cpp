#include "platform/win/WinPlatform.h"

namespace {

HWND H(WindowHandle window)
{
    return static_cast<HWND>(window);
}

}  // namespace

bool WinWindowSystem::IsWindow(WindowHandle window)
{
    return window != nullptr && ::IsWindow(H(window));
}

void WinWindowSystem::InvalidateRect(WindowHandle window, const Rect* rect, bool erase)
{
    if (rect == nullptr) {
        ::InvalidateRect(H(window), nullptr, erase ? TRUE : FALSE);
        return;
    }
    RECT r{rect->left, rect->top, rect->right, rect->bottom};
    ::InvalidateRect(H(window), &r, erase ? TRUE : FALSE);
}

void WinWindowSystem::UpdateWindow(WindowHandle window)
{
    ::UpdateWindow(H(window));
}

bool WinWindowSystem::GetClientRect(WindowHandle window, Rect& rect)
{
    RECT r{};
    if (!::GetClientRect(H(window), &r))
        return false;
    rect = Rect{r.left, r.top, r.right, r.bottom};
    return true;
}

void WinWindowSystem::DestroyWindow(WindowHandle window)
{
    if (window != nullptr)
        ::DestroyWindow(H(window));
}

void WinWindowSystem::Minimize(WindowHandle window)
{
    if (window != nullptr)
        ::ShowWindow(H(window), SW_MINIMIZE);
}

void WinWindowSystem::PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam,
                                  uintptr_t lParam)
{
    ::PostMessageW(H(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

void WinWindowSystem::NotifyAccessible(WindowHandle window, AccessibleEvent event, int32_t child)
{
    DWORD winEvent = EVENT_OBJECT_REORDER;
    switch (event) {
    case AccessibleEvent::NameChange:
        winEvent = EVENT_OBJECT_NAMECHANGE;
        break;
    case AccessibleEvent::ValueChange:
        winEvent = EVENT_OBJECT_VALUECHANGE;
        break;
    case AccessibleEvent::Reorder:
        winEvent = EVENT_OBJECT_REORDER;
        break;
    }
    ::NotifyWinEvent(winEvent, H(window), OBJID_CLIENT, child);
}
