// The program's entry point: GDI+ start, the application object, the main
// window and its screen, the message loop, and shutdown in order.
#include <windows.h>

#include <memory>

#include "app/LauncherApp.h"
#include "app/ScreenLayout.h"
#include "app/win/MainWindow.h"
#include "app/win/RunLog.h"
#include "app/win/SingleInstance.h"
#include "app/win/WindowDpi.h"
#include "platform/win/GdiplusGraphics.h"
#include "platform/win/GdiplusSession.h"
#include "platform/win/SystemLibrary.h"
#include "platform/win/WinPlatform.h"
#include "platform/win/WinTaskPlatform.h"
#include "platform/win/WinTaskbarButton.h"
#include "ui/UiPlatform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    // Before anything can load a DLL: from here on DLLs come only from the
    // system folder, never from the folder the launcher was started from.
    RestrictDllSearchToSystem();

    RunLog log(instance);
    auto gdiplusFailed = [&log] {
        log.Log()->Write(L"start-up: gdiplus.dll cannot be loaded or started; message box shown");
        MessageBoxW(nullptr, L"gdiplus.dll丢失或异常，请修复或者联系相关客服", L"异常", MB_OK);
        return log.Exit(1);
    };
    // GDI+ is delay-loaded; a system without it gets the message above
    // instead of a loader error.
    DWORD error = 0;
    if (LoadSystemLibrary(L"gdiplus.dll", error) == nullptr)
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
    WinFileTrust trust;
    WinSignatureVerifier verifier;
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
    platform.trust = &trust;
    platform.verifier = &verifier;
    platform.log = log.Log();
    platform.taskbar = &taskbar;

    auto app = std::make_unique<LauncherApp>(platform);
#ifdef LAUNCHER_SPEED_WINDOW_MS
    // Test builds only: the minimum speed judged over a short window.
    download::Timings timings;
    timings.speedWindowMs = LAUNCHER_SPEED_WINDOW_MS;
    app->taskManager.SetDownloadTimings(timings);
#endif
    app->Init();
    ScopedKernelHandle instanceMutex;
    if (HandOverToRunningLauncher(*app, instance, instanceMutex)) {
        log.Log()->Write(L"start-up: this game's launcher runs already; it was brought to the front");
        return log.Exit(0);
    }
    if (!CreateMainWindow(*app, instance)) {
        log.Log()->Write(L"start-up: the main window cannot be created");
        app->Release();
        return log.Exit(1);
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
    return log.Exit(code);
}
