// The download worker's event sequences, texts, requests and files, one
// case per road through it, with a scripted HTTP client, an in-memory disk
// and a clock that moves only when the worker waits.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <functional>
#include <string>
#include <vector>

#include "platform/native/NativeThreads.h"
#include "tests/fakes/DownloadWorkerFixture.h"

namespace {

using Response = FakeHttpClient::Response;

const std::wstring kUrl = L"http://127.0.0.1/package/Windows/pomvel_mini.exe";
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

struct Fixture : DownloadWorkerFixture {
    Fixture() : DownloadWorkerFixture(kUrl, kDir) {}
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

void ExpectHandlesReleased(Fixture& f)
{
    EXPECT_TRUE(f.HandlesReleased());
}

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_pauses.clear();
        threads::SetSleepHook(&RecordPause);
    }
    void TearDown() override { threads::SetSleepHook(nullptr); }
};

// --- One road each: the events, the text, how many requests were made ----

struct Case {
    const char* name;
    std::function<void(Fixture&)> arrange;
    std::string operations;
    TaskState state;
    std::wstring message;
    size_t requests;  // 1: a failure that is not tried again
    std::function<void(Fixture&)> check;  // further checks, may be empty
};

std::vector<Case> Cases()
{
    return {
        {"NoConnection", [](Fixture& f) { f.http.attemptConnectResult = 1; }, "error", TaskState::Failed,
         L"网络连接异常", 0, NothingWritten},
        {"NoSession", [](Fixture& f) { f.http.sessionFails = true; }, "error", TaskState::Failed,
         L"网络打开会话失败", 0, NothingWritten},
        {"UnknownHostIsNotRetried", [](Fixture& f) { f.http.responses = {Response::OpenFailure(12007)}; }, "error",
         TaskState::Failed, L"连接不可用,错误代码：12007", 1, NothingWritten},
        {"NoNetworkBeforeAnAnswerIsNotRetried", [](Fixture& f) { f.http.responses = {Response::OpenFailure(12163)}; },
         "error", TaskState::Failed, L"连接不可用,错误代码：12163", 1, NothingWritten},
        {"CertificateErrorIsNotRetried", [](Fixture& f) { f.http.responses = {Response::OpenFailure(12045)}; },
         "error", TaskState::Failed, L"连接不可用,错误代码：12045", 1, NothingWritten},
        {"NoContentLength",
         [](Fixture& f) {
             f.http.SetBody(0, {});
             f.http.responses[0].hasContentLength = false;
         },
         "error", TaskState::Failed, L"连接异常,错误代码：12150", 1, NothingWritten},
        {"NotFoundIsNotRetried",
         [](Fixture& f) {
             f.http.SetBody(300, {300});
             f.http.responses[0].status = 404;
         },
         "error", TaskState::Failed, L"连接异常,错误代码：404",
         1,
         [](Fixture& f) {
             NothingWritten(f);
             EXPECT_EQ(f.http.readsStarted.load(), 0);
         }},
        {"ForbiddenIsNotRetried", [](Fixture& f) { f.http.responses = {Response::Status(403)}; }, "error",
         TaskState::Failed, L"连接异常,错误代码：403", 1, NothingWritten},
        {"RedirectWithoutLocationIsNoDownload", [](Fixture& f) { f.http.responses = {Response::Status(302)}; },
         "error", TaskState::Failed, L"连接异常,错误代码：302", 1, NothingWritten},
        // Without a pinned digest a file of the right size may be anything.
        {"FileOfAnnouncedSizeIsReplacedWithoutAPin",
         [](Fixture& f) {
             f.http.SetBody(1000, {1000});
             f.files.PutFile(kFinal, std::vector<uint8_t>(1000, 0xAB));
         },
         "start progress finish", TaskState::Finished, L"", 1,
         [](Fixture& f) {
             EXPECT_EQ(f.files.Content(kFinal), Body(1000));
             NoTempFile(f);
         }},
        {"FileOfAnotherSizeIsReplaced",
         [](Fixture& f) {
             f.http.SetBody(1000, {1000});
             f.files.PutFile(kFinal, std::vector<uint8_t>(999, 0xAB));
         },
         "start progress finish", TaskState::Finished, L"", 1,
         [](Fixture& f) {
             EXPECT_EQ(f.files.Content(kFinal), Body(1000));
             NoTempFile(f);
         }},
        {"FileOf4GiBNeverCountsAsFinished",
         [](Fixture& f) {
             f.http.SetBody(0, {});
             f.files.PutSizedFile(kFinal, 0x100000000ull);
         },
         "start finish", TaskState::Finished, L"", 1,
         [](Fixture& f) {
             EXPECT_EQ(f.files.Created(), std::vector<std::wstring>{kTemp});
             EXPECT_TRUE(f.files.Content(kFinal).empty());
         }},
        {"CompleteTransferInChunks",
         [](Fixture& f) { f.http.SetBody(2 * kChunk + 100, {kChunk, kChunk, 100}); },
         "start progress progress progress finish", TaskState::Finished, L"", 1,
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
             // Reads that take no time: each waits out the whole spacing.
             EXPECT_EQ(f.clock.WaitsUs(), (std::vector<uint64_t>{10000, 10000, 10000}));
             EXPECT_EQ(f.http.userAgent, L"quillmerexDownloader");
             const auto requests = f.http.Requests();
             EXPECT_EQ(requests[0].url, kUrl);
             EXPECT_EQ(requests[0].headers, L"");
             EXPECT_EQ(requests[0].stallLimit, 30000u);
         }},
        {"NegativeLengthIsNoLength",
         [](Fixture& f) {
             f.http.SetBody(300, {300});
             f.http.responses[0].contentLengthValues = {L"-5"};
         },
         "error", TaskState::Failed, L"连接异常,错误代码：12150", 1,
         [](Fixture& f) {
             NothingWritten(f);
             EXPECT_EQ(f.http.readsStarted.load(), 0);
         }},
        {"LengthAbove2To63IsNoLength",
         [](Fixture& f) {
             f.http.SetBody(300, {300});
             f.http.responses[0].contentLengthValues = {L"9223372036854775808"};
         },
         "error", TaskState::Failed, L"连接异常,错误代码：12150", 1, NothingWritten},
        {"TwoEqualLengthsAreOne",
         [](Fixture& f) {
             f.http.SetBody(300, {300});
             f.http.responses[0].contentLengthValues = {L"300", L"300"};
         },
         "start progress finish", TaskState::Finished, L"", 1,
         [](Fixture& f) { EXPECT_EQ(f.files.Content(kFinal), Body(300)); }},
        {"LengthAbove4GiBCountsIn64Bits",
         [](Fixture& f) {
             f.http.SetBody(5368709120ull, {kChunk});
             f.http.responses[0].reads.push_back(FakeHttpClient::Stall());
             f.http.beforeRead = [&f](size_t index) {
                 if (index == 1)
                     f.worker->ClearRunning();
             };
         },
         "start progress error", TaskState::Failed, L"强制退出", 1,
         [](Fixture& f) {
             const auto events = f.events.Events();
             EXPECT_EQ(events[0].total, 5368709120ull);
             EXPECT_EQ(events[1].downloaded, kChunk);
             EXPECT_EQ(events[1].total, 5368709120ull);
             NoTempFile(f);
         }},
        {"DiskSmallerThanA5GiBFile",
         [](Fixture& f) {
             f.http.SetBody(5368709120ull, {kChunk});
             f.files.freeBytes = 5368709119ull;
         },
         "start error", TaskState::Failed, L"磁盘空间不足", 1, NothingWritten},
        {"PinnedFinishedFileOf5GiBIsReused",
         [](Fixture& f) {
             f.task.pins.sha256 = std::vector<uint8_t>(32, 0xAB);
             f.trust.digests = {f.task.pins.sha256};
             f.http.SetBody(5368709120ull, {kChunk});
             f.files.PutSizedFile(kFinal, 5368709120ull);
             f.files.freeBytes = 0;
         },
         "start finish", TaskState::Finished, L"", 1,
         [](Fixture& f) {
             EXPECT_EQ(f.task.downloadedSize.load(), 5368709120ull);
             EXPECT_TRUE(f.files.Created().empty());
         }},
        {"ZeroLengthMakesEmptyFile", [](Fixture& f) { f.http.SetBody(0, {}); }, "start finish", TaskState::Finished,
         L"", 1,
         [](Fixture& f) {
             EXPECT_TRUE(f.files.Exists(kFinal));
             EXPECT_TRUE(f.files.Content(kFinal).empty());
             EXPECT_EQ(f.events.Events()[0].total, 0u);
         }},
        {"DiskSmallerThanTheFileIsRefusedBeforeWriting",
         [](Fixture& f) {
             f.http.SetBody(5000, {5000});
             f.files.freeBytes = 4999;
         },
         "start error", TaskState::Failed, L"磁盘空间不足", 1,
         [](Fixture& f) {
             NothingWritten(f);
             EXPECT_EQ(f.http.readsStarted.load(), 0);
         }},
        {"DiskJustLargeEnough",
         [](Fixture& f) {
             f.http.SetBody(5000, {5000});
             f.files.freeBytes = 5000;
         },
         "start progress finish", TaskState::Finished, L"", 1, nullptr},
        {"FreeSpaceUnknownIsNoRefusal",
         [](Fixture& f) {
             f.http.SetBody(5000, {5000});
             f.files.freeSpaceKnown = false;
         },
         "start progress finish", TaskState::Finished, L"", 1, nullptr},
        {"TempFileCannotBeCreated",
         [](Fixture& f) {
             f.http.SetBody(10, {10});
             f.files.createFails = true;
         },
         "start error", TaskState::Failed, L"无法创建写入文件", 1, nullptr},
        {"ReadFailureOfAnotherKindIsNotRetried",
         [](Fixture& f) {
             f.http.SetBody(2000, {1000});
             f.http.responses[0].reads.push_back(FakeHttpClient::Failure(12175));
             f.files.PutFile(kFinal, {1, 2, 3});
         },
         "start progress error", TaskState::Failed, L"连接异常,错误代码：12175", 1,
         [](Fixture& f) {
             NoTempFile(f);
             EXPECT_EQ(f.files.Content(kFinal), (std::vector<uint8_t>{1, 2, 3}));
         }},
        {"WriteFailsAndIsNotRetried",
         [](Fixture& f) {
             f.http.SetBody(2000, {1000, 1000});
             f.files.failingWrite = 1;
         },
         "start progress progress error", TaskState::Failed, L"写入文件错误,错误代码：112", 1, NoTempFile},
        {"ShortWriteFails",
         [](Fixture& f) {
             f.http.SetBody(1000, {1000});
             f.files.failingWrite = 0;
             f.files.shortWrite = true;
         },
         "start progress error", TaskState::Failed, L"写入文件错误,错误代码：112", 1, NoTempFile},
        {"MoreThanAnnouncedIsNotRetried",
         [](Fixture& f) { f.http.SetBody(1000, {1000, 5}); },
         "start progress progress error", TaskState::Failed, L"连接异常,错误代码：12030", 1, NoTempFile},
        {"FinalNameIsADirectory",
         [](Fixture& f) {
             f.http.SetBody(1000, {1000});
             f.files.PutDirectory(kFinal);
         },
         "start progress error", TaskState::Failed, L"写入文件错误,错误代码：5", 1,
         [](Fixture& f) {
             NoTempFile(f);
             EXPECT_TRUE(f.files.IsDirectory(kFinal));
         }},
        {"DirectoryOfAnnouncedSizeIsNotReused",
         [](Fixture& f) {
             f.http.SetBody(0, {});
             f.files.PutDirectory(kFinal);
         },
         "start error", TaskState::Failed, L"写入文件错误,错误代码：5", 1, NoTempFile},
        {"StopBeforeFirstRead",
         [](Fixture& f) {
             f.http.SetBody(1000, {1000});
             f.http.beforeRead = [](size_t) { ADD_FAILURE() << "read after stop"; };
             f.worker->ClearRunning();
         },
         "start error", TaskState::Failed, L"强制退出", 1,
         [](Fixture& f) {
             EXPECT_EQ(f.files.Created(), std::vector<std::wstring>{kTemp});
             NoTempFile(f);
         }},
        {"StopDuringStalledRead",
         [](Fixture& f) {
             f.http.SetBody(5000, {1000});
             f.http.responses[0].reads.push_back(FakeHttpClient::Stall());
             f.http.beforeRead = [&f](size_t index) {
                 if (index == 1)
                     f.worker->ClearRunning();
             };
         },
         "start progress error", TaskState::Failed, L"强制退出", 1, NoTempFile},
        {"StopWhileOpeningTheAddress",
         [](Fixture& f) {
             Response stalls;
             stalls.openStalls = true;
             f.http.responses = {stalls};
             f.worker->ClearRunning();
         },
         "error", TaskState::Failed, L"强制退出", 1, NothingWritten},
    };
}

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class DownloadWorker : public WorkerTest, public ::testing::WithParamInterface<Case> {};

