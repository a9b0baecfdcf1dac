// The download worker on the real platform: WinINet against a loopback
// server with scripted replies, files in a folder of the test's own. After
// every road, WinINet's cache holds no copy of the file.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include <windows.h>
#include <wininet.h>

#include "platform/win/WinHttpSession.h"
#include "platform/win/WinTaskPlatform.h"
#include "tasks/CDownloadFileThread.h"
#include "tests/fakes/RecordingTaskEventHandler.h"
#include "tests/win/tasks/InternetCache.h"
#include "tests/win/tasks/LoopbackServer.h"
#include "tests/win/tasks/TempFolder.h"
#include "tests/win/tasks/ReadWatch.h"

namespace {

using Clock = std::chrono::steady_clock;
const wchar_t kCachedName[] = L"pomvel_mini";

std::string Body(size_t length)
{
    std::string body(length, '\0');
    for (size_t i = 0; i < length; ++i)
        body[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return body;
}

std::string Utf8(const std::wstring& text)
{
    std::string out(text.size() * 3 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

// Durations for roads where the real ones add nothing: the rules are the
// same, the waits short. (The real schedule is proven with a fake clock.)
download::Timings ShortTimings()
{
    download::Timings timings;
    timings.stallLimitMs = 1000;
    for (uint32_t& pause : timings.pausesMs)
        pause = 100;
    timings.renameWindowMs = 300;
    timings.renameIntervalMs = 50;
    return timings;
}

class DownloadOnWindows : public ::testing::Test {
protected:
    DownloadOnWindows()
    {
        task.tempName = L"yrfoinstall.tmp";
        task.fileName = L"yrfoinstall.exe";
        task.directory = folder.Path();
        task.state.store(TaskState::Started);
        internet_cache::Clear(kCachedName);
    }
    ~DownloadOnWindows() override
    {
        if (worker)
            worker->Stop();
        server.Release();
    }
    void TearDown() override
    {
        const auto copies = internet_cache::Copies(kCachedName);
        EXPECT_TRUE(copies.empty()) << "left in WinINet's cache:\n" << internet_cache::Joined(copies);
    }

    void StartWorker(const std::wstring& url)
    {
        task.url = url;
        worker = std::make_unique<CDownloadFileThread>(&task, &events, TaskPlatform{&watchedHttp, &files},
                                                       shortTimings ? ShortTimings() : download::Timings());
        ASSERT_TRUE(worker->Start());
    }
    // Runs the download to its final report.
    void Download(const std::wstring& url)
    {
        StartWorker(url);
        ASSERT_TRUE(events.WaitForFinal(std::chrono::seconds(60)));
        worker->Stop();
    }
    std::wstring FinalPath() const { return folder.File(L"yrfoinstall.exe"); }
    std::wstring TempPath() const { return folder.File(L"yrfoinstall.tmp"); }

    bool shortTimings = true;
    TempFolder folder;
    LoopbackServer server;
    WinHttpClient http;
    ReadWatch reads;
    ForwardingHttpClient watchedHttp{http, reads};
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
    EXPECT_EQ(request.find("Range:"), std::string::npos) << request;
}

// WinINet's own timeouts are the stall limit, so that a call the worker
// abandons ends in WinINet about as soon and frees its connection.
TEST_F(DownloadOnWindows, WinInetTimeoutsAreTheStallLimit)
{
    ASSERT_TRUE(server.Start(LoopbackServer::Ok("x")));
    uint32_t error = 0;
    std::unique_ptr<IHttpSession> session = http.OpenSession(L"quillmerexDownloader", error);
    ASSERT_TRUE(session) << error;
    std::atomic<bool> keepGoing{true};
    ASSERT_TRUE(session->OpenUrl(server.Url(), L"", error, keepGoing, 7000)) << error;
    auto* root = static_cast<HINTERNET>(static_cast<WinHttpSession*>(session.get())->Handle());
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD value = 0;
        DWORD size = sizeof(value);
        if (!InternetQueryOptionW(root, option, &value, &size)) {
            // Wine keeps the send and receive timeouts only on request
            // handles (12018, wrong handle type); Windows on the root too.
            EXPECT_NE(option, static_cast<DWORD>(INTERNET_OPTION_CONNECT_TIMEOUT));
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INCORRECT_HANDLE_TYPE)) << option;
            continue;
        }
        EXPECT_EQ(value, 7000u) << option;
    }
}

struct ReplyCase {
    const char* name;
    std::function<LoopbackServer::Reply()> reply;  // null: nothing listens
    std::string lastOperation;
    std::wstring message;
    size_t requests;
    size_t retries;  // 5: tried again five times, one short pause each
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

