// The download worker at the publisher's rates: the line's speed (no pause,
// reads of the largest size, progress coalesced to one event per 10 ms and
// the last chunk always reported) and a limit (reads no larger and no
// closer together than the limit allows).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/DownloadWorkerFixture.h"
#include "tests/fakes/OpenSslSha256.h"

namespace {

const std::wstring kUrl = L"http://127.0.0.1/package/Windows/pomvel_mini.exe";
const std::wstring kDir = L"C:\\tmp dir";
const std::wstring kFinal = kDir + L"\\yrfoinstall.exe";

std::vector<uint8_t> Body(uint64_t length)
{
    std::vector<uint8_t> body(length);
    for (uint64_t i = 0; i < length; ++i)
        body[i] = FakeHttpClient::BodyByte(i);
    return body;
}

// The progress events with the clock's time at each.
class TimedEvents : public RecordingTaskEventHandler {
public:
    explicit TimedEvents(FakeClock& clock) : m_clock(clock) {}
    void OnTaskProgress(Task* task, CThread* thread) override
    {
        progressUs.push_back(m_clock.NowUs());
        progressBytes.push_back(static_cast<DownTask*>(task)->downloadedSize.load());
        RecordingTaskEventHandler::OnTaskProgress(task, thread);
    }
    std::vector<uint64_t> progressUs;
    std::vector<uint64_t> progressBytes;

private:
    FakeClock& m_clock;
};

struct RateFixture : DownloadWorkerFixture {
    explicit RateFixture(const TransferRate& rate) : DownloadWorkerFixture(kUrl, kDir), timed(clock)
    {
        task.rate = rate;
        worker = std::make_unique<Worker>(&task, &timed, seams);
    }
    TimedEvents timed;
};

TEST(DownloadRate, AtTheLinesSpeedProgressIsCoalescedAndTheLastChunkAlwaysReported)
{
    // A fast answer: reads of every size, each taking 1.5 ms, some of them
    // the largest; the last one comes 1.5 ms after the one before.
    std::vector<uint32_t> reads;
    uint64_t length = 0;
    for (uint32_t i = 0; i < 60; ++i) {
        const uint32_t size = i % 7 == 0 ? kLineReadBytes : 4096 + i * 1000;
        reads.push_back(size);
        length += size;
    }
    RateFixture f(TransferRate::Line());
    f.http.SetBody(length, reads);
    f.http.beforeRead = [&](size_t) { f.clock.AdvanceUs(1500); };
    f.Run();

    ASSERT_EQ(f.task.state.load(), TaskState::Finished);
    EXPECT_EQ(f.files.Content(kFinal), Body(length));
    // Nothing waits at the line's speed, and no fine timer is asked for.
    EXPECT_TRUE(f.clock.WaitsUs().empty());
    EXPECT_EQ(f.clock.fineTimersMade.load(), 0);
    EXPECT_EQ(f.http.largestAsked.load(), kLineReadBytes);

    const std::vector<uint64_t>& at = f.timed.progressUs;
    const std::vector<uint64_t>& bytes = f.timed.progressBytes;
    ASSERT_GE(at.size(), 2u);
    // 60 chunks in 90 ms: about one event per 10 ms, never two closer but
    // for the last chunk's.
    EXPECT_LE(at.size(), 11u);
    for (size_t i = 1; i + 1 < at.size(); ++i)
        EXPECT_GE(at[i] - at[i - 1], 10000u) << "event " << i;
    for (size_t i = 1; i < bytes.size(); ++i)
        EXPECT_GT(bytes[i], bytes[i - 1]);
    EXPECT_EQ(bytes.back(), length);
    EXPECT_EQ(f.task.downloadedSize.load(), length);
    EXPECT_EQ(f.task.totalSize.load(), length);
}

TEST(DownloadRate, AtTheDesignsPaceEveryChunkIsReported)
{
    RateFixture f(TransferRate::Design());
    f.http.SetBody(3 * 51200 + 10, {51200, 51200, 51200, 10});
    f.Run();

    ASSERT_EQ(f.task.state.load(), TaskState::Finished);
    EXPECT_EQ(f.timed.progressBytes, (std::vector<uint64_t>{51200, 102400, 153600, 153610}));
}

TEST(DownloadRate, AtALimitReadsAreNoLargerAndNoCloserThanItAllows)
{
    // 2,000,000 bytes a second: reads of 20,000 bytes, 10 ms apart, start
    // to start; the answer would give more at once.
    const ChunkPace pace = PaceFor(TransferRate::Limit(2000000));
    ASSERT_EQ(pace.chunkBytes, 20000u);
    ASSERT_EQ(pace.spacingUs, 10000u);
    RateFixture f(TransferRate::Limit(2000000));
    f.http.SetBody(5 * 20000, {20000, 20000, 20000, 20000, 20000});
    std::vector<uint64_t> starts;
    f.http.beforeRead = [&](size_t) {
        starts.push_back(f.clock.NowUs());
        f.clock.AdvanceUs(300);
    };
    f.Run();

    ASSERT_EQ(f.task.state.load(), TaskState::Finished);
    EXPECT_EQ(f.files.Content(kFinal), Body(100000));
    ASSERT_EQ(starts.size(), 6u);  // the last read finds the end
    for (size_t i = 1; i < starts.size(); ++i)
        EXPECT_EQ(starts[i] - starts[i - 1], 10000u) << "read " << i;
    EXPECT_EQ(f.http.largestAsked.load(), 20000u);
}

}  // namespace

