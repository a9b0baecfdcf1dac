#pragma once
// What a screen reader is told about the launcher's screen: the visible
// elements as accessible children of the window's client area, each with a
// role, a name, a value and a default action. The Windows front end hands
// this out through MSAA (app/win/AccessibleObject); everything here is
// portable and read on the window's thread.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Types.h"

class CUIBase;
class LauncherApp;

enum class AccessibleRole { PushButton, StaticText, ProgressBar, Graphic };

struct AccessibleItem {
    const CUIBase* element = nullptr;  // not owned
    AccessibleRole role = AccessibleRole::StaticText;
    std::wstring name;
    std::wstring value;          // the progress bar's percentage; empty otherwise
    std::wstring defaultAction;  // buttons: "按下"; empty otherwise
    int32_t command = -1;        // the element id the default action activates
    Rect rect;                   // in client coordinates
};

// The visible elements, in screen order: the game's name, the close and
// minimise buttons, the banner, the install button, the progress bar and
// the status line. The emblem and the percentage (which is the bar's
// value) are not listed. A child's id is its position in this list plus 1.
std::vector<AccessibleItem> AccessibleItems(const LauncherApp& app);

// The child id of element in AccessibleItems (1 and up); 0 when it is not
// listed (hidden, or not an element of the screen).
int32_t AccessibleChildId(const LauncherApp& app, const CUIBase* element);

// The child (1 and up) at (x, y) in client coordinates; 0 for none.
int32_t AccessibleChildAt(const LauncherApp& app, int32_t x, int32_t y);
