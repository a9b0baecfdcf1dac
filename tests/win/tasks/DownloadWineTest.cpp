// The download worker on the real platform: WinINet against a loopback
// server with scripted replies, files in a folder of the test's own.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "platform/win/WinTaskPlatform.h"
#include "tasks/CDownloadFileThread.h"
#include "tests/fakes/RecordingTaskEventHandler.h"
#include "tests/win/tasks/LoopbackServer.h"
#include "tests/win/tasks/TempFolder.h"
#include "tests/win/tasks/WatchedHttpClient.h"

namespace {

std::string Body(size_t length)
{
    std::string body(length, '\0');
    for (size_t i = 0; i < length; ++i)
        body[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return body;
}

class DownloadOnWindows : public ::testing::Test {
protected:
    DownloadOnWindows()
    {
        task.tempName = L"yrfoinstall.tmp";
        task.fileName = L"yrfoinstall.exe";
        task.directory = folder.Path();
        task.state.store(TaskState::Started);
    }
    ~DownloadOnWindows() override
    {
        if (worker)
            worker->Stop();
        server.Release();
    }

    void StartWorker(const std::wstring& url)
    {
        task.url = url;
        worker = std::make_unique<CDownloadFileThread>(&task, &events, &watchedHttp, &files);
        ASSERT_TRUE(worker->Start());
    }
    // Runs the download to its final report.
    void Download(const std::wstring& url)
    {
        StartWorker(url);
        ASSERT_TRUE(events.WaitForFinal());
        worker->Stop();
    }
    std::wstring FinalPath() const { return folder.File(L"yrfoinstall.exe"); }
    std::wstring TempPath() const { return folder.File(L"yrfoinstall.tmp"); }

    TempFolder folder;
    LoopbackServer server;
    WinHttpClient http;
    WatchedHttpClient watchedHttp{http};
    WinFileSystem files;
    RecordingTaskEventHandler events;
    DownTask task;
    std::unique_ptr<CDownloadFileThread> worker;
};

TEST_F(DownloadOnWindows, TransfersInChunksAndRenamesTheFile)
{
    const std::string body = Body(120000);
    ASSERT_TRUE(server.Start(LoopbackServer::Ok(body)));
    Download(server.Url());

    EXPECT_EQ(events.Operations(), "start progress progress progress finish");
    const auto reports = events.Events();
    EXPECT_EQ(reports[0].total, 120000u);
    EXPECT_EQ(reports[1].downloaded, 51200u);
    EXPECT_EQ(reports[2].downloaded, 102400u);
    EXPECT_EQ(reports[3].downloaded, 120000u);
    EXPECT_EQ(task.state.load(), TaskState::Finished);
    EXPECT_TRUE(TempFolder::ReadFile(FinalPath()) == body);
    EXPECT_FALSE(TempFolder::Exists(TempPath()));

    const std::string request = server.Request();
    EXPECT_EQ(request.rfind("GET /package/Windows/pomvel_mini.exe HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("User-Agent: quillmerexDownloader\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("Pragma: no-cache\r\n"), std::string::npos) << request;
}

struct ReplyCase {
    const char* name;
    std::function<LoopbackServer::Reply()> reply;  // null: nothing listens
    std::string operations;
    std::wstring message;
};

void PrintTo(const ReplyCase& c, std::ostream* os)
{
    *os << c.name;
}

class DownloadReplies : public DownloadOnWindows, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(DownloadReplies, EndAsTheReplyDeserves)
{
    const ReplyCase& c = GetParam();
    std::wstring url;
    if (c.reply) {
        ASSERT_TRUE(server.Start(c.reply()));
        url = server.Url();
    } else {
        url = L"http://127.0.0.1:" + std::to_wstring(LoopbackServer::UnusedPort()) + L"/x.exe";
    }
    Download(url);

    EXPECT_EQ(events.Operations(), c.operations);
    EXPECT_EQ(task.message, c.message);
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
    EXPECT_EQ(TempFolder::Exists(FinalPath()), c.message.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DownloadReplies,
    ::testing::Values(
        ReplyCase{"NoContentLength", [] { return LoopbackServer::WithoutLength(Body(5000)); }, "error",
                  L"连接异常,错误代码：12150"},
        ReplyCase{"NotFoundWithBody", [] { return LoopbackServer::WithStatus("404 Not Found", "<html>gone</html>"); },
                  "error", L"连接异常,错误代码：404"},
        ReplyCase{"TruncatedBody",
                  [] {
                      auto reply = LoopbackServer::Ok(Body(100000));
                      reply.bodyBytes = 30000;
                      return reply;
                  },
                  "start progress error", L"连接异常,错误代码：12030"},
        ReplyCase{"ZeroLength", [] { return LoopbackServer::Ok(""); }, "start finish", L""},
        ReplyCase{"ConnectionRefused", nullptr, "error", L"连接不可用,错误代码：12029"}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return info.param.name; });

TEST_F(DownloadOnWindows, FinishedFileOfTheAnnouncedSizeIsKept)
{
    ASSERT_TRUE(TempFolder::WriteFile(FinalPath(), std::string(3000, 'k')));
    ASSERT_TRUE(server.Start(LoopbackServer::Ok(Body(3000))));
    Download(server.Url());

    EXPECT_EQ(events.Operations(), "start finish");
    EXPECT_EQ(task.downloadedSize.load(), 3000u);
    EXPECT_EQ(TempFolder::ReadFile(FinalPath()), std::string(3000, 'k'));
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
}

TEST_F(DownloadOnWindows, FinalNameTakenByAFolderFailsTheTask)
{
    ASSERT_TRUE(CreateDirectoryW(FinalPath().c_str(), nullptr));
    ASSERT_TRUE(server.Start(LoopbackServer::Ok(Body(3000))));
    Download(server.Url());

    EXPECT_EQ(events.Operations(), "start progress error");
    const std::wstring prefix = L"写入文件错误,错误代码：";
    EXPECT_EQ(task.message.compare(0, prefix.size(), prefix), 0);
    EXPECT_GT(task.message.size(), prefix.size());
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
    EXPECT_TRUE(TempFolder::IsDirectory(FinalPath()));
}

// A server that sends its headers and part of the body, then nothing: the
// worker waits in a read that only the stop can end.
TEST_F(DownloadOnWindows, StopEndsAReadThatWaitsOnAStalledServer)
{
    auto reply = LoopbackServer::Ok(Body(1000000));
    reply.bodyBytes = 1000;
    reply.stallAfterSending = true;
    ASSERT_TRUE(server.Start(reply));
    StartWorker(server.Url());
    ASSERT_TRUE(server.WaitForSent());
    ASSERT_TRUE(watchedHttp.WaitForStuckRead());
    ASSERT_TRUE(TempFolder::Exists(TempPath()));

    const auto before = std::chrono::steady_clock::now();
    worker->Stop();
    const auto took = std::chrono::steady_clock::now() - before;

    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(events.Operations(), "start error");
    EXPECT_EQ(task.message, L"强制退出");
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
    EXPECT_FALSE(TempFolder::Exists(FinalPath()));
}

TEST_F(DownloadOnWindows, StopEndsAWaitForHeadersThatNeverCome)
{
    auto reply = LoopbackServer::Ok("");
    reply.silent = true;
    ASSERT_TRUE(server.Start(reply));
    StartWorker(server.Url());
    ASSERT_TRUE(server.WaitForRequest());

    const auto before = std::chrono::steady_clock::now();
    worker->Stop();
    const auto took = std::chrono::steady_clock::now() - before;

    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(events.Operations(), "error");
    EXPECT_EQ(task.message, L"强制退出");
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
}

}  // namespace