// --- The pinned digest, computed as the bytes arrive ------------------------

namespace {

constexpr uint32_t kPart = 51200;
constexpr uint64_t kPinnedLength = 3 * kPart + 77;

struct DigestCase {
    const char* name;
    bool resumed;      // the connection breaks after one chunk; a 206 brings the rest
    bool otherBytes;   // the pin is another file's
};

class DigestAsTheBytesArrive : public ::testing::TestWithParam<DigestCase> {};

TEST_P(DigestAsTheBytesArrive, EqualsTheFilesDigestWithoutReadingItAgain)
{
    const DigestCase& c = GetParam();
    RateFixture f(TransferRate::Line());
    std::vector<uint8_t> pinnedBytes = Body(kPinnedLength);
    if (c.otherBytes)
        pinnedBytes[kPinnedLength - 1] ^= 1;
    f.task.pins.sha256 = OpenSslSha256::Of(pinnedBytes);
    f.task.pins.hasSize = true;
    f.task.pins.size = kPinnedLength;
    f.trust.newSha256 = [] { return std::make_unique<OpenSslSha256>(); };
    if (c.resumed) {
        FakeHttpClient::Response cut = FakeHttpClient::Response::Ok(kPinnedLength, {kPart});
        cut.reads.push_back(FakeHttpClient::Failure(10054));
        f.http.responses = {cut, FakeHttpClient::Response::Partial(kPart, kPinnedLength, {kPart, kPart, 77})};
    } else {
        f.http.SetBody(kPinnedLength, {kPart, kPart, kPart, 77});
    }
    f.Run();

    // No whole file was read for its digest.
    EXPECT_TRUE(f.trust.Hashed().empty());
    if (c.otherBytes) {
        EXPECT_EQ(f.task.state.load(), TaskState::Failed);
        EXPECT_EQ(f.task.message, L"安装包校验失败");
        EXPECT_FALSE(f.files.Exists(kFinal));
        return;
    }
    ASSERT_EQ(f.task.state.load(), TaskState::Finished);
    EXPECT_EQ(f.files.Content(kFinal), Body(kPinnedLength));
    EXPECT_TRUE(f.Logged(L"matches the pinned digest (computed as the bytes arrived)"));
    EXPECT_EQ(f.http.Requests().size(), c.resumed ? 2u : 1u);
}

TEST(DigestAsTheBytesArrive, VouchesForTheFileInItsOwnFolderOnly)
{
    // The install worker need not read the file again when the digest was
    // the pinned one as the bytes arrived, in the download's own folder,
    // and it holds the very file the rename left.
    struct VouchCase {
        const char* name;
        bool ownFolder;
        bool hashObject;  // the system gives a hash object for the bytes as they arrive
        bool vouched;
    };
    const VouchCase cases[] = {
        {"own folder", true, true, true},
        {"a folder not its own", false, true, false},
        {"hashed whole at the end", true, false, false},
    };
    for (const VouchCase& c : cases) {
        SCOPED_TRACE(c.name);
        RateFixture f(TransferRate::Line());
        if (c.ownFolder)
            f.task.folderRoot = kDir;
        f.task.pins.sha256 = OpenSslSha256::Of(Body(kPinnedLength));
        f.task.pins.hasSize = true;
        f.task.pins.size = kPinnedLength;
        f.trust.digests = {f.task.pins.sha256};
        if (c.hashObject)
            f.trust.newSha256 = [] { return std::make_unique<OpenSslSha256>(); };
        std::wstring identified;
        f.trust.identity = [&](const std::wstring& path, FileIdentity& identity) {
            identified = path;
            identity.number = 77;
            identity.size = kPinnedLength;
            return true;
        };
        f.http.SetBody(kPinnedLength, {kPart, kPart, kPart, 77});
        f.Run();

        ASSERT_EQ(f.task.state.load(), TaskState::Finished);
        EXPECT_EQ(f.task.checkedAsArrived, c.vouched);
        if (c.vouched) {
            EXPECT_EQ(identified, f.task.directory + L"\\" + f.task.fileName);
            EXPECT_EQ(f.task.checkedFile.number, 77u);
        }
        EXPECT_EQ(f.trust.held.load(), 0);
    }
}

TEST(DownloadRate, AWriteThatFailsBesideTheReadsEndsTheDownloadAndNothingAfterItIsWritten)
{
    // The second chunk's write fails on the writer's thread while the third
    // is read: the download fails with the write's code, once, and the
    // file goes.
    RateFixture f(TransferRate::Line());
    f.http.SetBody(4 * kPart, {kPart, kPart, kPart, kPart});
    f.files.failingWrite = 1;
    f.Run();

    EXPECT_EQ(f.task.state.load(), TaskState::Failed);
    EXPECT_EQ(f.task.message, L"写入文件错误,错误代码：112");
    EXPECT_EQ(f.http.Requests().size(), 1u);
    EXPECT_FALSE(f.files.Exists(kFinal));
    EXPECT_FALSE(f.files.Exists(kDir + L"\\yrfoinstall.tmp"));
}

INSTANTIATE_TEST_SUITE_P(Cases, DigestAsTheBytesArrive,
                         ::testing::Values(DigestCase{"InOneGo", false, false},
                                           DigestCase{"ResumedAfterABreak", true, false},
                                           DigestCase{"AnotherFilesPinIsRefused", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
