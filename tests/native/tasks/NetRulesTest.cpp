// What the download does where a network misleads rather than fails: a body
// that trickles, a page (a captive portal's login) where the installer
// should be, a certificate refused because this computer's clock is wrong,
// and a proxy that asks for a password. The rules alone, then the worker
// with a scripted HTTP client and a clock that moves only when told.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tasks/BuildTime.h"
#include "tasks/ClockCheck.h"
#include "tasks/ContentSniffing.h"
#include "tasks/DateText.h"
#include "tasks/SpeedFloor.h"
#include "tests/fakes/DownloadWorkerFixture.h"

namespace {

using Response = FakeHttpClient::Response;
using ProxyLogin = IHttpRequest::ProxyLogin;

const std::wstring kUrl = L"http://127.0.0.1/package/Windows/pomvel_mini.exe";
const std::wstring kMirror = L"http://127.0.0.2/package/Windows/pomvel_mini.exe";
const std::wstring kDir = L"C:\\tmp dir";
const std::wstring kFinal = kDir + L"\\yrfoinstall.exe";
const std::wstring kTemp = kDir + L"\\yrfoinstall.tmp";
constexpr uint32_t kChunk = CDownloadFileThread::kBufferSize;

std::vector<uint8_t> Body(uint64_t length)
{
    std::vector<uint8_t> body(length);
    for (uint64_t i = 0; i < length; ++i)
        body[i] = FakeHttpClient::BodyByte(i);
    return body;
}

// --- The speed floor on its own ------------------------------------------

struct FloorCase {
    const char* name;
    uint32_t bytesPerArrival;
    uint32_t msBetween;
    uint32_t arrivals;
    bool tooSlowAtTheEnd;
    uint32_t firstTooSlowAfterMs;  // 0: never during the run
};

TEST(SpeedFloor, JudgesTheBytesOfTheLastWindowOnly)
{
    const FloorCase cases[] = {
        // A byte every 20 s: under the stall limit, far under the floor.
        {"ByteEvery20s", 1, 20000, 10, true, 60000},
        // 30 KB a minute, as 512 bytes a second: slow but steady.
        {"Steady30KBAMinute", 512, 1000, 300, false, 0},
        // Just above 20 KB in every minute: 350 bytes a second.
        {"JustAboveTheFloor", 350, 1000, 300, false, 0},
        // Just below: 340 bytes a second, 20,400 a minute.
        {"JustBelowTheFloor", 340, 1000, 300, true, 60000},
        // A chunk every 10 ms for five minutes: the entries stay bounded
        // and every byte of the last minute counts (6,000 bytes a minute
        // per byte of each chunk: 4 bytes make 24,000, 3 make 18,000).
        {"ManySmallChunks", 4, 10, 30000, false, 0},
        {"ManySmallerChunks", 3, 10, 30000, true, 60000},
        // A burst 10 s in, then nothing but a byte every 10 s: slow once the
        // burst is a minute old.
        {"BurstThenTrickle", 1, 10000, 12, true, 70000},
    };
    for (const FloorCase& c : cases) {
        SCOPED_TRACE(c.name);
        SpeedFloor floor(20 * 1024, 60000);
        uint64_t now = 5000;
        floor.Start(now);
        const bool burst = std::string(c.name) == "BurstThenTrickle";
        uint32_t firstTooSlow = 0;
        for (uint32_t i = 0; i < c.arrivals; ++i) {
            now += c.msBetween;
            floor.Add(now, c.bytesPerArrival + (burst && i == 0 ? 10 * 1024 * 1024 : 0));
            if (firstTooSlow == 0 && floor.TooSlow(now))
                firstTooSlow = static_cast<uint32_t>(now - 5000);
        }
        EXPECT_EQ(floor.TooSlow(now), c.tooSlowAtTheEnd);
        EXPECT_EQ(firstTooSlow, c.firstTooSlowAfterMs);
    }
}

TEST(SpeedFloor, GivesAWholeWindowFromTheStartOfTheBodyAndCanBeOff)
{
    SpeedFloor floor(20 * 1024, 60000);
    EXPECT_FALSE(floor.TooSlow(100000));  // not started
    floor.Start(0);
    EXPECT_FALSE(floor.TooSlow(59999));
    EXPECT_TRUE(floor.TooSlow(60000));
    floor.Start(60000);  // a new attempt starts afresh
    EXPECT_FALSE(floor.TooSlow(60000));

    SpeedFloor off(20 * 1024, 0);
    off.Start(0);
    EXPECT_FALSE(off.TooSlow(1000000));
}

// --- The content and clock rules -----------------------------------------

TEST(AnswerRules, WebPagesAndProgramStarts)
{
    for (const wchar_t* page : {L"text/html", L"text/html; charset=utf-8", L"Text/HTML;charset=gbk", L" text/html ",
                                L"TEXT/HTML"})
        EXPECT_TRUE(download::IsHtmlType(page)) << std::string(page, page + wcslen(page));
    for (const wchar_t* other : {L"", L"application/octet-stream", L"application/x-msdownload", L"text/plain",
                                 L"text/htmlx", L"application/xhtml+xml"})
        EXPECT_FALSE(download::IsHtmlType(other)) << std::string(other, other + wcslen(other));

    const uint8_t program[] = {'M', 'Z', 0x90, 0};
    const uint8_t page[] = {'<', '!', 'D'};
    const uint8_t lower[] = {'m', 'z'};
    EXPECT_TRUE(download::StartsLikeProgram(program, 2));
    EXPECT_FALSE(download::StartsLikeProgram(program, 1));
    EXPECT_FALSE(download::StartsLikeProgram(program, 0));
    EXPECT_FALSE(download::StartsLikeProgram(page, 3));
    EXPECT_FALSE(download::StartsLikeProgram(lower, 2));
    EXPECT_EQ(download::PrintableBytes(program, 4), L"MZ..");
}

TEST(AnswerRules, ClockIsWrongBeforeTheBuildOrADayAheadOfTheServer)
{
    const int64_t built = 1800000000;
    const int64_t day = 86400;
    EXPECT_TRUE(download::ClockLooksWrong(built - 1, built, false, 0));
    EXPECT_FALSE(download::ClockLooksWrong(built, built, false, 0));
    EXPECT_FALSE(download::ClockLooksWrong(built + 400 * day, built, false, 0));
    EXPECT_FALSE(download::ClockLooksWrong(built + 400 * day, built, true, day));
    EXPECT_TRUE(download::ClockLooksWrong(built + 400 * day, built, true, day + 1));
    // Behind the server is not judged by the server (the build date does).
    EXPECT_FALSE(download::ClockLooksWrong(built + 400 * day, built, true, -300 * day));

    EXPECT_EQ(download::UtcText(0), L"1970-01-01 00:00:00 UTC");
    EXPECT_EQ(download::UtcText(951782400), L"2000-02-29 00:00:00 UTC");
    EXPECT_EQ(download::UtcText(1781234567), L"2026-06-12 03:22:47 UTC");
    EXPECT_EQ(download::UtcText(-1), L"1969-12-31 23:59:59 UTC");
}

// --- The worker ------------------------------------------------------------


struct Fixture : DownloadWorkerFixture {
    Fixture() : DownloadWorkerFixture(kUrl, kDir)
    {
        task.runInstaller = true;
        wallClock.now = kBuildTime + 30 * 86400;
    }

