// The download worker with a signed manifest: verified before anything is
// downloaded, refused with its code; when it cannot be fetched, the
// configured address serves only under a compiled-in pin; its addresses
// tried in turn, the last good one first, a partial file continued on
// another address.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/native/NativeThreads.h"
#include "tasks/BuildTime.h"
#include "tasks/ChannelMemory.h"
#include "tasks/ContentCheck.h"
#include "tasks/DateText.h"
#include "tests/fakes/DownloadWorkerFixture.h"
#include "tests/fakes/FakeLauncherHandoff.h"
#include "tests/fakes/OpenSslSha256.h"
#include "tests/native/tasks/ManifestText.h"

namespace {

using Response = FakeHttpClient::Response;

const std::wstring kUrl = L"http://127.0.0.1/package/Windows/pomvel_mini.exe";
const std::wstring kManifestUrl = L"https://127.0.0.1/channel/manifest.txt";
const std::wstring kChannel = L"release";
const std::wstring kMirrorA = L"https://a.example/setup.exe";
const std::wstring kMirrorB = L"https://b.example/setup.exe";
const std::wstring kMirrorC = L"http://c.example/setup.exe";
const std::wstring kDir = L"C:\\tmp";
const std::wstring kFinal = kDir + L"\\yrfoinstall.exe";
const std::wstring kTemp = kDir + L"\\yrfoinstall.tmp";
constexpr uint32_t kChunk = CDownloadFileThread::kBufferSize;
constexpr uint32_t kLength = 3 * kChunk;
const std::vector<uint8_t> kPin(32, 0xAA);
const std::string kPinHex(64, 'a');  // kPin in hexadecimal

void IgnorePause(uint32_t) {}

std::vector<uint8_t> Body(uint32_t length)
{
    std::vector<uint8_t> body(length);
    for (uint32_t i = 0; i < length; ++i)
        body[i] = FakeHttpClient::BodyByte(i);
    return body;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// channel: the manifest's channel line, none when empty.
std::string ManifestFields(uint64_t serial, const std::string& expires = "2099-01-01T00:00:00Z",
                           const std::string& channel = "release")
{
    return "serial=" + std::to_string(serial) + "\nexpires=" + expires + "\nsize=" + std::to_string(kLength) +
           "\nsha256=" + kPinHex + "\nsigner=Example Games\n" + (channel.empty() ? "" : "channel=" + channel + "\n") +
           "url=" + Narrow(kMirrorA) + "\nurl=" + Narrow(kMirrorB) + "\nurl=" + Narrow(kMirrorC) + "\n";
}

// seconds as a manifest writes them: "YYYY-MM-DDTHH:MM:SSZ".
std::string ManifestTime(int64_t seconds)
{
    std::string text = Narrow(download::UtcText(seconds)).substr(0, 19);
    text[10] = 'T';
    return text + "Z";
}

// seconds as an HTTP Date header.
std::wstring HttpDate(int64_t seconds)
{
    static const wchar_t* const kMonths[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                             L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    const std::wstring t = download::UtcText(seconds);
    return L"Mon, " + t.substr(8, 2) + L" " + kMonths[std::stoi(t.substr(5, 2)) - 1] + L" " + t.substr(0, 4) + L" " +
           t.substr(11, 8) + L" GMT";
}


Response ManifestAnswer(const std::vector<uint8_t>& bytes)
{
    return Response::Text(std::string(bytes.begin(), bytes.end()));
}

struct Fixture : DownloadWorkerFixture {
    explicit Fixture(bool withManifest = true) : DownloadWorkerFixture(kUrl, kDir)
    {
        // As the launcher sets it: the installer must be a program; the
        // manifest, which is text, is not judged so.
        task.runInstaller = true;
        if (withManifest) {
            task.manifestUrl = kManifestUrl;
            task.manifestKey = TestKey();
            task.manifestChannel = kChannel;
        }
        trust.digests = {kPin};
    }

    // wallClock: this computer's calendar clock, when not the system's.
    void Run(FakeRegistry& shared, int64_t wallClock = 0)
    {
        if (wallClock != 0)
            this->wallClock.now = wallClock;
        DownloadWorkerFixture::Run(shared);
    }
};

class ManifestWorkerTest : public ::testing::Test {
protected:
    void SetUp() override { threads::SetSleepHook(&IgnorePause); }
    void TearDown() override { threads::SetSleepHook(nullptr); }
    FakeRegistry registry;
};

uint64_t AcceptedSerial(FakeRegistry& registry)
{
    uint64_t serial = 0;
    return ChannelMemory(&registry).AcceptedSerial(kManifestUrl, kChannel, serial) ? serial : 0;
}

TEST_F(ManifestWorkerTest, AVerifiedManifestNamesWhatIsDownloaded)
{
    Fixture f;
    f.http.responses = {ManifestAnswer(Signed(ManifestFields(9)))};
    f.http.Then(Response::Ok(kLength, {kChunk, kChunk, kChunk}));
    f.Run(registry);

    ASSERT_EQ(f.task.state.load(), TaskState::Finished) << Narrow(f.task.message);
    EXPECT_EQ(f.Urls(), (std::vector<std::wstring>{kManifestUrl, kMirrorA}));
    EXPECT_EQ(f.files.Content(kFinal), Body(kLength));
    EXPECT_TRUE(f.task.pins.hasSize);
    EXPECT_EQ(f.task.pins.size, kLength);
    EXPECT_EQ(f.task.pins.sha256, std::vector<uint8_t>(32, 0xAA));
    EXPECT_EQ(f.task.pins.signer, L"Example Games");
    EXPECT_EQ(f.trust.Hashed(), (std::vector<std::wstring>{kTemp}));
    EXPECT_EQ(AcceptedSerial(registry), 9u);
    EXPECT_EQ(f.verifier.calls, 1);
}

TEST_F(ManifestWorkerTest, ARefusedManifestShowsItsCodeAndNothingIsDownloaded)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> manifest;
        uint64_t acceptedBefore;
        const wchar_t* message;
    };
    const std::string fields = ManifestFields(9);
    std::vector<uint8_t> changed = Signed(fields);
    changed[ManifestFields(9).find("size=") + 5] ^= 1;
    const std::vector<Case> cases = {
        {"a changed byte", changed, 0, L"安装信息无效,错误代码：1"},
        {"another key", Signed(ManifestFields(9), "\n", 2), 0, L"安装信息无效,错误代码：1"},
        {"an older serial", Signed(ManifestFields(9)), 10, L"安装信息无效,错误代码：2"},
        {"expired", Signed(ManifestFields(9, "2001-01-01T00:00:00Z")), 0, L"安装信息无效,错误代码：3"},
        // Another channel's manifest, however high its serial, changes
        // nothing kept for this one.
        {"another channel", Signed(ManifestFields(90, "2099-01-01T00:00:00Z", "beta")), 5,
         L"安装信息无效,错误代码：5"},
        {"no channel", Signed(ManifestFields(9, "2099-01-01T00:00:00Z", "")), 0, L"安装信息无效,错误代码：4"},
        {"no signature", std::vector<uint8_t>(fields.begin(), fields.end()), 0,
         L"安装信息无效,错误代码：4"},
    };
    for (const Case& c : cases) {
        FakeRegistry memory;
        if (c.acceptedBefore != 0)
            ChannelMemory(&memory).Accept(kManifestUrl, kChannel, c.acceptedBefore);
        Fixture f;
        f.http.responses = {ManifestAnswer(c.manifest)};
        f.http.Then(Response::Ok(kLength, {kChunk, kChunk, kChunk}));
        f.Run(memory);

        EXPECT_EQ(f.task.state.load(), TaskState::Failed) << c.what;
        EXPECT_EQ(f.task.message, c.message) << c.what;
        EXPECT_EQ(f.Urls(), std::vector<std::wstring>{kManifestUrl}) << c.what;
        EXPECT_TRUE(f.files.Created().empty()) << c.what;
        EXPECT_EQ(AcceptedSerial(memory), c.acceptedBefore) << c.what;
        EXPECT_EQ(f.events.Operations(), "error") << c.what;
    }
}

TEST_F(ManifestWorkerTest, TheAnswersDateCanOnlyRefuseAndAClockBeforeTheBuildIsNamed)
{
    const int64_t day = 86400;
    const int64_t now = kBuildTime + 30 * day;
    const std::wstring expired = L"安装信息无效,错误代码：3";
    const std::wstring wrongClock = L"系统时间不正确,请校准后重试";
    struct Case {
        const char* what;
        int64_t expires;
        int64_t date;  // of the manifest's answer; 0 for none
        int64_t wallClock;
        std::wstring message;  // empty when it is taken
    };
    const std::vector<Case> cases = {
        {"a replayed manifest with its old Date", kBuildTime - day, kBuildTime - 2 * day, now, expired},
        {"expired by the Date alone", now + day, now + 2 * day, now, expired},
        {"valid by both", now + day, now, now, L""},
        {"valid, without a Date", now + day, 0, now, L""},
        {"a clock before the build, expired by the Date", now + day, now + 2 * day, kBuildTime - 365 * day,
         wrongClock},
        {"a clock before the build, expired before the build", kBuildTime - day, 0, kBuildTime - 365 * day,
         wrongClock},
        {"a clock before the build, still valid", now + day, now, kBuildTime - 365 * day, L""},
    };
    for (const Case& c : cases) {
        FakeRegistry memory;
        Fixture f;
        f.http.responses = {ManifestAnswer(Signed(ManifestFields(9, ManifestTime(c.expires))))};
        if (c.date != 0)
            f.http.responses[0].With(HttpHeader::Date, HttpDate(c.date));
        f.http.Then(Response::Ok(kLength, {kChunk, kChunk, kChunk}));
        f.Run(memory, c.wallClock);

        if (c.message.empty()) {
            EXPECT_EQ(f.task.state.load(), TaskState::Finished) << c.what << ": " << Narrow(f.task.message);
            EXPECT_EQ(AcceptedSerial(memory), 9u) << c.what;
            continue;
        }
        EXPECT_EQ(f.task.state.load(), TaskState::Failed) << c.what;
        EXPECT_EQ(f.task.message, c.message) << c.what;
        EXPECT_EQ(f.Urls(), std::vector<std::wstring>{kManifestUrl}) << c.what;
        EXPECT_EQ(AcceptedSerial(memory), 0u) << c.what;
        if (c.message == wrongClock) {
            EXPECT_TRUE(f.Logged(L"manifest: refused as expired while this computer's clock says " +
                                  download::UtcText(c.wallClock) + L"; the launcher was built " +
                                  download::UtcText(kBuildTime)))
                << c.what;
        }
    }
}

TEST_F(ManifestWorkerTest, AManifestThatCannotBeFetchedFailsUnlessACompiledPinVouchesForTheConfiguredAddress)
{
    Response declined407 = Response::Status(407);
    declined407.proxyLogin = IHttpRequest::ProxyLogin::Refused;
    declined407.throughProxy = true;
    struct Failure {
        const char* what;
        std::vector<Response> answers;  // of the manifest's requests
        std::wstring message;
    };
    const std::vector<Failure> failures = {
        {"404", {Response::Status(404)}, L"连接异常,错误代码：404"},
        {"a certificate error", {Response::OpenFailure(12045)}, L"连接不可用,错误代码：12045"},
        {"six resets", std::vector<Response>(6, Response::OpenFailure(12031)), L"连接不可用,错误代码：12031"},
        {"a declined 407", {declined407}, L"连接不可用,错误代码：407"},
    };
    enum class Pin { None, Sha256, Signer };
    for (const Failure& failure : failures) {
        for (Pin pin : {Pin::None, Pin::Sha256, Pin::Signer}) {
            SCOPED_TRACE(std::string(failure.what) + (pin == Pin::None     ? ", no pin"
                                                     : pin == Pin::Sha256 ? ", a pinned digest"
                                                                          : ", a pinned signer"));
            FakeRegistry memory;
            Fixture f;
            if (pin == Pin::Sha256)
                f.task.pins.sha256 = kPin;
            if (pin == Pin::Signer)
                f.task.pins.signer = L"Example Games";
            f.http.responses = failure.answers;
            f.http.Then(Response::Ok(kLength, {kChunk, kChunk, kChunk}));
            f.Run(memory);

            const std::vector<std::wstring> manifestOnly(failure.answers.size(), kManifestUrl);
            const std::wstring cannot = L"manifest: \"" + kManifestUrl + L"\" cannot be fetched (" + failure.message;
            if (pin == Pin::None) {
                EXPECT_EQ(f.task.state.load(), TaskState::Failed);
                EXPECT_EQ(f.task.message, failure.message);
                EXPECT_EQ(f.Urls(), manifestOnly);  // nothing asked of the configured address
                EXPECT_TRUE(f.files.Created().empty());
                EXPECT_TRUE(f.Logged(cannot + L"); no compiled-in pin vouches for the configured address: "
                                               L"nothing downloaded"));
            } else {
                EXPECT_EQ(f.task.state.load(), TaskState::Finished) << Narrow(f.task.message);
                std::vector<std::wstring> urls = manifestOnly;
                urls.push_back(kUrl);
                EXPECT_EQ(f.Urls(), urls);
                EXPECT_EQ(f.files.Content(kFinal), Body(kLength));
                EXPECT_FALSE(f.task.pins.hasSize);
                EXPECT_TRUE(f.Logged(cannot + L"); the configured address is used under its compiled-in pins"));
            }
            // The manifest is tried as the installer is: the resets with
            // the countdown between them.
            EXPECT_EQ(f.events.Countdown().empty(), failure.answers.size() == 1);
            EXPECT_EQ(AcceptedSerial(memory), 0u);
        }
    }
}

TEST_F(ManifestWorkerTest, AFinalFailureMovesToTheNextAddressAtOnce)
{
    struct Case {
        const char* what;
        Response first;
        std::vector<std::wstring> urls;
    };
    const std::vector<Case> cases = {
        {"404", Response::Status(404), {kManifestUrl, kMirrorA, kMirrorB}},
        {"a certificate error", Response::OpenFailure(12045), {kManifestUrl, kMirrorA, kMirrorB}},
        {"another length than pinned", Response::Ok(kLength + 1, {kLength + 1}), {kManifestUrl, kMirrorA, kMirrorB}},
        {"a redirect to nowhere", Response::Redirect(302, L"ftp://x/"), {kManifestUrl, kMirrorA, kMirrorB}},
    };
    for (const Case& c : cases) {
        FakeRegistry memory;
        Fixture f;
        f.http.responses = {ManifestAnswer(Signed(ManifestFields(9))), c.first};
        f.http.Then(Response::Ok(kLength, {kChunk, kChunk, kChunk}));
        f.Run(memory);
        EXPECT_EQ(f.task.state.load(), TaskState::Finished) << c.what;
        EXPECT_EQ(f.Urls(), c.urls) << c.what;
        EXPECT_TRUE(f.clock.Waits().empty()) << c.what;  // no pause, no retry used
        EXPECT_EQ(ChannelMemory(&memory).LastGoodAddress(kManifestUrl), kMirrorB) << c.what;
    }
}

TEST_F(ManifestWorkerTest, ADigestDifferingTwiceAtOneAddressMovesToTheNext)
{
    Fixture f;
    const std::vector<uint8_t> other(32, 0x55);
    f.trust.digests = {other, other, kPin};
    f.http.responses = {ManifestAnswer(Signed(ManifestFields(9)))};
    f.http.Then(Response::Ok(kLength, {kChunk, kChunk, kChunk}));
    f.Run(registry);
    EXPECT_EQ(f.task.state.load(), TaskState::Finished) << Narrow(f.task.message);
    EXPECT_EQ(f.Urls(), (std::vector<std::wstring>{kManifestUrl, kMirrorA, kMirrorA, kMirrorB}));
    EXPECT_EQ(f.files.Content(kFinal), Body(kLength));
}

TEST_F(ManifestWorkerTest, WhenEveryAddressFailsForGoodTheLastFailureIsShown)
{
    Fixture f;
    f.http.responses = {ManifestAnswer(Signed(ManifestFields(9))), Response::Status(404), Response::Status(403),
                        Response::Ok(kLength - 1, {kLength - 1})};
    f.Run(registry);
    EXPECT_EQ(f.task.message, L"安装包校验失败");
    EXPECT_EQ(f.Urls(), (std::vector<std::wstring>{kManifestUrl, kMirrorA, kMirrorB, kMirrorC}));
    EXPECT_FALSE(f.files.Exists(kTemp));
    EXPECT_FALSE(f.files.Exists(kFinal));
}

TEST_F(ManifestWorkerTest, RetriesGoRoundTheAddressesAndTheLastGoodComesFirstNextTime)
{
    {
        Fixture f;
        f.http.responses = {ManifestAnswer(Signed(ManifestFields(9))), Response::Status(503),
                            Response::OpenFailure(12029), Response::Status(503), Response::Ok(kLength, {kChunk, kChunk, kChunk})};
        f.Run(registry);
        EXPECT_EQ(f.task.state.load(), TaskState::Finished);
        EXPECT_EQ(f.Urls(), (std::vector<std::wstring>{kManifestUrl, kMirrorA, kMirrorB, kMirrorC, kMirrorA}));
        EXPECT_EQ(f.clock.Waits().size() >= 3, true);
        EXPECT_TRUE(f.Logged(L"attempt: \"" + kMirrorC + L"\""));
    }
    {
        // The address that completed goes first, as long as the list names it.
        Fixture f;
        f.http.responses = {ManifestAnswer(Signed(ManifestFields(9))), Response::OpenFailure(12029),
                            Response::Ok(kLength, {kChunk, kChunk, kChunk})};
        ChannelMemory(&registry).RememberGoodAddress(kManifestUrl, kMirrorC);
        f.Run(registry);
        EXPECT_EQ(f.Urls(), (std::vector<std::wstring>{kManifestUrl, kMirrorC, kMirrorA}));
    }
}

TEST_F(ManifestWorkerTest, ConfiguredMirrorsServeWithoutAManifest)
{
    Fixture f(false);
    f.task.mirrors = {kMirrorB};
    f.http.responses = {Response::Status(404), Response::Ok(kLength, {kChunk, kChunk, kChunk})};
    f.Run(registry);
    EXPECT_EQ(f.task.state.load(), TaskState::Finished);
    EXPECT_EQ(f.Urls(), (std::vector<std::wstring>{kUrl, kMirrorB}));
    EXPECT_EQ(ChannelMemory(&registry).LastGoodAddress(kUrl), kMirrorB);
}

TEST_F(ManifestWorkerTest, APartialFileGoesOnAtTheNextAddress)
{
    struct Case {
        const char* what;
        std::wstring contentRange;
        std::vector<std::wstring> headers;
    };
    const std::wstring range = L"Range: bytes=51200-\r\n";
    const std::vector<Case> cases = {
        {"a 206 that continues the file", L"bytes 51200-153599/153600", {L"", L"", range}},
        {"a 206 of another total", L"bytes 51200-153600/153601", {L"", L"", range, L""}},
        {"a 206 from elsewhere", L"bytes 0-153599/153600", {L"", L"", range, L""}},
    };
    for (const Case& c : cases) {
        FakeRegistry memory;
        Fixture f;
        Response cut = Response::Ok(kLength, {kChunk});
        cut.reads.push_back(FakeHttpClient::Failure(12031));
        cut.headers[HttpHeader::ETag] = L"\"a\"";
        Response rest = Response::Partial(kChunk, kLength, {kChunk, kChunk});
        rest.headers[HttpHeader::ContentRange] = c.contentRange;
        f.http.responses = {ManifestAnswer(Signed(ManifestFields(9))), cut, rest,
                            Response::Ok(kLength, {kChunk, kChunk, kChunk})};
        f.Run(memory);

        EXPECT_EQ(f.task.state.load(), TaskState::Finished) << c.what;
        EXPECT_EQ(f.files.Content(kFinal), Body(kLength)) << c.what;
        std::vector<std::wstring> headers;
        for (const auto& request : f.http.Requests())
            headers.push_back(request.headers);
        EXPECT_EQ(headers, c.headers) << c.what;
        EXPECT_EQ(f.Urls()[2], kMirrorB) << c.what;
    }
}

// --- The manifest's fetch obeys the installer's rules -----------------------

// The manifest as it is signed, in reads of the sizes given.
Response ManifestInReads(const std::vector<uint8_t>& manifest, std::vector<uint32_t> reads)
{
    Response r = ManifestAnswer(manifest);
    r.reads.clear();
    for (uint32_t size : reads)
        r.reads.push_back(FakeHttpClient::Data(size));
    return r;
}

// A manifest that trickles (below the minimum speed), or comes steadily but
// not within its deadline, or breaks off before its length: the attempt
// ends and is tried again; the next answer, whole, is the one verified.
TEST_F(ManifestWorkerTest, ASlowOrBrokenManifestIsTriedAgain)
{
    const std::vector<uint8_t> manifest = Signed(ManifestFields(9));
    const uint32_t size = static_cast<uint32_t>(manifest.size());
    struct Case {
        const char* name;
        Response first;
        uint32_t msPerRead;  // the clock's move before each read after the first
        std::wstring logged;
        uint64_t endedWithinMs;  // the first attempt's end, from its answer
    };
    // 5 bytes every 5 s: 60 bytes a minute. 1,000 bytes every 2 s: 30,000
    // a minute (above the floor), of a 64,000-byte body (past 60 s).
    const Case cases[] = {
        {"trickle", ManifestInReads(manifest, std::vector<uint32_t>(size / 5, 5)), 5000,
         L"download: fewer than 20480 bytes in the last 60000 ms", 62000},
        {"past its deadline", Response::Ok(64000, std::vector<uint32_t>(64, 1000)), 2000, L"download: the manifest's body did not end within 60000 ms", 62000},
        {"broken off", ManifestInReads(manifest, {size / 2}), 0,
         L"retry: 1/5 in 2000 ms after 连接异常,错误代码：12030 (manifest)", 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeRegistry memory;
        Fixture f;
        f.http.responses = {c.first, ManifestAnswer(manifest), Response::Ok(kLength, {kChunk, kChunk, kChunk})};
        uint64_t firstAnswerMs = 0;
        uint64_t firstEndMs = 0;
        f.http.beforeRead = [&f, &c, &firstAnswerMs](size_t index) {
            if (f.http.Requests().size() != 1)
                return;
            if (index == 0)
                firstAnswerMs = f.clock.NowMs();
            else
                f.clock.Advance(c.msPerRead);
        };
        f.clock.onWait = [&f, &firstEndMs](uint32_t) {
            if (firstEndMs == 0)
                firstEndMs = f.clock.NowMs();
        };
        f.Run(memory);

        EXPECT_EQ(f.task.state.load(), TaskState::Finished) << Narrow(f.task.message);
        EXPECT_EQ(f.Urls(), (std::vector<std::wstring>{kManifestUrl, kManifestUrl, kMirrorA}));
        EXPECT_TRUE(f.Logged(c.logged));
        EXPECT_LE(firstEndMs - firstAnswerMs, c.endedWithinMs);
        EXPECT_EQ(AcceptedSerial(memory), 9u);
    }
}

// Behind a captive portal every address answers with its sign-in page:
// the manifest's is known for a page by what it says, and the road shows
// the sign-in hint; nothing of it is checked or kept.
TEST_F(ManifestWorkerTest, APortalPageInPlaceOfTheManifestShowsTheSignInHint)
{
    Fixture f;
    Response page = Response::Text("\xEF\xBB\xBF\r\n  <!DOCTYPE html><html><body>Sign in</body></html>");
    page.headers[HttpHeader::ContentType] = L"text/html";
    f.http.responses = {page};
    f.Run(registry);

    EXPECT_EQ(f.task.message, L"下载内容无效,网络可能需要登录");
    EXPECT_TRUE(f.Logged(L"download: \"" + kManifestUrl + L"\" sent content type \"text/html\", starting \"..."
                         L"..  <!DOCTYPE html><html><body>Sign in</body></html>\": a web page; nothing kept"));
    EXPECT_EQ(f.verifier.calls, 0);
    EXPECT_FALSE(f.files.Exists(kTemp));
    EXPECT_FALSE(f.files.Exists(kFinal));
    EXPECT_TRUE(f.HandlesReleased());
}

TEST(ContentCheck, JudgesAProgramAndATextByTheirFirstBytes)
{
    using Expect = ContentCheck::Expect;
    using Verdict = ContentCheck::Verdict;
    struct Case {
        const char* name;
        Expect expect;
        const wchar_t* type;
        std::vector<std::string> chunks;
        Verdict verdict;  // after the last chunk, or at the end
    };
    const Case cases[] = {
        {"program", Expect::Program, L"application/octet-stream", {"MZ\x90"}, Verdict::Sound},
        {"program split", Expect::Program, L"", {"M", "Z"}, Verdict::Sound},
        {"program of one byte", Expect::Program, L"", {"M"}, Verdict::Page},
        {"page as a program", Expect::Program, L"text/html", {"MZ"}, Verdict::Page},
        {"zip as a program", Expect::Program, L"", {"PK"}, Verdict::Page},
        {"manifest", Expect::Text, L"text/plain", {"serial=9\n"}, Verdict::Sound},
        {"manifest sent as html", Expect::Text, L"text/html", {"serial=9\n"}, Verdict::Sound},
        {"manifest with a mark", Expect::Text, L"", {"\xEF\xBB\xBFserial=9"}, Verdict::Sound},
        {"page", Expect::Text, L"", {"<html>"}, Verdict::Page},
        {"page after blanks, split", Expect::Text, L"", {"\xEF\xBB", "\xBF \r\n\t", "<"}, Verdict::Page},
        {"blanks only", Expect::Text, L"", {" \r\n"}, Verdict::Sound},
        {"empty text", Expect::Text, L"", {}, Verdict::Sound},
        {"anything", Expect::Anything, L"text/html", {"<html>"}, Verdict::Sound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ContentCheck check(c.expect, c.type);
        for (const std::string& chunk : c.chunks)
            check.Add(reinterpret_cast<const uint8_t*>(chunk.data()), static_cast<uint32_t>(chunk.size()));
        EXPECT_EQ(check.AtEnd(), c.verdict);
    }
}

}  // namespace

// A newer launcher that the manifest names is fetched first, by its own
// address and size, and takes the road over; an older one changes nothing
// and the installer follows as before.
TEST_F(ManifestWorkerTest, ANewerLauncherInTheManifestComesFirstAndTakesTheRoadOver)
{
    const std::wstring launcher = L"C:\\Games\\Orvantis\\launcher.exe";
    const std::wstring launcherUrl = L"https://cdn.example/launcher-1.0.0.2.exe";
    constexpr uint32_t kLauncherSize = 4000;
    auto manifest = [&](const std::string& version) {
        return Signed(ManifestFields(9) + "launcher_version=" + version + "\nlauncher_size=" +
                      std::to_string(kLauncherSize) + "\nlauncher_sha256=" + std::string(64, 'b') +
                      "\nlauncher_url=" + Narrow(launcherUrl) + "\n");
    };
    auto arrange = [&](Fixture& f, FakeLauncherHandoff& handoff) {
        f.seams.handoff = &handoff;
        f.files.PutFile(launcher, {'M', 'Z'});
        f.task.launcher.path = launcher;
        f.task.launcher.hasVersion = ParseLauncherVersion(L"1.0.0.1", f.task.launcher.version);
        f.trust.digests = {std::vector<uint8_t>(32, 0xBB), kPin};
    };

    {
        Fixture f;
        FakeLauncherHandoff handoff(f.files, launcher);
        arrange(f, handoff);
        f.http.responses = {ManifestAnswer(manifest("1.0.0.2"))};
        f.http.Then(Response::Ok(kLauncherSize, {kLauncherSize}));
        f.Run(registry);

        ASSERT_EQ(f.task.state.load(), TaskState::Finished) << Narrow(f.task.message);
        EXPECT_TRUE(f.task.handedOver);
        EXPECT_NE(f.task.successor, nullptr);
        EXPECT_FALSE(f.task.updatingLauncher.load());
        EXPECT_EQ(f.Urls(), (std::vector<std::wstring>{kManifestUrl, launcherUrl}));
        EXPECT_EQ(f.files.Content(launcher), Body(kLauncherSize));
        EXPECT_EQ(handoff.started.size(), 1u);
        // The bar followed the launcher's bytes; nothing of the installer.
        const auto events = f.events.Events();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back().operation, "finish");
        EXPECT_EQ(events[events.size() - 2].downloaded, kLauncherSize);
        EXPECT_EQ(events[events.size() - 2].total, kLauncherSize);
        EXPECT_FALSE(f.files.Exists(kFinal));
        EXPECT_TRUE(f.HandlesReleased());
    }
    {
        Fixture f;
        FakeLauncherHandoff handoff(f.files, launcher);
        arrange(f, handoff);
        f.trust.digests = {kPin};
        f.http.responses = {ManifestAnswer(manifest("1.0.0.1"))};
        f.http.Then(Response::Ok(kLength, {kChunk, kChunk, kChunk}));
        f.Run(registry);

        ASSERT_EQ(f.task.state.load(), TaskState::Finished) << Narrow(f.task.message);
        EXPECT_FALSE(f.task.handedOver);
        EXPECT_EQ(f.Urls(), (std::vector<std::wstring>{kManifestUrl, kMirrorA}));
        EXPECT_EQ(f.files.Content(kFinal), Body(kLength));
        EXPECT_EQ(f.files.Content(launcher), (std::vector<uint8_t>{'M', 'Z'}));
        EXPECT_TRUE(handoff.started.empty());
        EXPECT_TRUE(f.Logged(L"launcher update: 1.0.0.1 in the manifest is not above this launcher's 1.0.0.1; kept"));
    }
}

// The new launcher's digest is computed as its bytes arrive: a mirror that
// serves another file of the same length is left for the next one, and the
// launcher that takes the road over is the one the manifest names.
TEST_F(ManifestWorkerTest, ALauncherOfAnotherDigestIsLeftForTheNextAddress)
{
    const std::wstring launcher = L"C:\\Games\\Orvantis\\launcher.exe";
    const std::wstring urlA = L"https://a.example/launcher.exe";
    const std::wstring urlB = L"https://b.example/launcher.exe";
    constexpr uint32_t kLauncherSize = 4000;
    const std::vector<uint8_t> genuine = Body(kLauncherSize);
    std::string other(genuine.begin(), genuine.end());
    other.back() ^= 1;
    std::string digestHex;
    for (uint8_t b : OpenSslSha256::Of(genuine)) {
        static const char kDigits[] = "0123456789abcdef";
        digestHex += kDigits[b >> 4];
        digestHex += kDigits[b & 15];
    }

    Fixture f;
    FakeLauncherHandoff handoff(f.files, launcher);
    f.seams.handoff = &handoff;
    f.files.PutFile(launcher, {'M', 'Z'});
    f.task.launcher.path = launcher;
    f.task.launcher.hasVersion = ParseLauncherVersion(L"1.0.0.1", f.task.launcher.version);
    f.trust.newSha256 = [] { return std::make_unique<OpenSslSha256>(); };
    f.trust.digests = {OpenSslSha256::Of(genuine)};
    f.http.responses = {ManifestAnswer(Signed(ManifestFields(9) + "launcher_version=1.0.0.2\nlauncher_size=" +
                                              std::to_string(kLauncherSize) + "\nlauncher_sha256=" + digestHex +
                                              "\nlauncher_url=" + Narrow(urlA) + "\nlauncher_url=" + Narrow(urlB) +
                                              "\n"))};
    f.http.Then(FakeHttpClient::Response::Text(other));
    f.http.Then(Response::Ok(kLauncherSize, {kLauncherSize}));
    f.Run(registry);

    ASSERT_EQ(f.task.state.load(), TaskState::Finished) << Narrow(f.task.message);
    EXPECT_TRUE(f.task.handedOver);
    EXPECT_EQ(f.Urls(), (std::vector<std::wstring>{kManifestUrl, urlA, urlB}));
    EXPECT_EQ(f.files.Content(launcher), genuine);
    EXPECT_EQ(handoff.started.size(), 1u);
    EXPECT_TRUE(f.HandlesReleased());
}