TEST_P(DownloadWorker, ReportsAndLeavesFiles)
{
    const Case& c = GetParam();
    Fixture f;
    c.arrange(f);
    EXPECT_FALSE(f.worker->Run());

    EXPECT_EQ(f.events.Operations(), c.operations);
    EXPECT_EQ(f.task.state.load(), c.state);
    EXPECT_EQ(f.task.message, c.message);
    EXPECT_EQ(f.RequestCount(), c.requests);
    ExpectHandlesReleased(f);
    // Every pause between chunks is a fine one, and however the download
    // ends, the system's timer is given back.
    for (int depth : f.clock.FineAtWaitsUs())
        EXPECT_EQ(depth, 1);
    EXPECT_EQ(f.clock.finePauses.load(), 0);
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

TEST_F(WorkerTest, DirectoryWithTrailingBackslashGetsADoubledOne)
{
    Fixture f;
    f.task.directory = L"C:\\tmp\\";
    f.http.SetBody(4, {4});
    f.worker->Run();
    EXPECT_EQ(f.files.Created(), std::vector<std::wstring>{L"C:\\tmp\\\\yrfoinstall.tmp"});
    EXPECT_TRUE(f.files.Exists(L"C:\\tmp\\\\yrfoinstall.exe"));
}

// --- Pacing: chunks start 10 ms apart, start to start ----------------------

struct PacingCase {
    const char* name;
    std::vector<uint64_t> readUs;       // how long each read takes
    std::vector<uint64_t> startsUs;     // when each read starts, from the first
};

class Pacing : public WorkerTest, public ::testing::WithParamInterface<PacingCase> {};

TEST_P(Pacing, ChunksStartNoCloserThanTheSpacingAndLateOnesAreNotMadeUp)
{
    const PacingCase& c = GetParam();
    Fixture f;
    f.http.SetBody(3 * kChunk, {kChunk, kChunk, kChunk});
    std::vector<uint64_t> starts;
    f.http.beforeRead = [&](size_t index) {
        starts.push_back(f.clock.NowUs());
        f.clock.AdvanceUs(c.readUs[index]);
    };
    f.worker->Run();

    ASSERT_EQ(f.task.state.load(), TaskState::Finished);
    ASSERT_EQ(starts.size(), c.startsUs.size());
    for (size_t i = 0; i < starts.size(); ++i)
        EXPECT_EQ(starts[i] - starts[0], c.startsUs[i]) << "read " << i;
    EXPECT_EQ(f.files.Content(kFinal), Body(3 * kChunk));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pacing,
    ::testing::Values(
        // The read's own time falls within the spacing, not on top of it.
        PacingCase{"ReadTimeIsPartOfTheSpacing", {3000, 3000, 3000, 0}, {0, 10000, 20000, 30000}},
        PacingCase{"ReadOfTheWholeSpacingIsNotHeldBack", {10000, 10000, 10000, 0}, {0, 10000, 20000, 30000}},
        // A late chunk moves the rest on: no two chunks closer than 10 ms.
        PacingCase{"LateReadIsNotMadeUp", {3000, 25000, 3000, 0}, {0, 10000, 35000, 45000}},
        PacingCase{"ReadJustOverTheSpacing", {10001, 3000, 3000, 0}, {0, 10001, 20001, 30001}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkerTest, CloseWhileAChunkWaitsForItsSlotEndsAtOnce)
{
    Fixture f;
    f.http.SetBody(3 * kChunk, {kChunk, kChunk, kChunk});
    f.clock.onWaitUs = [&f](uint64_t) { f.worker->ClearRunning(); };
    f.worker->Run();

    EXPECT_EQ(f.task.message, L"强制退出");
    EXPECT_EQ(f.http.readsStarted.load(), 1);
    EXPECT_EQ(f.clock.WaitsUs().size(), 1u);
    NoTempFile(f);
    ExpectHandlesReleased(f);
}

// --- Transient failures: tried again after a pause ------------------------

struct TransientCase {
    const char* name;
    std::function<Response()> failure;  // the first answer
};

void PrintTo(const TransientCase& c, std::ostream* os)
{
    *os << c.name;
}

Response FailingRead(uint32_t readError)
{
    Response r = Response::Ok(3000, {1000});
    r.reads.push_back(FakeHttpClient::Failure(readError));
    return r;
}

// 200 with the whole body (3000 bytes) and these Content-Length headers.
Response WithLengths(std::vector<std::wstring> values)
{
    Response r = Response::Ok(3000, {3000});
    r.contentLengthValues = std::move(values);
    return r;
}

const TransientCase kTransientCases[] = {
    {"CannotConnect", [] { return Response::OpenFailure(12029); }},
    {"ConnectionAborted", [] { return Response::OpenFailure(12030); }},
    {"ConnectionReset", [] { return Response::OpenFailure(12031); }},
    {"SocketReset", [] { return Response::OpenFailure(10054); }},
    {"NoHeadersWithinTheStallLimit",
     [] {
         Response r;
         r.openTimesOut = true;
         return r;
     }},
    {"ResetInTheBody", [] { return FailingRead(10054); }},
    {"AbortedInTheBody", [] { return FailingRead(12030); }},
    {"NoBodyBytesWithinTheStallLimit",
     [] {
         Response r = Response::Ok(3000, {1000});
         r.reads.push_back(FakeHttpClient::Timeout());
         return r;
     }},
    {"BodyEndsEarly", [] { return Response::Ok(3000, {1000}); }},
    {"RequestTimeout408", [] { return Response::Status(408); }},
    {"TooManyRequests429", [] { return Response::Status(429); }},
    {"InternalError500", [] { return Response::Status(500); }},
    {"BadGateway502", [] { return Response::Status(502); }},
    {"Unavailable503", [] { return Response::Status(503); }},
    {"GatewayTimeout504", [] { return Response::Status(504); }},
    {"RevocationServerUnreachable", [] { return Response::OpenFailure(12057); }},
};

class TransientFailure : public WorkerTest, public ::testing::WithParamInterface<TransientCase> {};

// Each kind fails once, then the whole file comes: one pause of two
// seconds, counted down, and a complete file.
TEST_P(TransientFailure, IsTriedAgainAfterAPause)
{
    Fixture f;
    f.http.responses = {GetParam().failure()};
    f.http.Then(Response::Ok(3000, {3000}));
    f.worker->Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished) << std::string(f.task.message.begin(), f.task.message.end());
    EXPECT_EQ(f.RequestCount(), 2u);
    EXPECT_EQ(f.events.Countdown(), (std::vector<std::string>{"1:2", "1:1"}));
    EXPECT_EQ(f.files.Content(kFinal), Body(3000));
    NoTempFile(f);
    ExpectHandlesReleased(f);
}

// Once a server has answered, an unknown name and a lost network are a
// network that drops: tried again, and the file continues.
TEST_F(WorkerTest, LostNetworkAfterAnAnswerIsTriedAgain)
{
    Fixture f;
    f.http.responses = {FailingRead(12163)};
    f.http.responses[0].headers[HttpHeader::ETag] = L"\"v1\"";
    f.http.Then(Response::OpenFailure(12007));
    f.http.Then(Response::Partial(1000, 3000, {2000}));
    f.worker->Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished) << std::string(f.task.message.begin(), f.task.message.end());
    EXPECT_EQ(f.RequestCount(), 3u);
    EXPECT_EQ(f.files.Content(kFinal), Body(3000));
}

INSTANTIATE_TEST_SUITE_P(Kinds, TransientFailure, ::testing::ValuesIn(kTransientCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkerTest, RetriesFiveTimesOnTheScheduleThenFailsWithTodaysText)
{
    Fixture f;
    f.http.responses = {Response::OpenFailure(12029)};
    const uint64_t before = f.clock.NowMs();
    f.worker->Run();

    EXPECT_EQ(f.RequestCount(), 6u);
    EXPECT_EQ(f.task.state.load(), TaskState::Failed);
    EXPECT_EQ(f.task.message, L"连接不可用,错误代码：12029");
    // 2 + 4 + 8 + 16 + 30 seconds, each second shown.
    EXPECT_EQ(f.clock.NowMs() - before, 60000u);
    std::vector<std::string> expected;
    const uint32_t seconds[] = {2, 4, 8, 16, 30};
    for (uint32_t k = 1; k <= 5; ++k) {
        for (uint32_t n = seconds[k - 1]; n >= 1; --n)
            expected.push_back(std::to_string(k) + ":" + std::to_string(n));
    }
    EXPECT_EQ(f.events.Countdown(), expected);
    EXPECT_EQ(f.events.Events().back().operation, "error");
    NothingWritten(f);
    ExpectHandlesReleased(f);
}

// Answers that make no sense (no status line, lengths that differ, a part
// sent unasked, a 2xx other than 200) are the server's: asked again, it
// would answer the same. Each is final for its address: never read or
// saved, the next mirror asked at once without a pause, and with no
// mirror left the download fails with the answer's text.
Response Invalid(const std::string& kind)
{
    if (kind == "no status line") {
        Response r;
        r.statusFails = true;
        return r;
    }
    if (kind == "status 0")
        return Response::Status(0);
    if (kind == "12152 at once")
        return Response::OpenFailure(12152);
    if (kind == "two lengths")
        return WithLengths({L"122880", L"3000"});
    if (kind == "a list of two lengths")
        return WithLengths({L"3000, 122880"});
    if (kind == "unasked 206") {
        Response r = Response::Partial(0, 307200, {kChunk});
        r.headers[HttpHeader::ContentRange] = L"bytes 0-122879/307200";
        r.contentLength = 122880;
        return r;
    }
    Response r = Response::Ok(3000, {3000});
    r.status = kind == "204" ? 204 : 202;
    return r;
}

const char* const kInvalidAnswers[] = {"no status line", "status 0",    "12152 at once", "two lengths",
                                       "a list of two lengths", "unasked 206", "204",           "202"};

TEST_F(WorkerTest, AnInvalidAnswerIsFinalForItsAddress)
{
    for (const char* kind : kInvalidAnswers) {
        SCOPED_TRACE(kind);
        Fixture only;
        only.http.responses = {Invalid(kind)};
        only.Run();
        EXPECT_EQ(only.task.message, L"连接不可用,错误代码：12152");
        EXPECT_EQ(only.RequestCount(), 1u);
        EXPECT_TRUE(only.clock.Waits().empty());
        EXPECT_EQ(only.http.readsStarted.load(), 0);
        EXPECT_EQ(only.events.Operations(), "error");
        NothingWritten(only);
        ExpectHandlesReleased(only);

        Fixture mirrored;
        const std::wstring mirror = L"http://127.0.0.2/package/Windows/pomvel_mini.exe";
        mirrored.task.mirrors = {mirror};
        mirrored.http.responses = {Invalid(kind), Response::Ok(3000, {3000})};
        mirrored.Run();
        EXPECT_EQ(mirrored.task.state.load(), TaskState::Finished);
        EXPECT_EQ(mirrored.Urls(), (std::vector<std::wstring>{kUrl, mirror}));
        EXPECT_TRUE(mirrored.events.Countdown().empty());
        EXPECT_TRUE(mirrored.clock.Waits().empty());
        EXPECT_EQ(mirrored.files.Content(kFinal), Body(3000));
        EXPECT_TRUE(mirrored.Logged(L"download: \"连接不可用,错误代码：12152\" is final for this address; next \"" +
                                    mirror + L"\""));
    }
}

TEST_F(WorkerTest, StalledServerTakesTheWatchdogsLimitEachTime)
{
    Fixture f;
    Response silent;
    silent.openTimesOut = true;
    f.http.responses = {silent};
    const uint64_t before = f.clock.NowMs();
    f.worker->Run();

    EXPECT_EQ(f.task.message, L"连接不可用,错误代码：12002");
    EXPECT_EQ(f.clock.NowMs() - before, 6 * 30000u + 60000u);
    for (const auto& request : f.http.Requests())
        EXPECT_EQ(request.stallLimit, 30000u);
}

struct RetryAfterCase {
    const char* name;
    uint32_t status;
    const wchar_t* retryAfter;  // null: none
    size_t seconds;             // the pause, in whole seconds counted down
};

void PrintTo(const RetryAfterCase& c, std::ostream* os)
{
    *os << c.name;
}

class RetryAfter : public WorkerTest, public ::testing::WithParamInterface<RetryAfterCase> {};

TEST_P(RetryAfter, SetsThePause)
{
    const RetryAfterCase& c = GetParam();
    Fixture f;
    // The lowest draw: a Retry-After exactly, else the scheduled pause.
    f.random.values = {0};
    Response busy = Response::Status(c.status);
    if (c.retryAfter != nullptr)
        busy.With(HttpHeader::RetryAfter, c.retryAfter);
    f.http.responses = {busy};
    f.http.Then(Response::Ok(10, {10}));
    f.worker->Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished);
    const auto countdown = f.events.Countdown();
    ASSERT_EQ(countdown.size(), c.seconds);
    if (c.seconds > 0) {
        EXPECT_EQ(countdown.front(), "1:" + std::to_string(c.seconds));
        EXPECT_EQ(countdown.back(), "1:1");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RetryAfter,
    ::testing::Values(RetryAfterCase{"OneSecond503", 503, L"1", 1}, RetryAfterCase{"FiveSeconds429", 429, L"5", 5},
                      RetryAfterCase{"CutToAMinute", 503, L"3600", 60},
                      RetryAfterCase{"DateFallsBackToTheSchedule", 503, L"Fri, 31 Dec 1999 23:59:59 GMT", 2},
                      RetryAfterCase{"IgnoredOnA500", 500, L"7", 2}, RetryAfterCase{"ZeroMeansAtOnce", 503, L"0", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkerTest, CountdownKeepsTheBarAndEndsWithTheDownloadShownAgain)
{
    Fixture f;
    f.http.responses = {FailingRead(10054)};
    f.http.responses[0].headers[HttpHeader::ETag] = L"\"v1\"";
    f.http.Then(Response::Partial(1000, 3000, {2000}));
    f.worker->Run();

    for (const auto& event : f.events.Events()) {
        if (event.state == TaskState::Retrying) {
            EXPECT_EQ(event.downloaded, 1000u);
            EXPECT_EQ(event.total, 3000u);
        }
    }
    // After the last second, the task is Downloading again at 1000 bytes.
    const auto events = f.events.Events();
    size_t last = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].state == TaskState::Retrying)
            last = i;
    }
    ASSERT_LT(last + 1, events.size());
    EXPECT_EQ(events[last + 1].state, TaskState::Downloading);
    EXPECT_EQ(events[last + 1].downloaded, 1000u);
}

TEST_F(WorkerTest, CloseDuringAPauseEndsAtOnceWithNoFileLeft)
{
    Fixture f;
    f.http.responses = {FailingRead(10054)};
    f.http.responses[0].headers[HttpHeader::ETag] = L"\"v1\"";
    f.clock.onWait = [&f](uint32_t) { f.worker->ClearRunning(); };
    f.worker->Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Failed);
    EXPECT_EQ(f.task.message, L"强制退出");
    EXPECT_EQ(f.RequestCount(), 1u);
    EXPECT_EQ(f.clock.Waits().size(), 1u);
    NoTempFile(f);
    EXPECT_FALSE(f.files.Exists(kFinal));
    ExpectHandlesReleased(f);
}