    EXPECT_EQ(events.Events().back().operation, c.lastOperation);
    EXPECT_EQ(task.message, c.message);
    if (c.reply) {
        EXPECT_EQ(server.Requests().size(), c.requests);
    }
    EXPECT_EQ(events.Countdown().size(), c.retries);
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
    EXPECT_EQ(TempFolder::Exists(FinalPath()), c.message.empty());
}

LoopbackServer::Reply RedirectTo(const std::string& location)
{
    LoopbackServer::Reply reply = LoopbackServer::WithStatus("302 Found", "");
    reply.head.insert(reply.head.size() - 2, "Location: " + location + "\r\n");
    return reply;
}

// A reply of 300 KB with this status line and these headers, the length
// headers among them, exactly as given.
LoopbackServer::Reply Answer(const std::string& status, const std::string& headers)
{
    LoopbackServer::Reply reply;
    reply.head = "HTTP/1.1 " + status + "\r\nContent-Type: application/octet-stream\r\n" + headers +
                 "Connection: close\r\n\r\n";
    reply.body = Body(307200);
    return reply;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DownloadReplies,
    ::testing::Values(
        ReplyCase{"NoContentLength", [] { return LoopbackServer::WithoutLength(Body(5000)); }, "error",
                  L"连接异常,错误代码：12150", 1, 0},
        ReplyCase{"NotFoundWithBody", [] { return LoopbackServer::WithStatus("404 Not Found", "<html>gone</html>"); },
                  "error", L"连接异常,错误代码：404", 1, 0},
        ReplyCase{"AlwaysTruncated",
                  [] {
                      auto reply = LoopbackServer::Ok(Body(100000));
                      reply.bodyBytes = 30000;
                      return reply;
                  },
                  "error", L"连接异常,错误代码：12030", 6, 5},
        ReplyCase{"AlwaysUnavailable", [] { return LoopbackServer::WithStatus("503 Service Unavailable", "busy"); },
                  "error", L"连接异常,错误代码：503", 6, 5},
        ReplyCase{"NeverAnswers",
                  [] {
                      auto reply = LoopbackServer::Ok("");
                      reply.silent = true;
                      return reply;
                  },
                  "error", L"连接不可用,错误代码：12002", 6, 5},
        // No status line is no answer: invalid, final for the address.
        ReplyCase{"ClosesWithoutAnswer",
                  [] {
                      LoopbackServer::Reply reply;
                      reply.closeAtOnce = true;
                      return reply;
                  },
                  "error", L"连接不可用,错误代码：12152", 1, 0},
        ReplyCase{"RedirectToItself", [] { return RedirectTo("/package/Windows/pomvel_mini.exe"); }, "error",
                  L"连接不可用,错误代码：12156", 11, 0},
        ReplyCase{"ZeroLength", [] { return LoopbackServer::Ok(""); }, "finish", L"", 1, 0},
        // Answers that would pass for the whole file when they are not:
        // invalid, final for the address (the next mirror would be asked
        // at once), never saved.
        ReplyCase{"TwoDifferentLengths",
                  [] { return Answer("200 OK", "Content-Length: 122880\r\nContent-Length: 307200\r\n"); },
                  "error", L"连接不可用,错误代码：12152", 1, 0},
        ReplyCase{"ListOfDifferentLengths", [] { return Answer("200 OK", "Content-Length: 122880, 307200\r\n"); },
                  "error", L"连接不可用,错误代码：12152", 1, 0},
        ReplyCase{"PartNotAskedFor",
                  [] {
                      auto reply = Answer("206 Partial Content",
                                          "Content-Range: bytes 0-122879/307200\r\nContent-Length: 122880\r\n");
                      reply.bodyBytes = 122880;
                      return reply;
                  },
                  "error", L"连接不可用,错误代码：12152", 1, 0},
        ReplyCase{"TwoEqualLengths",
                  [] { return Answer("200 OK", "Content-Length: 307200\r\nContent-Length: 307200\r\n"); },
                  "finish", L"", 1, 0},
        // Read as a number, WinINet takes it for 4294967291.
        ReplyCase{"NegativeLength", [] { return Answer("200 OK", "Content-Length: -5\r\n"); }, "error",
                  L"连接异常,错误代码：12150", 1, 0},
        // Bare carriage returns would go out in the next request line.
        ReplyCase{"RedirectWithCarriageReturns", [] { return RedirectTo("/a\rX-Evil:%201\r.exe"); }, "error",
                  L"连接不可用,错误代码：12156", 1, 0},
        ReplyCase{"ConnectionRefused", nullptr, "error", L"连接不可用,错误代码：12029", 6, 5}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return info.param.name; });

// --- Roads that recover: the first connection fails, a later one serves ----

constexpr size_t kLength = 300000;
const char kETag[] = "\"qmx-1\"";

struct RecoveryCase {
    const char* name;
    std::function<LoopbackServer::Reply(const std::string& request)> first;
    bool resumes;  // the second request asks for the rest only
};

void PrintTo(const RecoveryCase& c, std::ostream* os)
{
    *os << c.name;
}

class Recovery : public DownloadOnWindows, public ::testing::WithParamInterface<RecoveryCase> {};

TEST_P(Recovery, GetsTheWholeFileOnce)
{
    const RecoveryCase& c = GetParam();
    const std::string body = Body(kLength);
    ASSERT_TRUE(server.Start([&c, body](const std::string& request, size_t index) {
        return index == 0 ? c.first(request) : LoopbackServer::Ranged(request, body, kETag);
    }));
    Download(server.Url());

    ASSERT_EQ(task.state.load(), TaskState::Finished) << Utf8(task.message);
    EXPECT_TRUE(TempFolder::ReadFile(FinalPath()) == body);
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const int64_t from = LoopbackServer::RangeStart(requests[1]);
    if (c.resumes) {
        EXPECT_GT(from, 0) << requests[1];
        EXPECT_NE(requests[1].find(std::string("If-Range: ") + kETag + "\r\n"), std::string::npos) << requests[1];
        // Progress went on from the bytes on disk: never back to 0.
        uint64_t lowest = UINT64_MAX;
        bool retried = false;
        for (const auto& event : events.Events()) {
            retried = retried || event.state == TaskState::Retrying;
            if (retried && event.state == TaskState::Downloading && event.downloaded < lowest)
                lowest = event.downloaded;
        }
        EXPECT_EQ(lowest, static_cast<uint64_t>(from));
    } else {
        EXPECT_EQ(from, -1) << requests[1];
    }
    EXPECT_EQ(events.Countdown(), std::vector<std::string>{"1:1"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Recovery,
    ::testing::Values(
        RecoveryCase{"ResetPartWay",
                     [](const std::string& request) {
                         auto reply = LoopbackServer::Ranged(request, Body(kLength), kETag);
                         reply.bodyBytes = 120000;
                         reply.reset = true;
                         return reply;
                     },
                     true},
        RecoveryCase{"BodyStallsPastTheWatchdog",
                     [](const std::string& request) {
                         auto reply = LoopbackServer::Ranged(request, Body(kLength), kETag);
                         reply.bodyBytes = 100000;
                         reply.stallAfterSending = true;
                         return reply;
                     },
                     true},
        RecoveryCase{"NoHeadersPastTheWatchdog",
                     [](const std::string&) {
                         auto reply = LoopbackServer::Ok("");
                         reply.silent = true;
                         return reply;
                     },
                     false},
        RecoveryCase{"ServerErrorOnce",
                     [](const std::string&) { return LoopbackServer::WithStatus("500 Internal Server Error", "x"); },
                     false}),
    [](const ::testing::TestParamInfo<RecoveryCase>& info) { return info.param.name; });

TEST_F(DownloadOnWindows, RetryAfterOfA503IsWaitedOut)
{
    const std::string body = Body(5000);
    ASSERT_TRUE(server.Start([body](const std::string&, size_t index) {
        if (index > 0)
            return LoopbackServer::Ok(body);
        auto reply = LoopbackServer::WithStatus("503 Service Unavailable", "busy");
        reply.head.insert(reply.head.size() - 2, "Retry-After: 1\r\n");
        return reply;
    }));
    const auto before = Clock::now();
    Download(server.Url());

    EXPECT_EQ(task.state.load(), TaskState::Finished);
    // The second asked for, with up to a tenth added by the draw: the
    // countdown starts at 2 s unless the draw added nothing.
    const auto countdown = events.Countdown();
    ASSERT_FALSE(countdown.empty());
    EXPECT_TRUE(countdown == std::vector<std::string>{"1:1"} || countdown == (std::vector<std::string>{"1:2", "1:1"}))
        << countdown.front();
    // A second, although this test's own pauses are a tenth of that.
    EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(990));
    EXPECT_EQ(server.Requests().size(), 2u);
}

// Two lengths from mirror a: that address is out at once, and mirror b
// serves the whole file without a pause or a countdown.
TEST_F(DownloadOnWindows, AnInvalidAnswerMovesToTheNextMirrorAtOnce)
{
    const std::string body = Body(70000);
    ASSERT_TRUE(server.Start([body](const std::string& request, size_t) {
        if (request.rfind("GET /b/", 0) == 0)
            return LoopbackServer::Ok(body);
        return Answer("200 OK", "Content-Length: 122880\r\nContent-Length: 307200\r\n");
    }));
    task.mirrors = {L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/b/pomvel_mini.exe"};
    Download(server.Url());

    EXPECT_EQ(task.state.load(), TaskState::Finished) << Utf8(task.message);
    EXPECT_TRUE(TempFolder::ReadFile(FinalPath()) == body);
    EXPECT_TRUE(events.Countdown().empty());
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].rfind("GET /package/", 0), 0u) << requests[0];
    EXPECT_EQ(requests[1].rfind("GET /b/", 0), 0u) << requests[1];
}

TEST_F(DownloadOnWindows, RedirectIsFollowedToAnotherPath)
{
    const std::string body = Body(70000);
    ASSERT_TRUE(server.Start([body](const std::string& request, size_t) {
        return request.rfind("GET /files/", 0) == 0 ? LoopbackServer::Ok(body) : RedirectTo("../../files/x.exe?v=2");
    }));
    Download(server.Url());

    EXPECT_EQ(task.state.load(), TaskState::Finished);
    EXPECT_TRUE(TempFolder::ReadFile(FinalPath()) == body);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].rfind("GET /files/x.exe?v=2 HTTP/1.1\r\n", 0), 0u) << requests[1];
}

