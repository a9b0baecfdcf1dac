// The main window: class, creation, region, window procedure, painting
// through an off-screen bitmap, and the About dialog.
#include <windowsx.h>

#include "app/win/MainWindow.h"

#include "app/LauncherApp.h"
#include "app/ScreenLayout.h"
#include "app/win/AccessibleObject.h"
#include "app/win/WindowDpi.h"
#include "app/win/WindowRegion.h"
#include "platform/win/OffscreenBitmap.h"
#include "platform/win/ScopedHandles.h"
#include "platform/win/SystemLibrary.h"
#include "resources/resource.h"
#include "tasks/Task.h"
#include "ui/CResImage.h"
#include "ui/Dpi.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

void Paint(LauncherApp& app, HWND window)
{
    ScopedPaint paint = BeginWindowPaint(window);
    if (!paint)
        return;
    // Only the part that needs painting goes through the off-screen bitmap:
    // during a download that is the progress bar and the status line.
    RECT client{};
    GetClientRect(window, &client);
    RECT area{};
    if (!IntersectRect(&area, &paint.Get().paint.rcPaint, &client))
        return;
    PaintBuffered(paint.Get().paint.hdc, area, [&app](HDC dc) { app.Paint(dc); });
}

// The message the shell sends once it has made the window's taskbar button
// (0 until the window class is registered, or when it cannot be).
UINT g_taskbarButtonCreated = 0;

UINT TaskbarButtonCreatedMessage()
{
    return g_taskbarButtonCreated;
}

// A launcher started with administrator rights gets no registered message
// from the shell, which runs without them, unless the window lets it
// through. The calls are looked up at run time: Windows 7 and later filter
// per window, Vista per process; older systems have no such filter.
void AllowMessageFromShell(HWND window, UINT message)
{
    if (message == 0)
        return;
    using ChangeWindowFilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using ChangeFilterFn = BOOL(WINAPI*)(UINT, DWORD);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    if (user == nullptr)
        return;
    auto perWindow = LookUpFunction<ChangeWindowFilterFn>(user, "ChangeWindowMessageFilterEx");
    if (perWindow != nullptr) {
        perWindow(window, message, 1 /* MSGFLT_ALLOW */, nullptr);
        return;
    }
    auto perProcess = LookUpFunction<ChangeFilterFn>(user, "ChangeWindowMessageFilter");
    if (perProcess != nullptr)
        perProcess(message, 1 /* MSGFLT_ADD */);
}