// --- Resuming: the rest of the file, or all of it again ---------------------

constexpr uint32_t kLength = 3 * kChunk;

// The first answer: kLength announced, one chunk arrives, then a reset.
Response CutAfterOneChunk(const std::wstring& etag, const std::wstring& lastModified)
{
    Response r = Response::Ok(kLength, {kChunk});
    r.reads.push_back(FakeHttpClient::Failure(10054));
    if (!etag.empty())
        r.headers[HttpHeader::ETag] = etag;
    if (!lastModified.empty())
        r.headers[HttpHeader::LastModified] = lastModified;
    return r;
}

const wchar_t kDate[] = L"Tue, 02 Jan 2024 10:00:00 GMT";

struct ResumeCase {
    const char* name;
    Response first;
    std::vector<Response> then;
    std::vector<std::wstring> headers;  // of each request
    bool startsOver;                    // the bar goes back to 0
};

void PrintTo(const ResumeCase& c, std::ostream* os)
{
    *os << c.name;
}

Response PartialWithRange(const std::wstring& contentRange)
{
    Response r = Response::Partial(kChunk, kLength, {kChunk, kChunk});
    r.headers[HttpHeader::ContentRange] = contentRange;
    return r;
}

const std::wstring kResumeWithTag = L"Range: bytes=51200-\r\nIf-Range: \"v1\"\r\n";