// A length above 4 GiB, read as text (the numeric query refuses it): the
// counts go on past 32 bits' worth of total. The server sends a little and
// stalls; the stop ends it.
TEST_F(DownloadOnWindows, LengthOf5GiBIsCountedIn64Bits)
{
    shortTimings = false;
    auto reply = Answer("200 OK", "Content-Length: 5368709120\r\n");
    reply.bodyBytes = 60000;
    reply.stallAfterSending = true;
    ASSERT_TRUE(server.Start(reply));
    StartWorker(server.Url());
    ASSERT_TRUE(server.WaitForSent());
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    // A read hands on a whole chunk, or what came before the data ended:
    // the first 51,200 bytes arrive, the rest of the 60,000 waits in the
    // stalled read.
    while (task.downloadedSize.load() < CDownloadFileThread::kBufferSize && Clock::now() < deadline)
        Sleep(5);
    worker->Stop();

    const auto reports = events.Events();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[0].operation, "start");
    EXPECT_EQ(reports[0].total, 5368709120ull);
    EXPECT_EQ(task.downloadedSize.load(), CDownloadFileThread::kBufferSize);
    EXPECT_EQ(task.totalSize.load(), 5368709120ull);
    EXPECT_EQ(task.message, L"强制退出");
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
}

// Without a pinned digest, a file under the final name is never taken for
// the download, not even one of the announced size.
TEST_F(DownloadOnWindows, FileOfTheAnnouncedSizeIsReplacedWithoutAPin)
{
    ASSERT_TRUE(TempFolder::WriteFile(FinalPath(), std::string(3000, 'k')));
    const std::string body = Body(3000);
    ASSERT_TRUE(server.Start(LoopbackServer::Ok(body)));
    Download(server.Url());

    EXPECT_EQ(events.Operations(), "start progress finish");
    EXPECT_TRUE(TempFolder::ReadFile(FinalPath()) == body);
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
}

