#include <gtest/gtest.h>

#include "tests/fakes/FakeLauncherHandoff.h"
#include "tests/native/app/AppFixture.h"

namespace {

// --- clicks, presses and the pointer -------------------------------------

using Clicks = AppFixture;

TEST_F(Clicks, PressAndReleaseOnInstallButtonStartsTheDownload)
{
    Start();
    http.attemptConnectResult = 1;  // fails at once; this test is about the click
    Click(315, 315);
    EXPECT_FALSE(g_installButton->m_visible);
    EXPECT_TRUE(g_progressBar->m_visible);
    EXPECT_TRUE(g_percentLabel->m_visible);
    EXPECT_TRUE(g_statusLabel->m_visible);
    // The whole window is repainted, background erased, before work starts.
    bool wholeRepaint = false;
    for (const auto& r : windows.repaints)
        wholeRepaint = wholeRepaint || (r.whole && r.erase);
    EXPECT_TRUE(wholeRepaint);

    ASSERT_EQ(app->Tasks().DownloadTasks().size(), 1u);
    const DownTask& task = *app->Tasks().DownloadTasks()[0];
    EXPECT_EQ(task.url, L"http://packages.example/package/Windows/pomvel_mini.exe");
    EXPECT_EQ(task.tempName, L"yrfoinstall.tmp");
    EXPECT_EQ(task.fileName, L"yrfoinstall.exe");
    EXPECT_EQ(task.directory, L"C:\\tmp");
    EXPECT_TRUE(task.runInstaller);
    EXPECT_EQ(task.installArgs, L"-b");
    EXPECT_EQ(app->Tasks().Threads().size(), 1u);

    // The hidden button is never hit again: a second click there starts nothing.
    Click(315, 315);
    EXPECT_EQ(app->Tasks().DownloadTasks().size(), 1u);
}

TEST_F(Clicks, PinsInTheConfigurationGoWithTheDownloadAndAnInvalidDigestStopsAtTheClick)
{
    const std::string base =
        "[cver]\r\nk_comm_url=http://packages.example/x.exe\r\nk_comm_signer=Orvantis Games\r\nk_comm_sha256=";
    struct PinCase {
        const char* name;
        std::string sha256;
        bool downloads;
    };
    const PinCase cases[] = {
        {"lower case", std::string(63, 'a') + "f", true},
        {"upper case", std::string(63, 'A') + "F", true},
        {"63 digits", std::string(63, 'a'), false},
        {"65 digits", std::string(65, 'a'), false},
        {"not hexadecimal", std::string(63, 'a') + "g", false},
    };
    for (const PinCase& c : cases) {
        SCOPED_TRACE(c.name);
        resources.Put(2020, 201, base + c.sha256 + "\r\n");
        Start();
        http.attemptConnectResult = 1;
        Click(315, 315);
        EXPECT_FALSE(g_installButton->m_visible);
        if (c.downloads) {
            ASSERT_EQ(app->Tasks().DownloadTasks().size(), 1u);
            const InstallerPins& pins = app->Tasks().DownloadTasks()[0]->pins;
            EXPECT_EQ(pins.sha256.front(), 0xAA);
            EXPECT_EQ(pins.sha256.back(), 0xAF);
            EXPECT_EQ(pins.signer, L"Orvantis Games");
        } else {
            EXPECT_TRUE(app->Tasks().DownloadTasks().empty());
            EXPECT_TRUE(app->Tasks().Threads().empty());
            EXPECT_EQ(g_statusLabel->m_text, L"安装包校验值无效");
            EXPECT_TRUE(g_statusLabel->m_visible);
        }
        app.reset();
    }
}

TEST_F(Clicks, MirrorsAndTheManifestGoWithTheDownloadAndAManifestWithoutAKeyOrChannelStopsAtTheClick)
{
    const std::string base =
        "[cver]\r\nk_comm_url=http://packages.example/x.exe\r\nk_comm_url3=https://m3.example/x.exe\r\n"
        "k_comm_url2=https://m2.example/x.exe\r\nk_comm_manifest=https://packages.example/m.txt\r\n";
    const std::string key = "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEM6mlL/QUeaQ+t/R2Z4jROmPgvL98zZfh3N7J8Iw127LNRetU3irt1IwY"
                            "eumgY88OYdwaANNsz4ygx4oWnp4XNA==";
    struct KeyCase {
        const char* name;
        std::string key;
        std::string channel;
        const wchar_t* refusal;  // null when it downloads
    };
    const KeyCase cases[] = {
        {"a P-256 key and a channel", key, "\xd5\xfd\xca\xbd\xb7\xfe", nullptr},  // "正式服" in code page 936
        {"no key", "", "beta", L"安装信息无效,错误代码：1"},
        {"not a key", "MFkwEwYHKoZIzj0CAQ==", "beta", L"安装信息无效,错误代码：1"},
        {"no channel", key, "", L"安装信息无效,错误代码：5"},
        {"a control character in the channel", key, "be\x01ta", L"安装信息无效,错误代码：5"},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        resources.Put(2020, 201, base + "k_comm_manifest_key=" + c.key + "\r\nk_comm_channel=" + c.channel + "\r\n");
        Start();
        http.attemptConnectResult = 1;
        Click(315, 315);
        if (c.refusal == nullptr) {
            ASSERT_EQ(app->Tasks().DownloadTasks().size(), 1u);
            const DownTask& task = *app->Tasks().DownloadTasks()[0];
            EXPECT_EQ(task.mirrors, (std::vector<std::wstring>{L"https://m2.example/x.exe", L"https://m3.example/x.exe"}));
            EXPECT_EQ(task.manifestUrl, L"https://packages.example/m.txt");
            EXPECT_EQ(task.manifestKey.size(), 64u);
            EXPECT_EQ(task.manifestChannel, L"正式服");
        } else {
            EXPECT_TRUE(app->Tasks().DownloadTasks().empty());
            EXPECT_EQ(g_statusLabel->m_text, c.refusal);
        }
        app.reset();
    }
}

TEST_F(Clicks, ReturnOrSpacePressTheInstallButtonWhileItShows)
{
    struct Case {
        uint32_t key;
        bool starts;
    };
    const Case cases[] = {{kKeyReturn, true}, {kKeySpace, true}, {0x09 /* Tab */, false}, {0x41 /* A */, false},
                          {0x1B /* Escape */, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        Start();
        http.attemptConnectResult = 1;
        EXPECT_EQ(app->OnKeyDown(c.key), c.starts);
        EXPECT_EQ(app->Tasks().DownloadTasks().size(), c.starts ? 1u : 0u);
        EXPECT_EQ(g_installButton->m_visible, !c.starts);
        // Return afterwards starts the download only if the key did not:
        // once the button is gone a held, repeating key starts nothing more.
        EXPECT_EQ(app->OnKeyDown(kKeyReturn), !c.starts);
        EXPECT_EQ(app->Tasks().DownloadTasks().size(), 1u);
        app.reset();
    }
}

TEST_F(Clicks, KeyboardCuesShowTheFocusOutlineOnTheInstallButton)
{
    LauncherApp& launcher = Start();
    EXPECT_FALSE(g_installButton->m_focusCue) << "hidden until the keyboard is used";
    windows.repaints.clear();
    launcher.SetKeyboardCues(true);
    EXPECT_TRUE(g_installButton->m_focusCue);
    ASSERT_EQ(windows.repaints.size(), 1u);
    EXPECT_EQ(windows.repaints[0].rect, (Rect{227, 288, 403, 342}));
    launcher.SetKeyboardCues(true);
    EXPECT_EQ(windows.repaints.size(), 1u) << "no repaint when nothing changes";
    launcher.SetKeyboardCues(false);
    EXPECT_FALSE(g_installButton->m_focusCue);

    // Cues set before the screen exists carry over to it.
    app.reset();
    app = std::make_unique<LauncherApp>(platform);
    app->Init();
    app->AttachWindow(kWindow, kBaseDpi);
    app->SetKeyboardCues(true);
    app->BuildScreen();
    EXPECT_TRUE(g_installButton->m_focusCue);
}

TEST_F(Clicks, UnsetTmpDownloadsIntoTheSystemTemporaryFolder)
{
    env.variables.erase(L"TMP");
    Start();
    http.attemptConnectResult = 1;
    Click(315, 315);
    ASSERT_EQ(app->Tasks().DownloadTasks().size(), 1u);
    EXPECT_EQ(app->Tasks().DownloadTasks()[0]->directory, env.tempFolder);
}

// SYSTEM's TMP is C:\Windows\Temp, where every user may add files and
// folders: a launcher running as SYSTEM downloads into, and cleans up,
// SYSTEM's own temporary folder where the system has one.
TEST_F(Clicks, ALauncherRunningAsSystemUsesSystemsOwnTemporaryFolder)
{
    env.variables[L"TMP"] = L"C:\\Windows\\Temp";
    env.systemTempFolder = L"C:\\Windows\\SystemTemp";
    const std::wstring old = L"C:\\Windows\\SystemTemp\\quillmerex-00000000000000aa";
    files.PutDirectory(old);  // written in 2023
    files.PutFile(old + L"\\yrfoinstall.tmp", {'M', 'Z'});
    Start();
    EXPECT_FALSE(files.Exists(old));
    http.attemptConnectResult = 1;
    Click(315, 315);
    ASSERT_EQ(app->Tasks().DownloadTasks().size(), 1u);
    EXPECT_EQ(app->Tasks().DownloadTasks()[0]->directory, env.systemTempFolder);
    EXPECT_EQ(app->Tasks().DownloadTasks()[0]->folderRoot, env.systemTempFolder);
}

TEST_F(Clicks, ReleaseElsewhereIsNoClickButEndsThePress)
{
    Start();
    app->OnMouseMove(600, 20);
    EXPECT_FALSE(app->OnLButtonDown(600, 20));  // on the close button: no drag
    app->OnMouseMove(300, 380);
    app->OnLButtonUp(300, 380);
    EXPECT_EQ(windows.destroyed, 0);
    EXPECT_EQ(app->Pointer().pressed, nullptr);
    EXPECT_EQ(g_closeButton->m_state, BTN_NORMAL);
}

TEST_F(Clicks, CloseAndMinimiseActOnTheirIds)
{
    Start();
    Click(570, 20);
    EXPECT_EQ(windows.minimized, 1);
    EXPECT_EQ(windows.destroyed, 0);
    Click(600, 20);
    EXPECT_EQ(windows.destroyed, 1);
}

TEST_F(Clicks, OnlyBareSpotsAndNegativeIdsDragTheWindow)
{
    Start();
    struct DragCase {
        const char* what;
        int32_t x, y;
        bool drags;
    };
    const DragCase cases[] = {
        {"banner (id 3)", 300, 100, false},
        {"close button", 600, 20, false},
        {"install button", 315, 315, false},
        {"symbol (negative id)", 25, 20, true},
        {"name label (negative id)", 60, 20, true},
        {"bare background", 10, 380, true},
        {"hidden progress bar", 100, 329, true},
    };
    for (const DragCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(app->OnLButtonDown(c.x, c.y), c.drags);
        app->OnLButtonUp(10, 380);
    }
    // A press and release on the banner does nothing at all.
    Click(300, 100);
    EXPECT_EQ(windows.destroyed + windows.minimized, 0);
    EXPECT_TRUE(app->Tasks().DownloadTasks().empty());
}

TEST_F(Clicks, HoverFollowsThePointerAndLeavingTheWindowEndsIt)
{
    Start();
    app->OnMouseMove(600, 20);
    EXPECT_EQ(g_closeButton->m_state, BTN_HOVER);
    app->OnMouseMove(315, 315);
    EXPECT_EQ(g_closeButton->m_state, BTN_NORMAL);
    EXPECT_EQ(g_installButton->m_state, BTN_HOVER);
    app->OnLButtonDown(315, 315);
    app->OnMouseLeave();
    EXPECT_EQ(g_installButton->m_state, BTN_NORMAL);
    EXPECT_EQ(app->Pointer().hovered, nullptr);
    EXPECT_EQ(app->Pointer().pressed, nullptr);
}

// --- the road through the task manager, with fake seams ----------------

class Road : public AppFixture {
protected:
    Road()
    {
        http.SetBody(100, {60, 40});
        files.PutFile(kStartProgram, {1});
    }
};

TEST_F(Road, DownloadInstallAndLaunchTheGame)
{
    Start();
    Click(315, 315);
    PumpUntilDone();

    ASSERT_EQ(processes.CommandLines().size(), 1u);
    // The installer in a folder of its own under TMP (its name from the
    // fake random source), which it runs in and which goes with it.
    EXPECT_EQ(processes.CommandLines()[0], L"\"C:\\tmp\\quillmerex-0000000000000000\\yrfoinstall.exe\" -b");
    EXPECT_EQ(processes.WorkingFolders(), std::vector<std::wstring>{L"C:\\tmp\\quillmerex-0000000000000000"});
    EXPECT_FALSE(files.Exists(L"C:\\tmp\\quillmerex-0000000000000000"));
    EXPECT_EQ(g_statusLabel->m_text, L"安装完毕");
    EXPECT_EQ(g_percentLabel->m_text, L"100%");
    EXPECT_EQ(g_progressBar->m_fraction, 1.0);
    EXPECT_EQ(shell.opened, (std::vector<std::wstring>{kStartProgram}));
    // In its own folder, owned by the launcher's window.
    EXPECT_EQ(shell.folders, (std::vector<std::wstring>{L"C:\\AppData\\Marnholt"}));
    EXPECT_EQ(shell.owners, (std::vector<WindowHandle>{kWindow}));
    EXPECT_EQ(shell.prompts, (std::vector<ShellPrompts>{ShellPrompts::Allowed}));
    EXPECT_EQ(windows.destroyed, 1);
    EXPECT_TRUE(app->Tasks().Threads().empty());
}

TEST_F(Road, AnUnattendedRunStartsTheGameWithNoWindowOfTheShell)
{
    Start();
    app->SetUnattended(true);
    app->StartInstall();
    PumpUntilDone();
    EXPECT_EQ(shell.opened, (std::vector<std::wstring>{kStartProgram}));
    EXPECT_EQ(shell.prompts, (std::vector<ShellPrompts>{ShellPrompts::None}));
    EXPECT_EQ(windows.destroyed, 1);
}

TEST_F(Road, FinishedFileOnDiskStartsTheInstallerOnce)
{
    // A file of two bytes ("MZ": the least a program can be) is complete
    // at once: its events are all handled in the final state, and only the
    // first may continue the road.
    http.SetBody(2, {2});
    Start();
    Click(315, 315);
    PumpUntilDone();
    EXPECT_EQ(processes.CommandLines().size(), 1u);
    EXPECT_EQ(app->Tasks().InstallTasks().size(), 1u);
    EXPECT_EQ(shell.opened.size(), 1u);
}

TEST_F(Road, ALateFinalEventChangesNothingWhenItsWorkersAddressIsTheNextWorkers)
{
    // The allocator may give the install worker the freed download worker's
    // address; a late event of the download then names the live worker.
    Start();
    Click(315, 315);
    FakeAppWindowSystem::Message m{};
    while (app->Tasks().InstallTasks().empty() && windows.Next(m))
        app->OnTaskEvent(m.wParam, m.lParam);
    ASSERT_EQ(app->Tasks().Threads().size(), 1u);
    CThread* installWorker = app->Tasks().Threads()[0].get();
    DownTask* download = app->Tasks().DownloadTasks()[0].get();

    app->OnTaskEvent(reinterpret_cast<uintptr_t>(download), reinterpret_cast<uintptr_t>(installWorker));

    ASSERT_EQ(app->Tasks().Threads().size(), 1u);
    EXPECT_EQ(app->Tasks().Threads()[0].get(), installWorker);
    EXPECT_EQ(app->Tasks().InstallTasks().size(), 1u);
    PumpUntilDone();
    EXPECT_EQ(processes.CommandLines().size(), 1u);
    EXPECT_EQ(shell.opened.size(), 1u);
}

TEST_F(Road, InstalledGameIsFoundThroughAppPaths)
{
    files.PutFile(L"D:\\Games\\Marnholt\\game.exe", {1});
    processes.beforeWait = [this](size_t) {
        registry.PutString(AppPathsKey(L"Marnholt"), L"Path", L"D:\\Games\\Marnholt");
    };
    Start();
    Click(315, 315);
    PumpUntilDone();
    EXPECT_EQ(shell.opened, (std::vector<std::wstring>{L"D:\\Games\\Marnholt\\game.exe"}));
    EXPECT_EQ(shell.folders, (std::vector<std::wstring>{L"D:\\Games\\Marnholt"}));
}

struct StopCase {
    const char* name;
    std::function<void(AppFixture&)> arrange;
    std::wstring status;
    // How an unattended run tells this end (its exit code).
    RoadOutcome outcome;
};

class RoadStops : public Road, public ::testing::WithParamInterface<StopCase> {};

void PrintTo(const StopCase& c, std::ostream* os)
{
    *os << c.name;
}

TEST_P(RoadStops, StatusShowsWhyAndTheWindowStays)
{
    GetParam().arrange(*this);
    Start();
    Click(315, 315);
    FakeAppWindowSystem::Message m{};
    // Handle events until the road has stopped (no 0/0 may come after a failure).
    while (windows.Next(m)) {
        app->OnTaskEvent(m.wParam, m.lParam);
        if (app->Tasks().Threads().empty() && g_statusLabel->m_text == GetParam().status)
            break;
    }
    EXPECT_EQ(g_statusLabel->m_text, GetParam().status);
    EXPECT_EQ(windows.destroyed, 0);
    EXPECT_TRUE(app->Tasks().Threads().empty());
    EXPECT_EQ(app->RoadEnd(), GetParam().outcome);
}

TEST_P(RoadStops, AnUnattendedRunClosesItsWindowAtTheStop)
{
    GetParam().arrange(*this);
    Start();
    app->SetUnattended(true);
    app->StartInstall();
    FakeAppWindowSystem::Message m{};
    while (windows.destroyed == 0 && windows.Next(m))
        app->OnTaskEvent(m.wParam, m.lParam);
    EXPECT_EQ(windows.destroyed, 1);
    EXPECT_EQ(app->RoadEnd(), GetParam().outcome);
    EXPECT_EQ(app->ExitCode(0), ExitCodeFor(GetParam().outcome));
    EXPECT_TRUE(app->Tasks().Threads().empty());
}

const StopCase kStops[] = {
    {"DownloadFails", [](AppFixture& f) { f.http.responses = {FakeHttpClient::Response::Status(404)}; },
     L"连接异常,错误代码：404", RoadOutcome::NetworkFailed},
    {"DiskFull", [](AppFixture& f) { f.files.freeBytes = 10; }, L"磁盘空间不足", RoadOutcome::DiskFailed},
    {"DigestRefused",
     [](AppFixture& f) {
         f.resources.Put(2020, 201,
                         "[cver]\r\nk_comm_url=http://packages.example/p.exe\r\n"
                         "k_comm_sha256=0000000000000000000000000000000000000000000000000000000000000000\r\n"
                         "[pack]\r\nk_name=Orvantis\r\nk_installAppName=Marnholt\r\n"
                         "k_startAppName=game.exe\r\nk_installerKey=Marnholt\r\n");
     },
     L"安装包校验失败", RoadOutcome::Refused},
    {"InstallerFails", [](AppFixture& f) { f.processes.exitCode = 1; }, L"安装未完成", RoadOutcome::InstallerFailed},
    {"PromptRefused",
     [](AppFixture& f) {
         f.processes.needsRights = true;
         f.processes.elevatedError = 1223;
     },
     L"调用安装程序失败,错误码：1223", RoadOutcome::ElevationRefused},
    {"NoStartProgram", [](AppFixture& f) { f.files.Delete(L"C:\\AppData\\Marnholt\\game.exe"); },
     L"安装异常,无启动程序", RoadOutcome::InstallerFailed},
    {"StartProgramIsAFolder",
     [](AppFixture& f) {
         f.files.Delete(L"C:\\AppData\\Marnholt\\game.exe");
         f.files.PutDirectory(L"C:\\AppData\\Marnholt\\game.exe");
     },
     L"安装异常,无启动程序", RoadOutcome::InstallerFailed},
    {"ShellCannotStartTheGame", [](AppFixture& f) { f.shell.result = 2; }, L"启动游戏失败,错误代码：2",
     RoadOutcome::StartUpFailed},
};

INSTANTIATE_TEST_SUITE_P(Launcher, RoadStops, ::testing::ValuesIn(kStops),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Road, ClosingMidDownloadStopsTheWorkerAndPostsNothingMore)
{
    http.SetBody(1000, {60});
    http.responses[0].reads.push_back(FakeHttpClient::Stall());  // then the server stalls
    Start();
    Click(315, 315);
    FakeAppWindowSystem::Message m{};
    ASSERT_TRUE(windows.Next(m));  // the start of the download
    app->Release();
    EXPECT_TRUE(app->Tasks().Threads().empty());
    EXPECT_EQ(app->Screen(), nullptr);
    EXPECT_EQ(g_statusLabel, nullptr);
}

TEST_F(Road, WindowHandleAccessorForgetsADestroyedWindow)
{
    Start();
    EXPECT_EQ(app->Window(), kWindow);
    windows.live.clear();
    EXPECT_EQ(app->Window(), nullptr);
    windows.live.insert(kWindow);  // a later window of the same handle is not this one
    EXPECT_EQ(app->Window(), nullptr);
}

}  // namespace

TEST_F(Road, AHandOverClosesTheWindowAndAnUnattendedRunEndsWithTheNewLaunchersCode)
{
    for (bool unattended : {false, true}) {
        windows.live.insert(kWindow);
        Start();
        app->SetUnattended(unattended);
        DownTask download;
        download.successor = std::make_unique<FakeLauncherHandoff::EndedProcess>(6);
        download.handedOver = true;
        download.state.store(TaskState::Finished);
        const int destroyedBefore = windows.destroyed;
        app->OnTaskEvent(reinterpret_cast<uintptr_t>(&download), 1);

        EXPECT_EQ(windows.destroyed, destroyedBefore + 1) << unattended;
        EXPECT_TRUE(app->Tasks().InstallTasks().empty()) << unattended;
        EXPECT_EQ(app->ExitCode(0), unattended ? 6 : 0) << unattended;
        app.reset();
    }
}
