#pragma once
// The launcher's main window on Windows: class, creation, region, window
// procedure, painting and the message loop.
#include <windows.h>

#include <cstdint>

class LauncherApp;

// The main window: a borderless popup of 630 x 453 at 96 DPI, scaled to the
// screen's DPI (see WindowDpi), centred on the screen, with the class named by string 109 and icon 107.
// Hidden (never shown) when visible is false. True when the window exists
// afterwards; the application then has it, at its DPI (AttachWindow).
bool CreateMainWindow(LauncherApp& app, HINSTANCE instance, bool visible = true);

// Cuts the window's region from the alpha channel of the application's
// background picture (see OpaqueRuns), scaled to the window's DPI; nothing
// without a window or a picture.
void ApplyWindowRegion(LauncherApp& app);

// The window moved to a screen of another DPI: it takes its size at that
// DPI at the suggested place (its own place when null), and the screen,
// the background and the region follow.
void ApplyDpi(LauncherApp& app, HWND window, int32_t dpi, const RECT* suggested);

// The message loop with accelerator table 109; returns the quit code.
int RunMessageLoop(HINSTANCE instance);
