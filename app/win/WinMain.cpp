// The program's entry point: GDI+ start, the application object, the main
// window and its screen, the message loop, and shutdown in order.
#include <windows.h>

#include <memory>

#include "app/LauncherApp.h"
#include "app/ScreenLayout.h"
#include "app/win/MainWindow.h"
#include "app/win/SingleInstance.h"
#include "app/win/WindowDpi.h"
#include "platform/win/GdiplusGraphics.h"
#include "platform/win/GdiplusSession.h"
#include "platform/win/WinPlatform.h"
#include "platform/win/WinTaskPlatform.h"
#include "platform/win/WinTaskbarButton.h"
#include "ui/UiPlatform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    auto gdiplusFailed = [] {
        MessageBoxW(nullptr, L"gdiplus.dll丢失或异常，请修复或者联系相关客服", L"异常", MB_OK);
        return 1;
    };
    // GDI+ is loaded on first use; a system without it gets the message
    // above instead of a loader error.
    if (LoadLibraryW(L"gdiplus.dll") == nullptr)
        return gdiplusFailed();
    GdiplusSession gdiplus;
    if (!gdiplus.Started())
        return gdiplusFailed();

    WinEnvironment environment;
    WinResources resources(instance);
    WinRegistry registry;
    WinWindowSystem windows;
    WinShell shell;
    WinHttpClient http;
    WinFileSystem files;
    WinProcessRunner processes;
    WinTaskbarButton taskbar;
    GdiplusGraphics graphics(instance);
    // The skin decodes while the window is being created.
    graphics.Preload(SkinPictureIds(ScreenDpi()));
    SetUiPlatform(&graphics, &windows);

    Platform platform;
    platform.environment = &environment;
    platform.resources = &resources;
    platform.registry = &registry;
    platform.windows = &windows;
    platform.shell = &shell;
    platform.http = &http;
    platform.files = &files;
    platform.processes = &processes;
    platform.taskbar = &taskbar;

    auto app = std::make_unique<LauncherApp>(platform);
    app->Init();
    ScopedKernelHandle instanceMutex;
    if (HandOverToRunningLauncher(*app, instance, instanceMutex))
        return 0;
    if (!CreateMainWindow(*app, instance)) {
        app->Release();
        return 1;
    }
    ApplyWindowRegion(*app);
    app->Window();
    app->BuildScreen();

    HWND window = static_cast<HWND>(app->Window());
    ShowWindow(window, show);
    InvalidateRect(static_cast<HWND>(app->Window()), nullptr, TRUE);
    UpdateWindow(static_cast<HWND>(app->Window()));

    const int code = RunMessageLoop(instance);
    app->Release();
    app.reset();
    SetUiPlatform(nullptr, nullptr);
    return code;
}
