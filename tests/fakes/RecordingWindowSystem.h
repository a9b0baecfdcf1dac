#pragma once
// A window system for native tests: a set of handles that count as live
// windows, and a record of every repaint request.
#include <set>
#include <vector>

#include "platform/WindowSystem.h"

class RecordingWindowSystem : public IWindowSystem {
public:
    struct Repaint {
        WindowHandle window = nullptr;
        bool whole = false;  // no rectangle: the whole client area
        Rect rect;
        bool erase = false;
    };

    std::set<WindowHandle> live;
    std::vector<Repaint> repaints;

    bool IsWindow(WindowHandle window) override { return live.count(window) != 0; }
    void InvalidateRect(WindowHandle window, const Rect* rect, bool erase) override
    {
        Repaint r;
        r.window = window;
        r.whole = rect == nullptr;
        if (rect != nullptr)
            r.rect = *rect;
        r.erase = erase;
        repaints.push_back(r);
    }
    void UpdateWindow(WindowHandle) override {}
    bool GetClientRect(WindowHandle window, Rect& rect) override
    {
        if (!IsWindow(window))
            return false;
        rect = client;
        return true;
    }
    void DestroyWindow(WindowHandle window) override { live.erase(window); }
    void Minimize(WindowHandle) override {}
    void PostMessage(WindowHandle, uint32_t, uintptr_t, uintptr_t) override {}

    Rect client{0, 0, 630, 453};
};
