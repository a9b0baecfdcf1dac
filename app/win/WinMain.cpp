// The program's entry point: the command line, GDI+ start, the application
// object, the main window and its screen, the message loop, and shutdown in
// order.
#include <windows.h>

#include <memory>

#include "app/LaunchSwitches.h"
#include "app/LauncherApp.h"
#include "app/RoadOutcome.h"
#include "app/ScreenLayout.h"
#include "app/win/CrashReporter.h"
#include "app/win/HangWatchdog.h"
#include "app/win/MainWindow.h"
#include "app/win/RunLog.h"
#include "app/win/AccessibleObject.h"
#include "app/win/SingleInstance.h"
#include "app/win/WindowDpi.h"
#include "platform/DecimalText.h"
#include "tasks/LauncherUpdate.h"
#include "platform/win/GdiplusGraphics.h"
#include "platform/win/GdiplusSession.h"
#include "platform/win/SystemLibrary.h"
#include "platform/win/WinLauncherHandoff.h"
#include "platform/win/WinPlatform.h"
#include "platform/win/WinTaskPlatform.h"
#include "platform/win/WinTaskbarButton.h"
#include "ui/UiPlatform.h"

#ifdef QUILLMEREX_TEST_TRIGGERS
#include "app/win/TestTriggers.h"
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show)
{
    // Before anything can load a DLL: from here on DLLs come only from the
    // system folder, never from the folder the launcher was started from.
    RestrictDllSearchToSystem();

    const LaunchSwitches switches = ParseLaunchSwitches(commandLine != nullptr ? commandLine : L"");
    // The launcher's own dump writer, started by a launcher that crashed or
    // hangs: it does that and nothing else.
    if (switches.writeDump)
        return switches.dumpValid ? WriteDumpFor(switches.dump) : ERROR_INVALID_PARAMETER;
    const bool unattended = switches.mode != RunMode::Normal;
    const bool quiet = switches.mode == RunMode::Quiet;

    RunLog log(instance, switches.logFile);
    CrashHandlers crashHandlers(log.Log());
    if (unattended)
        log.Log()->Write(quiet ? L"start-up: unattended (/quiet), nothing shown"
                               : L"start-up: unattended (/passive), the window shown");
    // A renamed or mistyped start still gets the window.
    for (const std::wstring& word : switches.unknown)
        log.Log()->Write(L"start-up: unknown switch \"" + word + L"\" ignored");

    // Nobody may be there to click a message box in an unattended run.
    auto gdiplusFailed = [&log, unattended] {
        log.Log()->Write(unattended ? L"start-up: gdiplus.dll cannot be loaded or started"
                                    : L"start-up: gdiplus.dll cannot be loaded or started; message box shown");
        if (!unattended)
            MessageBoxW(nullptr, L"gdiplus.dll丢失或异常，请修复或者联系相关客服", L"异常", MB_OK);
        return log.Exit(ExitCodeFor(RoadOutcome::StartUpFailed));
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
    // Nobody would see a prompt of the hidden window, and the run would
    // wait on it for good.
    if (quiet)
        http.ShowNoPrompts();
    WinFileSystem files;
    WinProcessRunner processes;
    WinFileTrust trust;
    WinSignatureVerifier verifier;
    WinTaskbarButton taskbar;
    WinLauncherHandoff handoff;
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
    platform.handoff = &handoff;

    auto app = std::make_unique<LauncherApp>(platform);
#ifdef LAUNCHER_SPEED_WINDOW_MS
    // Test builds only: the minimum speed judged over a short window.
    download::Timings timings;
    timings.speedWindowMs = LAUNCHER_SPEED_WINDOW_MS;
    app->SetDownloadTimings(timings);
#endif
    app->Init();
    app->SetUnattended(unattended);
    app->SetArguments(commandLine != nullptr ? commandLine : L"");
    // Started by the launcher this one replaced, which waits for it and
    // holds the instance mutex meanwhile: this one comes in beside it and
    // goes on with its road at once.
    bool successor = false;
    if (switches.updated) {
        successor = !handoff.WaitForEnd(switches.updatedFrom, 0);
        log.Log()->Write(successor ? L"launcher update: continuing the road of process " +
                                         DecimalText(switches.updatedFrom.id)
                                   : L"launcher update: process " + DecimalText(switches.updatedFrom.id) +
                                         L" of /updated-from no longer runs; an ordinary start");
    }
    ScopedKernelHandle instanceMutex;
    if (successor) {
        HoldInstanceMutex(app->Settings(), instanceMutex);
    } else if (HandOverToRunningLauncher(app->Settings(), instance, instanceMutex)) {
        log.Log()->Write(L"start-up: this game's launcher runs already; it was brought to the front");
        // An unattended run has not run the road.
        return log.Exit(unattended ? ExitCodeFor(RoadOutcome::StartUpFailed) : 0);
    }
    // What an earlier update left: no update runs now (this launcher holds
    // the mutex), except the one this launcher is the end of.
    if (!successor)
        RemoveLauncherLeftovers(files, *log.Log(), handoff.OwnPath(), false);
    if (!CreateMainWindow(*app, instance, !quiet)) {
        log.Log()->Write(L"start-up: the main window cannot be created");
        app->Release();
        return log.Exit(ExitCodeFor(RoadOutcome::StartUpFailed));
    }
    ApplyWindowRegion(*app);
    app->Window();
    app->BuildScreen();

    HWND window = static_cast<HWND>(app->Window());
    if (!quiet) {
        ShowWindow(window, show);
        InvalidateRect(static_cast<HWND>(app->Window()), nullptr, TRUE);
        UpdateWindow(static_cast<HWND>(app->Window()));
    }
    auto watchdog = std::make_unique<HangWatchdog>(window, log.Log());
#ifdef QUILLMEREX_TEST_TRIGGERS
    RunTestTriggers(switches.unknown, log.Log());
#endif
    if (successor && !handoff.SignalUp(HandoffEventName(switches.updatedFrom)))
        log.Log()->Write(L"launcher update: the launcher before this one waits no more");
    if (successor)
        app->StartInstall(LauncherApp::RoadStart::AfterUpdate);
    else if (unattended)
        app->StartInstall(LauncherApp::RoadStart::Unattended);

    const int loopCode = RunMessageLoop(instance);
    watchdog.reset();
    LeaveAccessibleObjectApartment();
    const int code = app->ExitCode(loopCode);
    app->Release();
    // The launcher this one replaced ends once it has seen this one up,
    // unless it waits for this one's end (unattended): then its copy goes
    // at the next start.
    if (successor && !unattended && handoff.WaitForEnd(switches.updatedFrom, 5000))
        RemoveLauncherLeftovers(files, *log.Log(), handoff.OwnPath(), true);
    app.reset();
    SetUiPlatform(nullptr, nullptr);
    return log.Exit(code);
}
