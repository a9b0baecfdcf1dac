#pragma once
#include <cstdint>

#include "platform/Types.h"

// What a screen reader is told changed on the window: an accessible
// child's name, its value, or which children there are.
enum class AccessibleEvent { NameChange, ValueChange, Reorder };

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
    // Tells screen readers that something changed on the window's client
    // area: child 0 is the client area itself, 1 and up its accessible
    // children. Windows without screen-reader support do nothing.
    virtual void NotifyAccessible(WindowHandle /*window*/, AccessibleEvent /*event*/, int32_t /*child*/) {}
};