std::vector<ResumeCase> ResumeCases()
{
    const Response whole = Response::Ok(kLength, {kChunk, kChunk, kChunk});
    return {
        {"PartialAnswerIsAppended", CutAfterOneChunk(L"\"v1\"", kDate),
         {Response::Partial(kChunk, kLength, {kChunk, kChunk})}, {L"", kResumeWithTag}, false},
        {"LastModifiedWhenNoETag", CutAfterOneChunk(L"", kDate),
         {Response::Partial(kChunk, kLength, {kChunk, kChunk})},
         {L"", std::wstring(L"Range: bytes=51200-\r\nIf-Range: ") + kDate + L"\r\n"}, false},
        {"WeakETagCannotValidateARange", CutAfterOneChunk(L"W/\"v1\"", kDate),
         {Response::Partial(kChunk, kLength, {kChunk, kChunk})},
         {L"", std::wstring(L"Range: bytes=51200-\r\nIf-Range: ") + kDate + L"\r\n"}, false},
        {"NoValidatorStartsOver", CutAfterOneChunk(L"", L""), {whole}, {L"", L""}, true},
        {"WholeFileAnswerStartsOver", CutAfterOneChunk(L"\"v1\"", L""), {whole}, {L"", kResumeWithTag}, true},
        {"RangeFromElsewhereStartsOver", CutAfterOneChunk(L"\"v1\"", L""),
         {PartialWithRange(L"bytes 0-153599/153600"), whole}, {L"", kResumeWithTag, L""}, true},
        {"OtherTotalStartsOver", CutAfterOneChunk(L"\"v1\"", L""),
         {PartialWithRange(L"bytes 51200-153600/153601"), whole}, {L"", kResumeWithTag, L""}, true},
        {"PartialWithoutContentRangeStartsOver", CutAfterOneChunk(L"\"v1\"", L""),
         {PartialWithRange(L""), whole}, {L"", kResumeWithTag, L""}, true},
        {"RangeNotSatisfiableStartsOver", CutAfterOneChunk(L"\"v1\"", L""), {Response::Status(416), whole},
         {L"", kResumeWithTag, L""}, true},
    };
}