// The keyboard is in use: the window's keyboard cues (the focus outline)
// show from now on. The system is told too, so that the window's UI state
// (WM_QUERYUISTATE) says the same.
void ShowKeyboardCues(LauncherApp& app, HWND window)
{
    if (app.KeyboardCues())
        return;
    app.SetKeyboardCues(true);
    SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

// A new window hides its keyboard cues until the keyboard is used, unless
// the user asked the system to show them always.
void InitializeKeyboardCues(LauncherApp& app)
{
    BOOL always = FALSE;
    app.SetKeyboardCues(SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0) && always);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LauncherApp* app = g_app;
    if (app == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_DESTROY:
        ReleaseAccessibleObject();
        PostQuitMessage(0);
        return 0;
    case WM_GETOBJECT: {
        LRESULT object = 0;
        if (AnswerGetObject(window, wParam, lParam, object))
            return object;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_ACTIVATE_ELEMENT:
        app->Activate(static_cast<int32_t>(wParam));
        return 0;
    case WM_PAINT:
        Paint(*app, window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case CMD_ABOUT:
            DialogBoxParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE)),
                            MAKEINTRESOURCEW(IDD_ABOUT), window, AboutProc, 0);
            return 0;
        case CMD_EXIT:
            DestroyWindow(window);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    case WM_MOUSEMOVE: {
        app->OnMouseMove(x, y);
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window, 0};
        TrackMouseEvent(&track);
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (app->OnLButtonDown(x, y))
            SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    case WM_LBUTTONUP:
        app->OnLButtonUp(x, y);
        return 0;
    case WM_MOUSELEAVE:
        app->OnMouseLeave();
        return 0;
    case WM_TASK_EVENT:
        app->OnTaskEvent(static_cast<uintptr_t>(wParam), static_cast<uintptr_t>(lParam));
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        ShowKeyboardCues(*app, window);
        if (message == WM_KEYDOWN && app->OnKeyDown(static_cast<uint32_t>(wParam)))
            return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_UPDATEUISTATE:
        // The system (or a parent) sets or clears the focus cue explicitly.
        if ((HIWORD(wParam) & UISF_HIDEFOCUS) != 0 && LOWORD(wParam) == UIS_SET)
            app->SetKeyboardCues(false);
        else if ((HIWORD(wParam) & UISF_HIDEFOCUS) != 0 && LOWORD(wParam) == UIS_CLEAR)
            app->SetKeyboardCues(true);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_CLOSE:
        // Alt+F4 and the system's close command: as the close button.
        app->Activate(ID_CLOSE);
        return 0;
    case WM_DPICHANGED:
        ApplyDpi(*app, window, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    default:
        if (message == TaskbarButtonCreatedMessage() && message != 0) {
            app->OnTaskbarButtonCreated();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

bool CreateMainWindow(LauncherApp& app, HINSTANCE instance, bool visible)
{
    if (app.Window() != nullptr)
        return true;
    wchar_t className[100] = {};
    LoadStringW(instance, IDS_CLASS_NAME, className, 100);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LAUNCHER));
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LAUNCHER));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
    g_taskbarButtonCreated = RegisterWindowMessageW(L"TaskbarButtonCreated");

    // Made at the screen's DPI; a window that lands on a screen of another
    // DPI (per-monitor DPI) is resized to it at once.
    const int32_t dpi = ScreenDpi();
    const int width = ScaleByDpi(kScreenWidth, dpi);
    const int height = ScaleByDpi(kScreenHeight, dpi);
    const int x = (GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2;
    HWND window = CreateWindowExW(0, className, app.Settings().gameName.c_str(),
                                  WS_POPUP | WS_MINIMIZEBOX | (visible ? WS_VISIBLE : 0), x, y, width,
                                  height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return false;
    AllowMessageFromShell(window, g_taskbarButtonCreated);
    const int32_t windowDpi = WindowDpi(window);
    // The application has the window before the resize below sends it messages.
    app.AttachWindow(window, windowDpi);
    if (windowDpi != dpi)
        SetWindowPos(window, nullptr, 0, 0, ScaleByDpi(kScreenWidth, windowDpi),
                     ScaleByDpi(kScreenHeight, windowDpi), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InitializeKeyboardCues(app);
    return true;
}

void ApplyWindowRegion(LauncherApp& app)
{
    HWND window = static_cast<HWND>(app.Window());
    const CResImage* background = app.Background();
    if (window == nullptr || background == nullptr)
        return;
    // The region comes from the picture decoded for painting: decoding it a
    // second time would cost more than everything else here.
    ScopedRegion shape = CreateRegionFromImage(*background, app.Dpi());
    // Once set, the region belongs to the window.
    if (shape && SetWindowRgn(window, shape.Get(), FALSE))
        shape.Release();
}

void ApplyDpi(LauncherApp& app, HWND window, int32_t dpi, const RECT* suggested)
{
    if (dpi <= 0)
        return;
    // The system's suggested place keeps the window where the user put it;
    // the size is the window's own, scaled.
    RECT place{};
    if (suggested != nullptr)
        place = *suggested;
    else
        GetWindowRect(window, &place);
    SetWindowPos(window, nullptr, place.left, place.top, ScaleByDpi(kScreenWidth, dpi),
                 ScaleByDpi(kScreenHeight, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    app.SetDpi(dpi);
    ApplyWindowRegion(app);
}

int RunMessageLoop(HINSTANCE instance)
{
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDC_LAUNCHER));
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (accelerators != nullptr && TranslateAcceleratorW(message.hwnd, accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