    void ExpectNothingKept() const
    {
        EXPECT_FALSE(files.Exists(kTemp));
        EXPECT_FALSE(files.Exists(kFinal));
        EXPECT_TRUE(HandlesReleased());
    }
};

TEST(SlowDownload, TrickleEndsAsAStallAndTheRetryAsksForTheRest)
{
    Fixture f;
    // One chunk at once, then 100 bytes every 5 s: 1,200 bytes a minute.
    constexpr uint32_t kLength = 3 * kChunk;
    Response trickle = Response::Ok(kLength, {kChunk});
    for (int i = 0; i < 40; ++i)
        trickle.reads.push_back(FakeHttpClient::Data(100));
    trickle.headers[HttpHeader::ETag] = L"\"v1\"";
    f.http.responses = {trickle};
    // The minute after the body started holds 12 of the trickle's reads.
    constexpr uint32_t kKept = kChunk + 12 * 100;
    f.http.Then(Response::Partial(kKept, kLength, {kChunk, kLength - kChunk - kKept}));
    f.http.beforeRead = [&f](size_t index) {
        if (index >= 1 && f.http.Requests().size() == 1)
            f.clock.Advance(5000);
    };
    f.Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished) << std::string(f.task.message.begin(), f.task.message.end());
    EXPECT_EQ(f.files.Content(kFinal), Body(kLength));
    EXPECT_EQ(f.RequestHeaders(), (std::vector<std::wstring>{
                                      L"", L"Range: bytes=" + std::to_wstring(kKept) + L"-\r\nIf-Range: \"v1\"\r\n"}));
    EXPECT_TRUE(f.Logged(L"download: fewer than 20480 bytes in the last 60000 ms"));
    EXPECT_TRUE(f.Logged(L"retry: 1/5 in 2000 ms after 连接异常,错误代码：12002"));
    // The bar never went back.
    uint64_t shown = 0;
    for (const auto& event : f.events.Events()) {
        if (event.state == TaskState::Downloading) {
            EXPECT_GE(event.downloaded, shown);
            shown = event.downloaded;
        }
    }
}