class Resume : public WorkerTest, public ::testing::WithParamInterface<ResumeCase> {};

TEST_P(Resume, GivesTheWholeFileOnce)
{
    const ResumeCase& c = GetParam();
    Fixture f;
    f.http.responses = {c.first};
    for (const Response& r : c.then)
        f.http.Then(r);
    f.worker->Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished) << std::string(f.task.message.begin(), f.task.message.end());
    EXPECT_EQ(f.files.Content(kFinal), Body(kLength));
    std::vector<std::wstring> headers;
    for (const auto& request : f.http.Requests())
        headers.push_back(request.headers);
    EXPECT_EQ(headers, c.headers);
    // Progress goes on from the chunk already on disk, or back to 0.
    std::vector<uint32_t> downloads;
    for (const auto& event : f.events.Events()) {
        if (event.state == TaskState::Downloading)
            downloads.push_back(event.downloaded);
    }
    const std::vector<uint32_t> appended = {0, kChunk, kChunk, kChunk, 2 * kChunk, kLength};
    const std::vector<uint32_t> restarted = {0, kChunk, kChunk, 0, kChunk, 2 * kChunk, kLength};
    EXPECT_EQ(downloads, c.startsOver ? restarted : appended);
    EXPECT_EQ(f.events.Events().back().total, kLength);
    ExpectHandlesReleased(f);
}

