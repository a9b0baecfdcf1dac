#pragma once
// The DPI the launcher's window is drawn at.
#include <windows.h>

#include <cstdint>

// The screen's DPI (LOGPIXELSX of the screen's device context); 96 when it
// cannot be read.
int32_t ScreenDpi();

// The window's DPI: GetDpiForWindow where the system has it (looked up at
// run time: Windows 7 has no such function), the screen's DPI otherwise.
int32_t WindowDpi(HWND window);