TEST(SlowDownload, SlowButSteadyFinishesInOneRequest)
{
    Fixture f;
    // 512 bytes a second, 30 KB a minute, for five minutes.
    constexpr uint32_t kLength = 300 * 512;
    f.http.responses = {Response::Ok(kLength, std::vector<uint32_t>(300, 512))};
    f.http.beforeRead = [&f](size_t index) {
        if (index >= 1)
            f.clock.Advance(990);
    };
    f.Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished) << std::string(f.task.message.begin(), f.task.message.end());
    EXPECT_EQ(f.http.Requests().size(), 1u);
    EXPECT_EQ(f.files.Content(kFinal), Body(kLength));
}

// --- Pages where the installer should be -----------------------------------

Response Page(const std::wstring& contentType, const std::string& text)
{
    Response r = Response::Text(text);
    if (!contentType.empty())
        r.headers[HttpHeader::ContentType] = contentType;
    return r;
}

const char kLoginPage[] = "<!DOCTYPE html>\r\n<html><head><title>Hotel Wi-Fi</title></head><body>Please sign in "
                          "to continue</body></html>";

struct ContentCase {
    const char* name;
    Response answer;
    std::wstring logged;  // part of the log line
};

TEST(WrongContent, FailsAtOnceAndNothingIsKept)
{
    const ContentCase cases[] = {
        {"PortalPage", Page(L"Text/HTML; charset=UTF-8", kLoginPage),
         L"sent content type \"Text/HTML; charset=UTF-8\", starting \"<!DOCTYPE html>..<html><head><title>Hotel "
         L"Wi-Fi</title></head><b\": no program; nothing kept"},
        // A page sent as a program is still a page, and "MZ" under an HTML
        // type is still a page.
        {"PageWithoutAType", Page(L"", "<html>sign in</html>"),
         L"sent no content type, starting \"<html>sign in</html>\""},
        {"ProgramTypeButNoProgram", Page(L"application/octet-stream", "PK\x03\x04zip"),
         L"sent content type \"application/octet-stream\", starting \"PK..zip\""},
        {"MZUnderAnHtmlType", Page(L"text/html", "MZ<html>"), L"starting \"MZ<html>\""},
        {"Empty", Page(L"", ""), L"starting \"\""},
    };
    for (const ContentCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.http.responses = {c.answer};
        f.Run();

        EXPECT_EQ(f.task.state.load(), TaskState::Failed);
        EXPECT_EQ(f.task.message, L"下载内容无效,网络可能需要登录");
        EXPECT_EQ(f.http.Requests().size(), 1u);  // not tried again
        EXPECT_TRUE(f.Logged(c.logged));
        f.ExpectNothingKept();
        // Nothing of the page counted as progress.
        for (const auto& event : f.events.Events()) {
            EXPECT_EQ(event.downloaded, 0u);
        }
    }
}

