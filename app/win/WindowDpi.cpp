#include "app/win/WindowDpi.h"

#include "platform/win/ScopedHandles.h"
#include "platform/win/SystemLibrary.h"
#include "ui/Dpi.h"

int32_t ScreenDpi()
{
    ScopedWindowDc screen = GetWindowDc(nullptr);
    if (!screen)
        return kBaseDpi;
    const int dpi = GetDeviceCaps(screen.Get().dc, LOGPIXELSX);
    return dpi > 0 ? dpi : kBaseDpi;
}

int32_t WindowDpi(HWND window)
{
    // Looked up at each call (the window thread asks at start-up and on a
    // DPI change only): Windows 7 and 8 have no GetDpiForWindow.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    const auto getDpiForWindow =
        LookUpFunction<GetDpiForWindowFunction>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0)
            return static_cast<int32_t>(dpi);
    }
    return ScreenDpi();
}
