// The download worker's event sequences, texts and files, one case per
// road through it, with a scripted HTTP client and an in-memory disk.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/native/NativeThreads.h"
#include "tasks/CDownloadFileThread.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeHttpClient.h"
#include "tests/fakes/RecordingTaskEventHandler.h"
#include "tests/native/tasks/SteerableWorker.h"

namespace {

const std::wstring kDir = L"C:\\tmp dir";
const std::wstring kFinal = kDir + L"\\yrfoinstall.exe";
const std::wstring kTemp = kDir + L"\\yrfoinstall.tmp";
constexpr uint32_t kChunk = CDownloadFileThread::kBufferSize;

std::vector<uint32_t> g_pauses;
void RecordPause(uint32_t milliseconds) { g_pauses.push_back(milliseconds); }

std::vector<uint8_t> Body(uint32_t length)
{
    std::vector<uint8_t> body(length);
    for (uint32_t i = 0; i < length; ++i)
        body[i] = FakeHttpClient::BodyByte(i);
    return body;
}

using Worker = SteerableWorker<CDownloadFileThread>;

struct Fixture {
    FakeHttpClient http;
    FakeFileSystem files;
    RecordingTaskEventHandler events;
    DownTask task;
    std::unique_ptr<Worker> worker;

    Fixture()
    {
        task.url = L"http://127.0.0.1/package/Windows/pomvel_mini.exe";
        task.tempName = L"yrfoinstall.tmp";
        task.fileName = L"yrfoinstall.exe";
        task.directory = kDir;
        task.state.store(TaskState::Started);
        worker = std::make_unique<Worker>(&task, &events, &http, &files);
    }
};

struct Case {
    const char* name;
    std::function<void(Fixture&)> arrange;
    std::string operations;
    TaskState state;
    std::wstring message;
    std::function<void(Fixture&)> check;  // further checks, may be empty
};

void NoTempFile(Fixture& f)
{
    EXPECT_FALSE(f.files.Exists(kTemp));
}

void NothingWritten(Fixture& f)
{
    EXPECT_TRUE(f.files.Created().empty());
    EXPECT_FALSE(f.files.Exists(kFinal));
}

std::vector<Case> Cases()
{
    return {
        {"NoConnection", [](Fixture& f) { f.http.attemptConnectResult = 1; }, "error", TaskState::Failed,
         L"网络连接异常", NothingWritten},
        {"NoSession", [](Fixture& f) { f.http.sessionFails = true; }, "error", TaskState::Failed,
         L"网络打开会话失败", NothingWritten},
        {"AddressUnavailable",
         [](Fixture& f) {
             f.http.openFails = true;
             f.http.openError = 12007;
         },
         "error", TaskState::Failed, L"连接不可用,错误代码：12007", NothingWritten},
        {"NoContentLength", [](Fixture& f) { f.http.hasContentLength = false; }, "error", TaskState::Failed,
         L"连接异常,错误代码：12150", NothingWritten},
        {"ErrorStatusWithBody",
         [](Fixture& f) {
             f.http.status = 404;
             f.http.SetBody(300, {300});
         },
         "error", TaskState::Failed, L"连接异常,错误代码：404",
         [](Fixture& f) {
             NothingWritten(f);
             EXPECT_EQ(f.http.readsStarted.load(), 0);
         }},
        {"RedirectLeftUnfollowedIsNoDownload",
         [](Fixture& f) {
             f.http.status = 302;
             f.http.SetBody(0, {});
         },
         "error", TaskState::Failed, L"连接异常,错误代码：302", NothingWritten},
        {"FinishedFileOfAnnouncedSizeIsReused",
         [](Fixture& f) {
             f.http.SetBody(1000, {1000});
             f.files.PutFile(kFinal, std::vector<uint8_t>(1000, 0xAB));
         },
         "start finish", TaskState::Finished, L"",
         [](Fixture& f) {
             EXPECT_EQ(f.task.downloadedSize.load(), 1000u);
             EXPECT_TRUE(f.files.Created().empty());
             EXPECT_EQ(f.files.Content(kFinal), std::vector<uint8_t>(1000, 0xAB));
         }},
        {"FileOfAnotherSizeIsReplaced",
         [](Fixture& f) {
             f.http.SetBody(1000, {1000});
             f.files.PutFile(kFinal, std::vector<uint8_t>(999, 0xAB));
         },
         "start progress finish", TaskState::Finished, L"",
         [](Fixture& f) {
             EXPECT_EQ(f.files.Content(kFinal), Body(1000));
             NoTempFile(f);
         }},
        {"FileOf4GiBNeverCountsAsFinished",
         [](Fixture& f) {
             f.http.SetBody(0, {});
             f.files.PutSizedFile(kFinal, 0x100000000ull);
         },
         "start finish", TaskState::Finished, L"",
         [](Fixture& f) {
             EXPECT_EQ(f.files.Created(), std::vector<std::wstring>{kTemp});
             EXPECT_TRUE(f.files.Content(kFinal).empty());
         }},
        {"CompleteTransferInChunks",
         [](Fixture& f) { f.http.SetBody(2 * kChunk + 100, {kChunk, kChunk, 100}); }, "start progress progress progress finish",
         TaskState::Finished, L"",
         [](Fixture& f) {
             const auto events = f.events.Events();
             EXPECT_EQ(events[0].state, TaskState::Downloading);
             EXPECT_EQ(events[0].downloaded, 0u);
             EXPECT_EQ(events[0].total, 2 * kChunk + 100);
             EXPECT_EQ(events[1].downloaded, kChunk);
             EXPECT_EQ(events[2].downloaded, 2 * kChunk);
             EXPECT_EQ(events[3].downloaded, 2 * kChunk + 100);
             EXPECT_EQ(f.files.Content(kFinal), Body(2 * kChunk + 100));
             NoTempFile(f);
             EXPECT_EQ(g_pauses, (std::vector<uint32_t>{10, 10, 10}));
             EXPECT_EQ(f.http.userAgent, L"quillmerexDownloader");
             EXPECT_EQ(f.http.url, f.task.url);
         }},
        {"ZeroLengthMakesEmptyFile", [](Fixture& f) { f.http.SetBody(0, {}); }, "start finish", TaskState::Finished,
         L"",
         [](Fixture& f) {
             EXPECT_TRUE(f.files.Exists(kFinal));
             EXPECT_TRUE(f.files.Content(kFinal).empty());
             EXPECT_EQ(f.events.Events()[0].total, 0u);
         }},
        {"TempFileCannotBeCreated",
         [](Fixture& f) {
             f.http.SetBody(10, {10});
             f.files.createFails = true;
         },
         "start error", TaskState::Failed, L"无法创建写入文件", nullptr},
        {"ReadFails",
         [](Fixture& f) {
             f.http.SetBody(2000, {1000});
             f.http.reads.push_back({0, true, 12002, false});
             f.files.PutFile(kFinal, {1, 2, 3});
         },
         "start progress error", TaskState::Failed, L"连接异常,错误代码：12002",
         [](Fixture& f) {
             NoTempFile(f);
             EXPECT_EQ(f.files.Content(kFinal), (std::vector<uint8_t>{1, 2, 3}));
         }},
        {"WriteFails",
         [](Fixture& f) {
             f.http.SetBody(2000, {1000, 1000});
             f.files.failingWrite = 1;
         },
         "start progress progress error", TaskState::Failed, L"写入文件错误,错误代码：112", NoTempFile},
        {"ShortWriteFails",
         [](Fixture& f) {
             f.http.SetBody(1000, {1000});
             f.files.failingWrite = 0;
             f.files.shortWrite = true;
         },
         "start progress error", TaskState::Failed, L"写入文件错误,错误代码：112", NoTempFile},
        {"TruncatedBodyFailsAndLeavesFinalNameAlone",
         [](Fixture& f) {
             f.http.SetBody(3000, {1000});
             f.files.PutFile(kFinal, {1, 2, 3});
         },
         "start progress error", TaskState::Failed, L"连接异常,错误代码：12030",
         [](Fixture& f) {
             NoTempFile(f);
             EXPECT_EQ(f.files.Content(kFinal), (std::vector<uint8_t>{1, 2, 3}));
             EXPECT_EQ(f.task.downloadedSize.load(), 1000u);
         }},
        {"FinalNameIsADirectory",
         [](Fixture& f) {
             f.http.SetBody(1000, {1000});
             f.files.PutDirectory(kFinal);
         },
         "start progress error", TaskState::Failed, L"写入文件错误,错误代码：183",
         [](Fixture& f) {
             NoTempFile(f);
             EXPECT_TRUE(f.files.IsDirectory(kFinal));
         }},
        {"DirectoryOfAnnouncedSizeIsNotReused",
         [](Fixture& f) {
             f.http.SetBody(0, {});
             f.files.PutDirectory(kFinal);
         },
         "start error", TaskState::Failed, L"写入文件错误,错误代码：183", NoTempFile},
        {"StopBeforeFirstRead",
         [](Fixture& f) {
             f.http.SetBody(1000, {1000});
             f.http.beforeRead = [](size_t) { ADD_FAILURE() << "read after stop"; };
             f.worker->ClearRunning();
         },
         "start error", TaskState::Failed, L"强制退出",
         [](Fixture& f) {
             EXPECT_EQ(f.files.Created(), std::vector<std::wstring>{kTemp});
             NoTempFile(f);
         }},
        {"StopDuringStalledRead",
         [](Fixture& f) {
             f.http.SetBody(5000, {1000});
             f.http.reads.push_back({0, false, 0, true});
             f.http.beforeRead = [&f](size_t index) {
                 if (index == 1)
                     f.worker->ClearRunning();
             };
         },
         "start progress error", TaskState::Failed, L"强制退出", NoTempFile},
        {"StopWhileOpeningTheAddress",
         [](Fixture& f) {
             f.http.openStalls = true;
             f.worker->ClearRunning();
         },
         "error", TaskState::Failed, L"强制退出", NothingWritten},
    };
}

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class DownloadWorker : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override
    {
        g_pauses.clear();
        threads::SetSleepHook(&RecordPause);
    }
    void TearDown() override { threads::SetSleepHook(nullptr); }
};