TEST(WrongContent, ProgramsPassAndOnlyTheInstallerIsJudged)
{
    // "MZ" split over two reads passes; a file of one byte is none.
    Fixture split;
    split.http.responses = {Response::Ok(kChunk, {1, kChunk - 1})};
    split.Run();
    EXPECT_EQ(split.task.state.load(), TaskState::Finished);
    Fixture oneByte;
    oneByte.http.responses = {Page(L"", "M")};
    oneByte.Run();
    EXPECT_EQ(oneByte.task.message, L"下载内容无效,网络可能需要登录");
    oneByte.ExpectNothingKept();

    // A download that is not run is not judged.
    Fixture other;
    other.task.runInstaller = false;
    other.http.responses = {Page(L"text/html", kLoginPage)};
    other.Run();
    EXPECT_EQ(other.task.state.load(), TaskState::Finished);

    // A continuation starts in the middle of the file: not judged.
    Fixture resumed;
    constexpr uint32_t kLength = 2 * kChunk;
    Response cut = Response::Ok(kLength, {kChunk});
    cut.reads.push_back(FakeHttpClient::Failure(10054));
    cut.headers[HttpHeader::ETag] = L"\"v1\"";
    resumed.http.responses = {cut, Response::Partial(kChunk, kLength, {kChunk})};
    resumed.http.responses[1].headers[HttpHeader::ContentType] = L"application/octet-stream";
    resumed.Run();
    EXPECT_EQ(resumed.task.state.load(), TaskState::Finished);
    EXPECT_EQ(resumed.files.Content(kFinal), Body(kLength));
}

TEST(WrongContent, IsFinalForOneAddressAndTheNextServes)
{
    Fixture f;
    f.task.mirrors = {kMirror};
    f.http.responses = {Page(L"text/html", kLoginPage), Response::Ok(1000, {1000})};
    f.Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished);
    EXPECT_EQ(f.files.Content(kFinal), Body(1000));
    const auto requests = f.http.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].url, kMirror);
    // A page whose first byte came alone (and was written before the
    // verdict): the next address still starts from byte 0.
    Fixture alone;
    alone.task.mirrors = {kMirror};
    Response page = Page(L"", "M<html>sign in</html>");
    page.reads = {FakeHttpClient::Data(1), FakeHttpClient::Data(20)};
    page.headers[HttpHeader::ETag] = L"\"portal\"";
    alone.http.responses = {page, Response::Ok(1000, {1000})};
    alone.Run();
    EXPECT_EQ(alone.task.state.load(), TaskState::Finished);
    EXPECT_EQ(alone.files.Content(kFinal), Body(1000));
    EXPECT_EQ(alone.RequestHeaders(), (std::vector<std::wstring>{L"", L""}));
    // Every address a portal: the text, and nothing kept.
    Fixture portal;
    portal.task.mirrors = {kMirror};
    portal.http.responses = {Page(L"text/html", kLoginPage)};
    portal.Run();
    EXPECT_EQ(portal.task.message, L"下载内容无效,网络可能需要登录");
    EXPECT_EQ(portal.http.Requests().size(), 2u);
    portal.ExpectNothingKept();
}

// --- A certificate refused for its dates -------------------------------------

