#pragma once
#include <cstdint>

#include "platform/Types.h"

// What the program asks of the window system for its main window.
class IWindowSystem {
public:
    virtual ~IWindowSystem() = default;

    // Whether the handle still names a window.
    virtual bool IsWindow(WindowHandle window) = 0;
    // Asks for a repaint of rect (the whole client area when rect is null),
    // erasing the background first when erase is true.
    virtual void InvalidateRect(WindowHandle window, const Rect* rect, bool erase) = 0;
    // Paints the invalid area at once.
    virtual void UpdateWindow(WindowHandle window) = 0;
    // The client rectangle; false when the window is gone.
    virtual bool GetClientRect(WindowHandle window, Rect& rect) = 0;
    virtual void DestroyWindow(WindowHandle window) = 0;
    virtual void Minimize(WindowHandle window) = 0;
    // Posts a message to the window's queue (to no window when null).
    virtual void PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam,
                             uintptr_t lParam) = 0;
};
