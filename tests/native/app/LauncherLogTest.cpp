// What the log of a run says: the road's lines in order, the lines of each
// kind of failure, and a road that goes the same way when its log cannot be
// written.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "log/CFileLog.h"
#include "tests/fakes/FakeLog.h"
#include "tests/native/app/AppFixture.h"

namespace {

const std::wstring kLogPath = L"C:\\tmp\\quillmerex.log";
const size_t kTimestamp = 24;  // "2024-03-05 07:08:09.010 "

class LoggedRoad : public AppFixture {
protected:
    LoggedRoad()
    {
        http.SetBody(100, {60, 40});
        files.PutFile(kStartProgram, {1});
        platform.log = &log;
    }

    // Clicks the install button and handles the posted events until the
    // game is started or the road has stopped at a failure.
    void RunRoad()
    {
        log.Open(L"C:\\tmp");
        Start();
        Click(315, 315);
        FakeAppWindowSystem::Message m{};
        while (windows.Next(m)) {
            app->OnTaskEvent(m.wParam, m.lParam);
            if (m.wParam == 0)
                return;
            const auto* task = reinterpret_cast<const Task*>(m.wParam);
            if (task->state.load() == TaskState::Failed && app->Tasks().Threads().empty())
                return;
        }
    }

    // The log's lines without their time.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const std::string& line : logFiles.Lines(kLogPath))
            texts.push_back(line.size() > kTimestamp ? line.substr(kTimestamp) : line);
        return texts;
    }

    FakeLocalClock clock;
    FakeLogFiles logFiles;
    CFileLog log{clock, logFiles};
};

// Each of expected appears in texts, in this order, with anything between.
::testing::AssertionResult InOrder(const std::vector<std::string>& texts, const std::vector<std::string>& expected)
{
    size_t next = 0;
    for (const std::string& text : texts) {
        if (next < expected.size() && text == expected[next])
            ++next;
    }
    if (next == expected.size())
        return ::testing::AssertionSuccess();
    std::string all;
    for (const std::string& text : texts)
        all += "\n  " + text;
    return ::testing::AssertionFailure() << "missing or out of order: " << expected[next] << "\nlog:" << all;
}

TEST_F(LoggedRoad, TellsTheWholeRoad)
{
    RunRoad();
    const std::vector<std::string> texts = Texts();
    EXPECT_TRUE(InOrder(texts, {
        "configuration: url \"http://packages.example/package/Windows/pomvel_mini.exe\", name \"Orvantis\", "
        "install folder \"Marnholt\", start program \"game.exe\", registry key \"Marnholt\"",
        "status: 开始下载... (install button clicked)",
        "download: into \"C:\\tmp\\quillmerex-0000000000000000\"",
        "request: \"http://packages.example/package/Windows/pomvel_mini.exe\" direct -> HTTP 200, length 100, "
        "no validator",
        "status: 下载完毕 (download: 100 of 100 bytes)",
        "installer: started hidden: \"C:\\tmp\\quillmerex-0000000000000000\\yrfoinstall.exe\" -b",
        "installer: exit code 0",
        "status: 安装完毕",
        "game: started, shell result 42: C:\\AppData\\Marnholt\\game.exe",
    }));
    // No line per chunk of the download.
    for (const std::string& text : texts) {
        EXPECT_EQ(text.find("正在下载"), std::string::npos) << text;
    }
    EXPECT_LE(texts.size(), 10u);
}

// A signed address carries its access token in the query: the log keeps
// scheme, host and path, also of the redirect's target.
TEST_F(LoggedRoad, AddressesWithoutTheirQuery)
{
    resources.Put(2020, 201,
                  "[cver]\r\nk_comm_url=https://cdn.example/p/setup.exe?Signature=abc&Expires=9\r\n"
                  "[pack]\r\nk_name=Orvantis\r\nk_installAppName=Marnholt\r\n"
                  "k_startAppName=game.exe\r\nk_installerKey=Marnholt\r\n");
    const FakeHttpClient::Response body = http.responses[0];
    http.responses = {FakeHttpClient::Response::Redirect(302, L"https://edge.example/s.exe?token=xyz#t"), body};
    RunRoad();
    const std::vector<std::string> texts = Texts();
    EXPECT_TRUE(InOrder(texts, {
        "configuration: url \"https://cdn.example/p/setup.exe\", name \"Orvantis\", install folder \"Marnholt\", "
        "start program \"game.exe\", registry key \"Marnholt\"",
        "redirect: \"https://cdn.example/p/setup.exe\" -> HTTP 302 to \"https://edge.example/s.exe\"",
        "request: \"https://edge.example/s.exe\" direct -> HTTP 200, length 100, no validator",
    }));
    for (const std::string& text : texts) {
        EXPECT_EQ(text.find("Signature"), std::string::npos) << text;
        EXPECT_EQ(text.find("token"), std::string::npos) << text;
    }
}

// An installer that asks for rights: the consent prompt belongs to the
// launcher's window, and an installer given rights through another account
// is named as such, since it installs for that account.
TEST_F(LoggedRoad, InstallerWithRightsOfAnotherAccount)
{
    processes.needsRights = true;
    processes.elevatedAccount = IProcess::Account::Other;
    RunRoad();
    EXPECT_EQ(processes.PromptOwners(), (std::vector<WindowHandle>{kWindow}));
    // So does a proxy's prompt for its password, should one come.
    EXPECT_EQ(http.promptOwner, kWindow);
    EXPECT_TRUE(InOrder(Texts(), {
        "installer: asks for administrator rights (code 740), started again through the shell",
        "installer: started hidden through the shell with administrator rights: "
        "\"C:\\tmp\\quillmerex-0000000000000000\\yrfoinstall.exe\" -b",
        "installer: runs under another user account than the player's",
        "installer: exit code 0",
    }));
}

