#pragma once
#include <cstdint>

#include "platform/WindowSystem.h"

// A window system with one window that exists only off screen: Window()
// names it, it is always a window, and its client rectangle is
// (0, 0, width, height). Requests to repaint, destroy, minimise or post are
// ignored, since whoever uses it draws into off-screen bitmaps itself. The
// paint benchmark and the screenshot program build the launcher's own
// screen layout for it.
class OffscreenWindowSystem : public IWindowSystem {
public:
    OffscreenWindowSystem(int32_t width, int32_t height);

    // The one window's handle: never null, never a real window's.
    WindowHandle Window();

    bool IsWindow(WindowHandle window) override;
    void InvalidateRect(WindowHandle window, const Rect* rect, bool erase) override;
    void UpdateWindow(WindowHandle window) override;
    bool GetClientRect(WindowHandle window, Rect& rect) override;
    void DestroyWindow(WindowHandle window) override;
    void Minimize(WindowHandle window) override;
    void PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, uintptr_t lParam) override;

private:
    Rect m_client;
};
