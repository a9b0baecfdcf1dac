#pragma once
// The launcher's main window on Windows: class, creation, region, window
// procedure, painting and the message loop.
#include <windows.h>

class LauncherApp;

// The main window: a borderless popup of 630 x 453
// centred on the screen, with the class named by string 109 and icon 107.
// True when the window exists afterwards.
bool CreateMainWindow(LauncherApp& app, HINSTANCE instance);

// Loads the background image (2020/220) into the application and cuts the
// window's region from its alpha channel (see OpaqueRuns).
void ApplyWindowRegion(LauncherApp& app);

// The message loop with accelerator table 109; returns the quit code.
int RunMessageLoop(HINSTANCE instance);