TEST(WrongClock, CertificateDateFailureNamesTheClockWhenItIsWrong)
{
    const int64_t day = 86400;
    struct ClockCase {
        const char* name;
        int64_t wallClock;
        std::wstring serverDate;  // of a redirect answered before, or empty
        std::wstring message;
    };
    const std::wstring wrong = L"系统时间不正确,请校准后重试";
    const std::wstring bare = L"连接不可用,错误代码：12037";
    const ClockCase cases[] = {
        {"BeforeTheBuild", kBuildTime - 3 * 365 * day, L"", wrong},
        {"RightClockRealCertificateFault", kBuildTime + 10 * day, L"", bare},
        // The build date cannot tell a clock years ahead; the server can.
        {"YearsAheadOfTheServer", kBuildTime + 3000 * day, download::UtcText(kBuildTime + 10 * day), wrong},
        {"HoursAheadOfTheServer", kBuildTime + 10 * day + 3600, download::UtcText(kBuildTime + 10 * day), bare},
    };
    for (const ClockCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.wallClock.now = c.wallClock;
        f.task.url = L"https://127.0.0.1/package/Windows/pomvel_mini.exe";
        if (!c.serverDate.empty()) {
            // Turn "YYYY-MM-DD HH:MM:SS UTC" into the header's form.
            const std::wstring& t = c.serverDate;
            static const wchar_t* months[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                              L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
            const std::wstring header = L"Mon, " + t.substr(8, 2) + L" " + months[std::stoi(t.substr(5, 2)) - 1] +
                                        L" " + t.substr(0, 4) + L" " + t.substr(11, 8) + L" GMT";
            f.http.responses = {Response::Redirect(302, L"https://127.0.0.2/setup.exe").With(HttpHeader::Date, header),
                                Response::OpenFailure(12037)};
        } else {
            f.http.responses = {Response::OpenFailure(12037)};
        }
        f.Run();

        EXPECT_EQ(f.task.state.load(), TaskState::Failed);
        EXPECT_EQ(f.task.message, c.message);
        EXPECT_EQ(f.http.Requests().size(), c.serverDate.empty() ? 1u : 2u);  // not tried again
        if (c.message == wrong) {
            EXPECT_TRUE(f.Logged(L"clock: certificate date refused (12037) while this computer's clock says " +
                                 download::UtcText(c.wallClock) + L"; the launcher was built " +
                                 download::UtcText(kBuildTime)));
            if (!c.serverDate.empty()) {
                EXPECT_TRUE(f.Logged(L"the server's Date said " + c.serverDate));
            }
        }
    }
}

// --- A proxy that asks for a password ----------------------------------------

const wchar_t kProxyRoute[] = L"proxy 127.0.0.9:3128";

// A proxy's 407, the user answering its prompt this way.
Response ProxyWants(ProxyLogin answer)
{
    Response r = Response::Status(407);
    r.proxyLogin = answer;
    r.throughProxy = true;
    return r;
}

struct ProxyFixture : Fixture {
    ProxyFixture() { http.route = kProxyRoute; }
};

TEST(ProxyPassword, TheUserIsAskedOnceAndThePasswordGoesWithTheSameRequest)
{
    ProxyFixture f;
    f.http.responses = {ProxyWants(ProxyLogin::Resent), Response::Ok(1000, {1000})};
    f.Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished) << std::string(f.task.message.begin(), f.task.message.end());
    EXPECT_EQ(f.files.Content(kFinal), Body(1000));
    EXPECT_EQ(f.http.proxyPrompts.load(), 1);
    EXPECT_EQ(f.RequestHeaders(), (std::vector<std::wstring>{L"", L"(proxy login)"}));
    EXPECT_TRUE(f.Logged(L"proxy: HTTP 407 at \"" + kUrl + L"\" " + kProxyRoute +
                         L"; the user is asked for the proxy's password"));
    EXPECT_TRUE(f.Logged(L"proxy: sent again with the password given -> HTTP 200"));
}