INSTANTIATE_TEST_SUITE_P(Cases, Resume, ::testing::ValuesIn(ResumeCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkerTest, ResumedAnswerThatFailsIsResumedAgainFromWhereItStopped)
{
    Fixture f;
    f.http.responses = {CutAfterOneChunk(L"\"v1\"", L"")};
    Response second = Response::Partial(kChunk, kLength, {kChunk});
    second.reads.push_back(FakeHttpClient::Failure(12030));
    f.http.Then(second);
    f.http.Then(Response::Partial(2 * kChunk, kLength, {kChunk}));
    f.worker->Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished);
    EXPECT_EQ(f.files.Content(kFinal), Body(kLength));
    const auto requests = f.http.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].headers, L"Range: bytes=102400-\r\nIf-Range: \"v1\"\r\n");
    // Two retries: the second pause is the schedule's second one.
    EXPECT_EQ(f.events.Countdown(), (std::vector<std::string>{"1:2", "1:1", "2:4", "2:3", "2:2", "2:1"}));
}

TEST_F(WorkerTest, ResumedRequestThatFindsTheFileGoneFails)
{
    Fixture f;
    f.http.responses = {CutAfterOneChunk(L"\"v1\"", L"")};
    f.http.Then(Response::Status(404));
    f.worker->Run();

    EXPECT_EQ(f.task.message, L"连接异常,错误代码：404");
    EXPECT_EQ(f.RequestCount(), 2u);
    NoTempFile(f);
}

// --- The fine timer: only while an answer's bytes move ----------------------

// Each body asks for a fine timer at its first chunk and gives it back at
// its end: none is held through a retry's pause, the rename's waits or a
// prompt for the proxy's password.
TEST_F(WorkerTest, AFineTimerIsHeldOnlyWhileBytesMove)
{
    struct FineCase {
        const char* name;
        std::function<void(Fixture&)> arrange;
        int timers;  // bodies that got as far as a chunk
    };
    const FineCase cases[] = {
        {"a reset mid-body, then the rest",
         [](Fixture& f) {
             f.http.responses = {CutAfterOneChunk(L"\"v1\"", L"")};
             f.http.Then(Response::Partial(kChunk, kLength, {kChunk, kChunk}));
         },
         2},
        {"a reset, then a proxy's prompt, then the rest",
         [](Fixture& f) {
             f.http.responses = {CutAfterOneChunk(L"\"v1\"", L"")};
             Response wants = Response::Status(407);
             wants.proxyLogin = IHttpRequest::ProxyLogin::Resent;
             wants.throughProxy = true;
             f.http.Then(wants);
             f.http.Then(Response::Partial(kChunk, kLength, {kChunk, kChunk}));
         },
         2},
        {"a rename held up by a lock",
         [](Fixture& f) {
             f.http.SetBody(10, {10});
             f.files.moveErrors = {32, 32};
         },
         1},
        {"an empty body", [](Fixture& f) { f.http.SetBody(0, {}); }, 0},
    };
    for (const FineCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        c.arrange(f);
        f.Run();
        EXPECT_EQ(f.task.state.load(), TaskState::Finished) << std::string(f.task.message.begin(), f.task.message.end());
        EXPECT_EQ(f.clock.fineTimersMade.load(), c.timers);
        for (int alive : f.clock.FineAtWaitsUs())
            EXPECT_EQ(alive, 1);
        for (int alive : f.clock.FineAtWaits())
            EXPECT_EQ(alive, 0);
        for (int alive : f.http.fineAtPrompts)
            EXPECT_EQ(alive, 0);
        EXPECT_EQ(f.clock.finePauses.load(), 0);
    }
}