TEST_P(DownloadWorker, ReportsAndLeavesFiles)
{
    const Case& c = GetParam();
    Fixture f;
    c.arrange(f);
    EXPECT_FALSE(f.worker->Run());

    EXPECT_EQ(f.events.Operations(), c.operations);
    EXPECT_EQ(f.task.state.load(), c.state);
    EXPECT_EQ(f.task.message, c.message);
    // Every handle is released on every road.
    EXPECT_EQ(f.http.openRequests.load(), 0);
    EXPECT_EQ(f.http.openSessions.load(), 0);
    EXPECT_EQ(f.files.OpenFiles(), 0);
    for (const auto& event : f.events.Events()) {
        if (event.operation == "start" || event.operation == "progress") {
            EXPECT_EQ(event.state, TaskState::Downloading) << event.operation;
        }
    }
    if (c.check)
        c.check(f);
}

INSTANTIATE_TEST_SUITE_P(Cases, DownloadWorker, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(DownloadWorkerPaths, DirectoryWithTrailingBackslashGetsADoubledOne)
{
    Fixture f;
    f.task.directory = L"C:\\tmp\\";
    f.http.SetBody(4, {4});
    threads::SetSleepHook(&RecordPause);
    f.worker->Run();
    threads::SetSleepHook(nullptr);
    EXPECT_EQ(f.files.Created(), std::vector<std::wstring>{L"C:\\tmp\\\\yrfoinstall.tmp"});
    EXPECT_TRUE(f.files.Exists(L"C:\\tmp\\\\yrfoinstall.exe"));
}

}  // namespace
