#pragma once
#include <windows.h>

#include <string>

#include "platform/win/ScopedHandles.h"

// Watches the screen for a program's first paint: the moment when its
// window, found by class and caption and owned by the program's process,
// shows an expected colour at a point of its client area. The pixel is read
// from the screen's device context, that is after Wine has handed the
// window's pixels to the display, as a person would see them.
class FirstPaintProbe {
public:
    FirstPaintProbe(std::wstring className, std::wstring caption, POINT clientPoint, COLORREF colour);
    FirstPaintProbe(const FirstPaintProbe&) = delete;
    FirstPaintProbe& operator=(const FirstPaintProbe&) = delete;

    // Polls until the window of process processId shows the colour. Returns
    // the window and the performance counter's time of the matching read
    // (ms) in paintedAtMs; null when process ends first or timeoutMs passes.
    HWND Wait(DWORD processId, HANDLE process, DWORD timeoutMs, double& paintedAtMs);

    // The performance counter's time (ms) when the last Wait first found the
    // window, visible, before it had painted; 0 when it found none.
    double FoundAtMs() const { return m_foundAt; }

    // The colour read at the point when the window was first found, before
    // its first paint unless the program painted at once.
    COLORREF FirstRead() const { return m_firstRead; }

    // Waits until the screen point of the last window no longer shows the
    // colour (its window is gone), so that the next run cannot see it.
    bool WaitUntilGone(DWORD timeoutMs);

    // Whether screen point p shows colour, within a few steps per channel.
    bool Shows(POINT p, COLORREF colour) const;

private:
    std::wstring m_className;
    std::wstring m_caption;
    POINT m_clientPoint;
    COLORREF m_colour;
    ScopedWindowDc m_screenDc;
    HDC m_screen;  // not owned: the one in m_screenDc
    POINT m_lastScreenPoint{-1, -1};
    COLORREF m_firstRead = CLR_INVALID;
    double m_foundAt = 0.0;
};