// Two workers on one clock, the second's transfer beginning and ending
// inside the first's: each waits on its own timer, the second's end leaves
// the first's in force, and each gives back its own.
TEST_F(WorkerTest, EachWorkerOwnsItsFineTimer)
{
    Fixture first;
    Fixture second;
    second.seams.clock = &first.clock;
    second.MakeWorker();
    second.http.clock = &first.clock;
    first.http.SetBody(3 * kChunk, {kChunk, kChunk, kChunk});
    second.http.SetBody(2 * kChunk, {kChunk, kChunk});
    std::mutex mutex;
    std::condition_variable changed;
    bool firstHolds = false;
    bool secondDone = false;
    first.http.beforeRead = [&](size_t index) {
        if (index != 1)
            return;
        std::unique_lock<std::mutex> lock(mutex);
        firstHolds = true;
        changed.notify_all();
        changed.wait(lock, [&] { return secondDone; });
    };
    std::thread firstRun([&] { first.Run(); });
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return firstHolds; });
    }
    const size_t before = first.clock.FineAtWaitsUs().size();
    second.Run();
    const std::vector<int> during = first.clock.FineAtWaitsUs();
    const int afterSecond = first.clock.finePauses.load();
    {
        std::lock_guard<std::mutex> lock(mutex);
        secondDone = true;
    }
    changed.notify_all();
    firstRun.join();

    EXPECT_EQ(first.task.state.load(), TaskState::Finished);
    EXPECT_EQ(second.task.state.load(), TaskState::Finished);
    // The second's pauses, with both timers alive; then the first's own,
    // still alive after the second gave its back.
    ASSERT_EQ(during.size(), before + 2);
    EXPECT_EQ(during[before], 2);
    EXPECT_EQ(during[before + 1], 2);
    EXPECT_EQ(afterSecond, 1);
    const std::vector<int> all = first.clock.FineAtWaitsUs();
    for (size_t i = during.size(); i < all.size(); ++i)
        EXPECT_EQ(all[i], 1) << i;
    EXPECT_EQ(first.clock.fineTimersMade.load(), 2);
    EXPECT_EQ(first.clock.finePauses.load(), 0);
}

// --- Redirects: followed by the worker, ten at most -------------------------

TEST_F(WorkerTest, FollowsTenRedirectsResolvedAgainstEachAddress)
{
    Fixture f;
    f.http.responses = {Response::Redirect(302, L"/hop/1")};
    for (int i = 1; i < 9; ++i)
        f.http.Then(Response::Redirect(301, L"../hop/" + std::to_wstring(i + 1)));
    f.http.Then(Response::Redirect(307, L"//mirror.example:8080/files/pomvel_mini.exe?k=1#part"));
    f.http.Then(Response::Ok(10, {10}));
    f.worker->Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished);
    const auto requests = f.http.Requests();
    ASSERT_EQ(requests.size(), 11u);
    EXPECT_EQ(requests[1].url, L"http://127.0.0.1/hop/1");
    EXPECT_EQ(requests[9].url, L"http://127.0.0.1/hop/9");
    EXPECT_EQ(requests[10].url, L"http://mirror.example:8080/files/pomvel_mini.exe?k=1");
}

struct RedirectFailure {
    const char* name;
    std::vector<Response> responses;
    std::wstring message;
    size_t requests;
};

void PrintTo(const RedirectFailure& c, std::ostream* os)
{
    *os << c.name;
}

class RedirectRefused : public WorkerTest, public ::testing::WithParamInterface<RedirectFailure> {};

TEST_P(RedirectRefused, FailsAtOnceAndIsNotRetried)
{
    const RedirectFailure& c = GetParam();
    Fixture f;
    f.task.url = L"https://127.0.0.1/package/Windows/pomvel_mini.exe";
    f.http.responses = c.responses;
    f.worker->Run();

    EXPECT_EQ(f.task.message, c.message);
    EXPECT_EQ(f.RequestCount(), c.requests);
    EXPECT_TRUE(f.clock.Waits().empty());
    NothingWritten(f);
    ExpectHandlesReleased(f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RedirectRefused,
    ::testing::Values(
        RedirectFailure{"ToItself", {Response::Redirect(302, L"https://127.0.0.1/package/Windows/pomvel_mini.exe")},
                        L"连接不可用,错误代码：12156", 11},
        RedirectFailure{"ToAnotherScheme", {Response::Redirect(302, L"ftp://127.0.0.1/x.exe")},
                        L"连接不可用,错误代码：12156", 1},
        RedirectFailure{"FromHttpsToHttp", {Response::Redirect(302, L"http://127.0.0.1/x.exe")},
                        L"连接不可用,错误代码：12040", 1}),
    [](const auto& info) { return std::string(info.param.name); });

// A Location with a control character, raw or once resolved, is never
// followed: a carriage return would go out in the next request line.
TEST_F(WorkerTest, RedirectWithAControlCharacterIsRefused)
{
    std::vector<wchar_t> controls;
    for (wchar_t c = 0; c < 0x20; ++c)
        controls.push_back(c);
    controls.push_back(0x7F);
    for (wchar_t c : controls) {
        SCOPED_TRACE(static_cast<int>(c));
        Fixture f;
        f.http.responses = {Response::Redirect(302, std::wstring(L"/a") + c + L"X-Evil:%201" + c + L".exe")};
        f.http.Then(Response::Ok(10, {10}));
        f.worker->Run();

        EXPECT_EQ(f.task.message, L"连接不可用,错误代码：12156");
        EXPECT_EQ(f.RequestCount(), 1u);
        NothingWritten(f);
    }

    // Around the value, as WinINet may hand it on: still refused.
    Fixture f;
    f.http.responses = {Response::Redirect(302, L"/a\r\n")};
    f.http.Then(Response::Ok(10, {10}));
    f.Run();
    EXPECT_EQ(f.task.message, L"连接不可用,错误代码：12156");
    EXPECT_EQ(f.RequestCount(), 1u);
    EXPECT_EQ(f.log.Lines(), std::vector<std::wstring>{L"redirect: \"" + kUrl +
                                                     L"\" -> HTTP 302 to \"/a\\x0D\\x0A\" refused: control characters"});

    // The address it came from is part of the resolution.
    Fixture g;
    g.task.url = L"http://127.0.0.1/pack\tage/setup.exe";
    g.http.responses = {Response::Redirect(302, L"mirror.exe")};
    g.http.Then(Response::Ok(10, {10}));
    g.worker->Run();
    EXPECT_EQ(g.task.message, L"连接不可用,错误代码：12156");
    EXPECT_EQ(g.RequestCount(), 1u);
}

// --- The rename: a file held open by another program ------------------------

TEST_F(WorkerTest, RenameHeldUpByALockIsTriedAgain)
{
    Fixture f;
    f.http.SetBody(10, {10});
    f.files.moveErrors = {32, 5, 32};
    f.worker->Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished);
    EXPECT_EQ(f.files.MovesTried(), 4);
    EXPECT_EQ(f.files.Content(kFinal), Body(10));
    NoTempFile(f);
}

