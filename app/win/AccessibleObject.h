#pragma once
// The launcher's screen for screen readers on Windows: an MSAA IAccessible
// for the window's client area whose children are the visible elements
// (see AccessibleItems), handed out through WM_GETOBJECT. oleacc.dll and
// oleaut32.dll are loaded from the system folder when a screen reader first
// asks, so a start without one costs nothing.
#include <windows.h>

// Posted by a default action (wParam: the element id) so that it runs after
// the screen reader's call has returned, as a click would.
constexpr UINT WM_ACTIVATE_ELEMENT = WM_USER + 2;

// Answers WM_GETOBJECT for the client area (OBJID_CLIENT) with the screen's
// accessible object. False for other objects, or when the object cannot be
// handed out: the caller passes the message on to DefWindowProc.
bool AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, LRESULT& result);

// The window is going: screen readers still holding the object are cut
// off and the object is released.
void ReleaseAccessibleObject();

// After the message loop has ended: COM is left on this thread, if a
// screen reader made the launcher enter it. Never from a window procedure:
// calls from screen readers may still be under way inside COM then, and
// leaving the apartment under them crashes it.
void LeaveAccessibleObjectApartment();