// The window closed mid-download: the stop's text is the download's last
// line, once, and the road's other ends (no queued event is handled) add
// nothing.
TEST_F(LoggedRoad, ClosingMidDownloadLogsTheStop)
{
    http.SetBody(100, {60});
    http.responses[0].reads.push_back(FakeHttpClient::Stall());
    log.Open(L"C:\\tmp");
    Start();
    Click(315, 315);
    // The start of the download and its first 60 bytes.
    FakeAppWindowSystem::Message m{};
    for (int event = 0; event < 2; ++event) {
        ASSERT_TRUE(windows.Next(m));
        app->OnTaskEvent(m.wParam, m.lParam);
    }
    app->Release();
    app->Release();

    const std::vector<std::string> texts = Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "status: 强制退出 (download failed after 60 of 100 bytes)");
    size_t stops = 0;
    for (const std::string& text : texts)
        stops += text.find("强制退出") != std::string::npos ? 1 : 0;
    EXPECT_EQ(stops, 1u);
}

struct FailureCase {
    const char* name;
    std::function<void(LoggedRoad&)> arrange;
    std::vector<std::string> lines;
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class LoggedFailure : public LoggedRoad, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LoggedFailure, SaysWhatFailedWithItsCodeAndTheTextShown)
{
    GetParam().arrange(*this);
    RunRoad();
    EXPECT_TRUE(InOrder(Texts(), GetParam().lines));
}

const FailureCase kFailures[] = {
    {"NotFound", [](LoggedRoad& f) { f.http.responses = {FakeHttpClient::Response::Status(404)}; },
     {"request: \"http://packages.example/package/Windows/pomvel_mini.exe\" direct -> HTTP 404, length 0, "
      "no validator",
      "status: 连接异常,错误代码：404 (download failed after 0 of 0 bytes)", "road: ended, the server's answer failed"}},
    // Failures that are not tried again, so that the road ends without a pause.
    {"UnknownHost", [](LoggedRoad& f) { f.http.responses = {FakeHttpClient::Response::OpenFailure(12007)}; },
     {"status: 连接不可用,错误代码：12007 (download failed after 0 of 0 bytes)"}},
    {"ConnectionBroken",
     [](LoggedRoad& f) {
         f.http.responses[0].reads = {FakeHttpClient::Data(60), FakeHttpClient::Failure(12019)};
         f.http.responses[0].headers[HttpHeader::ETag] = L"\"v1\"";
     },
     {"request: \"http://packages.example/package/Windows/pomvel_mini.exe\" direct -> HTTP 200, length 100, "
      "validator \"v1\"",
      "status: 连接异常,错误代码：12019 (download failed after 60 of 100 bytes)"}},
    {"TemporaryFileRefused", [](LoggedRoad& f) { f.files.createFails = true; },
     {"download: the temporary file cannot be created, code 5",
      "status: 无法创建写入文件 (download failed after 0 of 100 bytes)",
      "road: ended, the installer's file cannot be created"}},
    {"InstallerNotStarted", [](LoggedRoad& f) { f.processes.startFails = true; },
     {"status: 下载完毕 (download: 100 of 100 bytes)", "installer: not started, code 2",
      "status: 调用安装程序失败,错误码：2 (install failed)", "road: ended, the installer cannot be started"}},
    {"InstallerFails", [](LoggedRoad& f) { f.processes.exitCode = 1; },
     {"installer: started hidden: \"C:\\tmp\\quillmerex-0000000000000000\\yrfoinstall.exe\" -b", "installer: exit code 1",
      "status: 安装未完成 (install failed)"}},
    {"NoStartProgram",
     [](LoggedRoad& f) { f.files.Delete(L"C:\\AppData\\Marnholt\\game.exe"); },
     {"status: 安装完毕", "game: no start program at C:\\AppData\\Marnholt\\game.exe", "status: 安装异常,无启动程序"}},
    {"GameNotStarted", [](LoggedRoad& f) { f.shell.result = 2; },
     {"game: not started, shell result 2: C:\\AppData\\Marnholt\\game.exe", "status: 启动游戏失败,错误代码：2",
      "road: ended, the game cannot be started"}},
};

INSTANTIATE_TEST_SUITE_P(Launcher, LoggedFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// The road with a log that cannot be opened, or whose every write fails,
// goes exactly as the road without a log.
class BrokenLog : public LoggedRoad, public ::testing::WithParamInterface<bool> {};

TEST_P(BrokenLog, ChangesNothingOnTheRoad)
{
    logFiles.openFails = GetParam();
    logFiles.appendFails = !GetParam();
    RunRoad();
    EXPECT_EQ(processes.CommandLines(),
              (std::vector<std::wstring>{L"\"C:\\tmp\\quillmerex-0000000000000000\\yrfoinstall.exe\" -b"}));
    EXPECT_EQ(g_statusLabel->m_text, L"安装完毕");
    EXPECT_EQ(shell.opened, (std::vector<std::wstring>{kStartProgram}));
    EXPECT_EQ(windows.destroyed, 1);
    EXPECT_EQ(logFiles.Content(kLogPath), "");
}

INSTANTIATE_TEST_SUITE_P(Launcher, BrokenLog, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "CannotBeOpened" : "CannotBeWritten"); });

}  // namespace