TEST_F(WorkerTest, RenameLockedForMoreThanFiveSecondsFails)
{
    Fixture f;
    f.http.SetBody(10, {10});
    f.files.moveErrors = std::vector<uint32_t>(1000, 32);
    f.files.PutFile(kFinal, {1, 2, 3});
    const uint64_t before = f.clock.NowMs();
    f.worker->Run();

    EXPECT_EQ(f.task.message, L"写入文件错误,错误代码：32");
    // The rename's five seconds, after the 10 ms before the read that
    // found the end of the body.
    EXPECT_EQ(f.clock.NowMs() - before, 10u + 5000u);
    EXPECT_EQ(f.files.MovesTried(), 51);
    NoTempFile(f);
    EXPECT_EQ(f.files.Content(kFinal), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(WorkerTest, RenameFailingOtherwiseIsNotTriedAgain)
{
    Fixture f;
    f.http.SetBody(10, {10});
    f.files.moveErrors = {3};
    f.worker->Run();

    EXPECT_EQ(f.task.message, L"写入文件错误,错误代码：3");
    EXPECT_EQ(f.files.MovesTried(), 1);
    NoTempFile(f);
}

// --- A pinned digest ----------------------------------------------------

const std::vector<uint8_t> kPin(32, 0xAB);
const std::vector<uint8_t> kOther(32, 0xCD);

TEST_F(WorkerTest, PinnedDigestDecidesWhatTakesTheFinalName)
{
    struct PinCase {
        const char* name;
        bool earlierFile;  // a file of the right size under the final name
        std::vector<std::vector<uint8_t>> digests;
        std::string operations;
        std::wstring message;
        size_t requests;
        std::vector<std::wstring> hashed;
        bool finalKept;
    };
    const PinCase cases[] = {
        {"match", false, {kPin}, "start progress finish", L"", 1, {kTemp}, true},
        {"mismatch, then a match from byte 0", false, {kOther, kPin}, "start progress progress progress finish", L"",
         2, {kTemp, kTemp}, true},
        {"two mismatches", false, {kOther}, "start progress progress progress error", L"安装包校验失败", 2,
         {kTemp, kTemp}, false},
        {"earlier file that matches", true, {kPin}, "start finish", L"", 1, {kFinal}, true},
        {"earlier file that does not match", true, {kOther, kPin}, "start progress finish", L"", 1, {kFinal, kTemp},
         true},
    };
    for (const PinCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.task.pins.sha256 = kPin;
        f.trust.digests = c.digests;
        f.http.SetBody(10, {10});
        if (c.earlierFile)
            f.files.PutFile(kFinal, std::vector<uint8_t>(10, 1));
        f.worker->Run();

        EXPECT_EQ(f.events.Operations(), c.operations);
        EXPECT_EQ(f.task.message, c.message);
        EXPECT_EQ(f.RequestCount(), c.requests);
        EXPECT_EQ(f.trust.Hashed(), c.hashed);
        EXPECT_EQ(f.trust.held.load(), 0);
        NoTempFile(f);
        EXPECT_EQ(f.files.Exists(kFinal), c.finalKept);
        if (c.finalKept && !c.earlierFile) {
            EXPECT_EQ(f.files.Content(kFinal), Body(10));
        }
        ExpectHandlesReleased(f);
    }
}

TEST_F(WorkerTest, WithoutAPinNothingIsHashed)
{
    Fixture f;
    f.http.SetBody(10, {10});
    f.files.PutFile(kFinal, std::vector<uint8_t>(10, 1));
    f.worker->Run();
    EXPECT_EQ(f.events.Operations(), "start progress finish");
    EXPECT_TRUE(f.trust.Hashed().empty());
}

// --- The log --------------------------------------------------------------

// The pauses are drawn from the random source, each the scheduled one and
// a share on top; the countdown and the log show the pause actually taken.
TEST_F(WorkerTest, PausesAreDrawnAndTheCountdownShowsThePauseTaken)
{
    Fixture f;
    // Lowest, middle, highest; then a Retry-After of 3 s with a tenth added.
    f.random.values = {0, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFFu};
    Response busy = Response::Status(503);
    busy.With(HttpHeader::RetryAfter, L"3");
    f.http.responses = {Response::OpenFailure(12029), Response::OpenFailure(12029), Response::OpenFailure(12029),
                        busy};
    f.http.Then(Response::Ok(10, {10}));
    f.Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished);
    // 2 s, 4.125 s (4 s and half of its 250 ms share), 10 s (8 s and its
    // whole 2 s share), 3.3 s.
    EXPECT_EQ(f.events.Countdown(),
              (std::vector<std::string>{"1:2", "1:1", "2:5", "2:4", "2:3", "2:2", "2:1", "3:10", "3:9", "3:8", "3:7",
                                        "3:6", "3:5", "3:4", "3:3", "3:2", "3:1", "4:4", "4:3", "4:2", "4:1"}));
    std::vector<std::wstring> retries;
    for (const std::wstring& line : f.log.Lines()) {
        if (line.compare(0, 7, L"retry: ") == 0)
            retries.push_back(line.substr(0, line.find(L" ms") + 3));
    }
    EXPECT_EQ(retries, (std::vector<std::wstring>{L"retry: 1/5 in 2000 ms", L"retry: 2/5 in 4125 ms",
                                                   L"retry: 3/5 in 10000 ms", L"retry: 4/5 in 3300 ms"}));
}

TEST_F(WorkerTest, LogsEveryAnswerEveryRetryAndTheDigest)
{
    Fixture f;
    f.task.pins.sha256 = kPin;
    f.trust.digests = {kPin};
    f.http.responses = {Response::Redirect(302, L"/mirror/setup.exe"), Response::Status(503),
                        Response::Redirect(302, L"/mirror/setup.exe")};
    f.http.Then(Response::Ok(10, {10})).With(HttpHeader::ETag, L"\"v1\"");
    f.Run();

    const std::wstring mirror = L"http://127.0.0.1/mirror/setup.exe";
    EXPECT_EQ(f.log.Lines(), (std::vector<std::wstring>{
                               L"redirect: \"" + kUrl + L"\" -> HTTP 302 to \"" + mirror + L"\"",
                               L"request: \"" + mirror + L"\" direct -> HTTP 503, length 0, no validator",
                               L"retry: 1/5 in 2000 ms after 连接异常,错误代码：503",
                               L"redirect: \"" + kUrl + L"\" -> HTTP 302 to \"" + mirror + L"\"",
                               L"request: \"" + mirror + L"\" direct -> HTTP 200, length 10, validator \"v1\"",
                               L"download: SHA-256 of \"" + kTemp + L"\" matches the pinned digest",
                           }));
}

}  // namespace