TEST_F(DownloadOnWindows, FileOfAnotherSizeIsReplaced)
{
    ASSERT_TRUE(TempFolder::WriteFile(FinalPath(), std::string(10, 'k')));
    const std::string body = Body(3000);
    ASSERT_TRUE(server.Start(LoopbackServer::Ok(body)));
    Download(server.Url());

    EXPECT_EQ(task.state.load(), TaskState::Finished);
    EXPECT_TRUE(TempFolder::ReadFile(FinalPath()) == body);
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

// Another program holds the old file open (as a virus scanner does with a
// new program): the rename waits until it lets go.
TEST_F(DownloadOnWindows, RenameWaitsForAProgramThatHoldsTheFile)
{
    ASSERT_TRUE(TempFolder::WriteFile(FinalPath(), std::string(10, 'k')));
    ScopedFileHandle held(
        CreateFileW(FinalPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    const std::string body = Body(3000);
    ASSERT_TRUE(server.Start(LoopbackServer::Ok(body)));
    task.url = server.Url();
    download::Timings timings = ShortTimings();
    timings.renameWindowMs = 5000;
    worker = std::make_unique<CDownloadFileThread>(&task, &events, TaskPlatform{&watchedHttp, &files}, timings);
    ASSERT_TRUE(worker->Start());
    // Every byte is on disk; the rename now meets the open file.
    ASSERT_TRUE(server.WaitForSent());
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (task.downloadedSize.load() < 3000 && Clock::now() < deadline)
        Sleep(5);
    Sleep(300);
    EXPECT_NE(task.state.load(), TaskState::Finished) << "the rename went through a file held open";
    held.Reset();
    ASSERT_TRUE(events.WaitForFinal());
    worker->Stop();

    EXPECT_EQ(task.state.load(), TaskState::Finished) << Utf8(task.message);
    EXPECT_TRUE(TempFolder::ReadFile(FinalPath()) == body);
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
}

// A server that sends its headers and part of the body, then nothing: the
// worker waits in a read that only the stop (or the watchdog) can end.
TEST_F(DownloadOnWindows, StopEndsAReadThatWaitsOnAStalledServer)
{
    shortTimings = false;
    auto reply = LoopbackServer::Ok(Body(1000000));
    reply.bodyBytes = 1000;
    reply.stallAfterSending = true;
    ASSERT_TRUE(server.Start(reply));
    StartWorker(server.Url());
    ASSERT_TRUE(server.WaitForSent());
    ASSERT_TRUE(reads.WaitForStuckRead());
    ASSERT_TRUE(TempFolder::Exists(TempPath()));

    const auto before = Clock::now();
    worker->Stop();
    const auto took = Clock::now() - before;

    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(events.Operations(), "start error");
    EXPECT_EQ(task.message, L"强制退出");
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
    EXPECT_FALSE(TempFolder::Exists(FinalPath()));
}

TEST_F(DownloadOnWindows, StopEndsAWaitForHeadersThatNeverCome)
{
    shortTimings = false;
    auto reply = LoopbackServer::Ok("");
    reply.silent = true;
    ASSERT_TRUE(server.Start(reply));
    StartWorker(server.Url());
    ASSERT_TRUE(server.WaitForRequest());

    const auto before = Clock::now();
    worker->Stop();
    const auto took = Clock::now() - before;

    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(events.Operations(), "error");
    EXPECT_EQ(task.message, L"强制退出");
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
}

// With the product's own pauses: the stop ends the two seconds before the
// first retry at once, and the partial file goes with it.
TEST_F(DownloadOnWindows, StopEndsAPauseBeforeARetry)
{
    shortTimings = false;
    const std::string body = Body(kLength);
    ASSERT_TRUE(server.Start([body](const std::string& request, size_t) {
        auto reply = LoopbackServer::Ranged(request, body, kETag);
        reply.bodyBytes = 60000;
        reply.reset = true;
        return reply;
    }));
    StartWorker(server.Url());
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (task.state.load() != TaskState::Retrying && Clock::now() < deadline)
        Sleep(5);
    ASSERT_EQ(task.state.load(), TaskState::Retrying);
    ASSERT_TRUE(TempFolder::Exists(TempPath()));

    const auto before = Clock::now();
    worker->Stop();
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(500));
    EXPECT_EQ(task.message, L"强制退出");
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_FALSE(TempFolder::Exists(TempPath()));
    EXPECT_FALSE(TempFolder::Exists(FinalPath()));
}

}  // namespace
