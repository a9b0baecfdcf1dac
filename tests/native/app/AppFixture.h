#pragma once
// A launcher application over fakes of every seam, with the shipped skin's
// image sizes, and a way to pump the window messages the workers post.
#include <gtest/gtest.h>

#include <string>

#include "app/LauncherApp.h"
#include "app/ScreenLayout.h"
#include "config/InstallDetection.h"
#include "tests/fakes/FakeAppWindow.h"
#include "tests/fakes/FakeConfigPlatform.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeGraphics.h"
#include "tests/fakes/FakeHttpClient.h"
#include "tests/fakes/FakeProcessRunner.h"
#include "tasks/Task.h"
#include "ui/CImage.h"
#include "ui/CImageBtn.h"
#include "ui/CLabel.h"
#include "ui/CNormalBtn.h"
#include "tests/fakes/FakeRandom.h"
#include "ui/CPane.h"
#include "ui/CProgress.h"
#include "ui/UiPlatform.h"

class AppFixture : public ::testing::Test {
public:
    WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0x1000);
    const std::wstring kStartProgram = L"C:\\AppData\\Marnholt\\game.exe";

    AppFixture()
    {
        for (auto [id, w, h] : {std::tuple<uint16_t, int32_t, int32_t>{204, 12, 11},
                                {215, 100, 25}, {226, 100, 25}, {205, 590, 222},
                                {229, 468, 3}, {228, 468, 3}, {220, 630, 493}})
            graphics.AddImage(id, w, h);
        SetUiPlatform(&graphics, &windows);
        windows.live.insert(kWindow);
        env.variables[L"APPDATA"] = L"C:\\AppData";
        env.variables[L"TMP"] = L"C:\\tmp";
        resources.Put(2020, 201,
                      "[cver]\r\nk_comm_url=http://packages.example/package/Windows/pomvel_mini.exe\r\n"
                      "[pack]\r\nk_name=Orvantis\r\nk_installAppName=Marnholt\r\n"
                      "k_startAppName=game.exe\r\nk_installerKey=Marnholt\r\n");
        platform.environment = &env;
        platform.resources = &resources;
        platform.registry = &registry;
        platform.windows = &windows;
        platform.shell = &shell;
        platform.http = &http;
        platform.files = &files;
        platform.processes = &processes;
        platform.random = &random;
    }
    ~AppFixture() override
    {
        app.reset();
        SetUiPlatform(nullptr, nullptr);
    }

    // Init, a window, and the screen, as the entry point does.
    LauncherApp& Start()
    {
        app = std::make_unique<LauncherApp>(platform);
        app->Init();
        app->AttachWindow(kWindow, kBaseDpi);
        app->BuildScreen();
        return *app;
    }

    void Click(int32_t x, int32_t y)
    {
        app->OnMouseMove(x, y);
        app->OnLButtonDown(x, y);
        app->OnLButtonUp(x, y);
    }

    // Hands posted messages to the application until the all-done event
    // (0/0) has been handled or no message comes any more. Returns the
    // number of task events handled.
    int PumpUntilDone()
    {
        int events = 0;
        FakeAppWindowSystem::Message m{};
        while (windows.Next(m)) {
            EXPECT_EQ(m.message, WM_TASK_EVENT);
            app->OnTaskEvent(m.wParam, m.lParam);
            if (m.wParam == 0)
                return events;
            ++events;
        }
        ADD_FAILURE() << "no all-done event";
        return events;
    }

    FakeGraphics graphics;
    FakeAppWindowSystem windows;
    FakeEnvironment env;
    FakeResources resources;
    FakeRegistry registry;
    FakeShell shell;
    FakeHttpClient http;
    FakeFileSystem files;
    FakeProcessRunner processes;
    FakeRandom random;
    Platform platform;
    std::unique_ptr<LauncherApp> app;
};
