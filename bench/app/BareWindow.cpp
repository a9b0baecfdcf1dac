// A bare Win32 window program, the yardstick for the launcher's start-up: a
// 630 x 453 popup, centred as the launcher's window is, that paints its
// client area in one solid colour and does nothing else. It closes on
// WM_CLOSE like any window.
//
//   bare_window.exe [--paint-delay MS] [--gdiplus]
//
// With --paint-delay its first paint comes MS milliseconds late (the window
// is already on the screen meanwhile), so that the benchmark can show that
// it times the paint and not the window's appearance. With --gdiplus it
// loads and starts GDI+ first, as the launcher does, so that the benchmark
// can tell how much of the launcher's start-up that takes; without it the
// program never loads GDI+.
#include <windows.h>

#include <objbase.h>
#include <gdiplus.h>

#include <cwchar>

namespace {

constexpr int kWidth = 630;
constexpr int kHeight = 453;
constexpr COLORREF kColour = RGB(46, 139, 87);

DWORD g_paintDelay = 0;

using StartupFunction = Gdiplus::Status(WINAPI*)(ULONG_PTR*, const Gdiplus::GdiplusStartupInput*,
                                                 Gdiplus::GdiplusStartupOutput*);

// Loads gdiplus.dll by name and starts it; the library stays loaded and
// started until the program ends.
bool StartGdiplus()
{
    HMODULE library = LoadLibraryW(L"gdiplus.dll");
    if (library == nullptr)
        return false;
    auto startup = reinterpret_cast<StartupFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "GdiplusStartup")));
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    return startup != nullptr && startup(&token, &input, nullptr) == Gdiplus::Ok;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        if (g_paintDelay != 0) {
            Sleep(g_paintDelay);
            g_paintDelay = 0;
        }
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(kColour);
        if (brush != nullptr) {
            FillRect(dc, &paint.rcPaint, brush);
            DeleteObject(brush);
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show)
{
    const wchar_t* delay = std::wcsstr(commandLine, L"--paint-delay ");
    if (delay != nullptr)
        g_paintDelay = static_cast<DWORD>(std::wcstoul(delay + 14, nullptr, 10));
    if (std::wcsstr(commandLine, L"--gdiplus") != nullptr && !StartGdiplus())
        return 1;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = L"QMXBAREWINDOW";
    if (RegisterClassExW(&windowClass) == 0)
        return 1;
    const int x = (GetSystemMetrics(SM_CXFULLSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYFULLSCREEN) - kHeight) / 2;
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"bare window", WS_POPUP | WS_VISIBLE, x, y,
                                  kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