TEST(ProxyPassword, RefusedOrNotTakenFailsWith407AndIsNotTriedAgain)
{
    struct ProxyCase {
        const char* name;
        std::vector<Response> responses;
        size_t requests;
    };
    const ProxyCase cases[] = {
        {"Refused", {ProxyWants(ProxyLogin::Refused)}, 1},
        {"PasswordNotTaken", {ProxyWants(ProxyLogin::Resent), Response::Status(407)}, 2},
    };
    for (const ProxyCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProxyFixture f;
        f.task.mirrors = {kMirror};  // the same proxy stands before every address
        f.http.responses = c.responses;
        f.Run();

        EXPECT_EQ(f.task.state.load(), TaskState::Failed);
        EXPECT_EQ(f.task.message, L"连接不可用,错误代码：407");
        EXPECT_EQ(f.http.proxyPrompts.load(), 1);
        EXPECT_EQ(f.http.Requests().size(), c.requests);
        f.ExpectNothingKept();
    }
}

TEST(ProxyPassword, AResendThatBreaksIsTriedAgainWithoutAskingTwice)
{
    ProxyFixture f;
    Response wants = ProxyWants(ProxyLogin::Failed);
    wants.proxyLoginError = 12030;
    // The retry finds the proxy satisfied (the system keeps the password
    // for the session).
    f.http.responses = {wants, Response::Ok(1000, {1000})};
    f.Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Finished);
    EXPECT_EQ(f.http.proxyPrompts.load(), 1);
    EXPECT_TRUE(f.Logged(L"retry: 1/5 in 2000 ms after 连接不可用,错误代码：12030"));
}

// A run that shows nothing (/quiet) has no prompt: the proxy's 407 fails
// the download at once, for every address, and the log says a password is
// needed.
TEST(ProxyPassword, ARunWithoutPromptsFailsWith407AndSaysAPasswordIsNeeded)
{
    ProxyFixture f;
    f.http.promptsShown = false;
    f.task.mirrors = {kMirror};
    f.http.responses = {ProxyWants(ProxyLogin::Resent), Response::Ok(1000, {1000})};
    f.Run();

    EXPECT_EQ(f.task.message, L"连接不可用,错误代码：407");
    EXPECT_EQ(f.http.proxyPrompts.load(), 0);
    EXPECT_EQ(f.http.Requests().size(), 1u);
    EXPECT_TRUE(f.events.Countdown().empty());
    EXPECT_TRUE(f.Logged(L"proxy: HTTP 407 at \"" + kUrl + L"\" " + kProxyRoute +
                         L"; a password is needed, and no prompt can be shown in this run"));
    f.ExpectNothingKept();
}

// A 407 on a request that went straight to the server is the server's own
// (asking for a password in words of its choosing): nobody is asked, and
// the answer is invalid for that address. The next mirror is asked at
// once; without one the download fails with the server's answer.
TEST(ProxyPassword, A407WithoutAProxyAsksNobodyAndMovesOn)
{
    Response server = Response::Status(407);
    server.proxyLogin = ProxyLogin::Resent;  // what a prompt would have done
    struct Case {
        const char* name;
        std::vector<std::wstring> mirrors;
        TaskState state;
        std::wstring message;
        size_t requests;
    };
    const Case cases[] = {
        {"OnlyAddress", {}, TaskState::Failed, L"连接异常,错误代码：407", 1},
        {"WithAMirror", {kMirror}, TaskState::Finished, L"", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.task.mirrors = c.mirrors;
        f.http.responses = {server, Response::Ok(1000, {1000})};
        f.Run();

        EXPECT_EQ(f.task.state.load(), c.state);
        EXPECT_EQ(f.task.message, c.message);
        EXPECT_EQ(f.http.proxyPrompts.load(), 0);
        EXPECT_EQ(f.http.Requests().size(), c.requests);
        EXPECT_TRUE(f.events.Countdown().empty());
        EXPECT_TRUE(f.Logged(L"proxy: HTTP 407 at \"" + kUrl +
                             L"\" direct came from the server, not a proxy; no password is asked"));
    }
}

}  // namespace
