#pragma once
// The Windows side of the application's own seams and its main window.
#include <windows.h>

#include "platform/Shell.h"
#include "platform/WindowSystem.h"

class LauncherApp;

class WinWindowSystem : public IWindowSystem {
public:
    bool IsWindow(WindowHandle window) override;
    void InvalidateRect(WindowHandle window, const Rect* rect, bool erase) override;
    void UpdateWindow(WindowHandle window) override;
    bool GetClientRect(WindowHandle window, Rect& rect) override;
    void DestroyWindow(WindowHandle window) override;
    void Minimize(WindowHandle window) override;
    void PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam,
                     uintptr_t lParam) override;
};

class WinShell : public IShell {
public:
    intptr_t Open(const std::wstring& path) override;
};

// The main window: a borderless popup of 630 x 453 centred on the screen,
// with the class named by string 109 and icon 107. True when the window
// exists afterwards.
bool CreateMainWindow(LauncherApp& app, HINSTANCE instance);

// Loads the background image (2020/220) into the application and cuts the
// window's region from its alpha channel: pixels with alpha of 30 or less
// lie outside the window.
void ApplyWindowRegion(LauncherApp& app);

// The message loop with accelerator table 109; returns the quit code.
int RunMessageLoop(HINSTANCE instance);
