// A newer launcher named by the manifest: its lines (all or none), the
// version comparison, the private switch, and the update's decisions: what
// replaces the running launcher, what is refused, and the old file back in
// place whenever the swap fails.
#include <gtest/gtest.h>

#include <cwchar>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/OutputFile.h"
#include "tasks/LauncherUpdate.h"
#include "tasks/LauncherVersion.h"
#include "tasks/Manifest.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeFileTrust.h"
#include "tests/fakes/FakeLauncherHandoff.h"
#include "tests/fakes/RecordingLog.h"

namespace {

// The download of the new launcher as a function of the case's own.
template <typename Fetch>
class DownloadBy final : public LauncherUpdate::Download {
public:
    explicit DownloadBy(Fetch fetch) : m_fetch(fetch) {}
    bool Into(IOutputFile& file, std::wstring& failure) override { return m_fetch(file, failure); }

private:
    Fetch m_fetch;
};

LauncherVersion Version(const std::wstring& text)
{
    LauncherVersion version;
    EXPECT_TRUE(ParseLauncherVersion(text, version)) << std::string(text.begin(), text.end());
    return version;
}

TEST(LauncherVersionTest, ComparesPartByPartAndRefusesAnythingElse)
{
    struct Case {
        const wchar_t* offered;
        int expected;  // against 1.2.3.4
    };
    const Case cases[] = {
        {L"1.2.3.4", 0},     {L"01.2.3.4", 0},   {L"1.2.3.3", -1},   {L"1.2.2.9", -1},  {L"1.1.9.9", -1},
        {L"0.9.9.9", -1},    {L"1.2.3.5", 1},    {L"1.2.4.0", 1},    {L"1.3.0.0", 1},   {L"2.0.0.0", 1},
        {L"1.2.3.65535", 1}, {L"65535.0.0.0", 1},
    };
    const LauncherVersion running = Version(L"1.2.3.4");
    for (const Case& c : cases) {
        const int result = CompareLauncherVersions(Version(c.offered), running);
        EXPECT_EQ((result > 0) - (result < 0), c.expected) << std::string(c.offered, c.offered + wcslen(c.offered));
    }
    EXPECT_EQ(LauncherVersionText(Version(L"1.02.0.65535")), L"1.2.0.65535");

    for (const wchar_t* bad : {L"", L"1.2.3", L"1.2.3.4.5", L"1.2.3.65536", L"1..3.4", L"1.2.3.", L".1.2.3",
                               L"1.2.3.-4", L"1.2.3.+4", L" 1.2.3.4", L"1.2.3.4 ", L"1,2,3,4", L"1.2.3.x",
                               L"1.2.3.0000065535"}) {
        LauncherVersion version;
        EXPECT_FALSE(ParseLauncherVersion(bad, version)) << std::string(bad, bad + wcslen(bad));
    }
}

TEST(LauncherVersionTest, ThePrivateSwitchAndTheEventNameTheOldProcess)
{
    ProcessIdentity old{4242, 0x01DB2F3C4D5E6F70};
    EXPECT_EQ(UpdatedFromSwitch(old), L"/updated-from=4242,01db2f3c4d5e6f70");
    EXPECT_EQ(HandoffEventName(old), L"Local\\quillmerex-launcher-up-4242-01db2f3c4d5e6f70");
    ProcessIdentity parsed;
    ASSERT_TRUE(ParseUpdatedFrom(L"4242,01DB2F3C4D5E6F70", parsed));
    EXPECT_EQ(parsed.id, 4242u);
    EXPECT_EQ(parsed.creationTime, 0x01DB2F3C4D5E6F70u);
    for (const wchar_t* bad : {L"", L"4242", L"0,01db2f3c4d5e6f70", L"4242,1db2f3c4d5e6f70", L"-1,01db2f3c4d5e6f70",
                               L"4294967296,01db2f3c4d5e6f70", L"4242,01db2f3c4d5e6f7g", L"4242;01db2f3c4d5e6f70"})
        EXPECT_FALSE(ParseUpdatedFrom(bad, parsed)) << std::string(bad, bad + wcslen(bad));
}

const std::string kBase =
    "serial=7\nexpires=2030-01-01T00:00:00Z\nsize=10\nsha256=" + std::string(64, 'a') +
    "\nurl=https://a.example/setup.exe\nchannel=beta\n";
const std::string kKeyA(64, 'b');
const std::string kKeyB(64, 'C');

bool Parse(const std::string& text, Manifest& manifest)
{
    return ParseManifestFields(reinterpret_cast<const uint8_t*>(text.data()), text.size(), manifest);
}

TEST(LauncherManifestTest, TheLauncherLinesComeAllOrNone)
{
    const std::string all = "launcher_version=1.0.0.2\nlauncher_size=4096\nlauncher_sha256=" + std::string(64, 'd') +
                            "\nlauncher_url=https://a.example/launcher.exe\nlauncher_url=http://b.example/l.exe\n"
                            "launcher_signer_key=" + kKeyA + "\nlauncher_signer_key=" + kKeyB + "\n";
    Manifest manifest;
    ASSERT_TRUE(Parse(kBase + all, manifest));
    const LauncherRelease& l = manifest.launcher;
    EXPECT_TRUE(l.present);
    EXPECT_EQ(LauncherVersionText(l.version), L"1.0.0.2");
    EXPECT_EQ(l.size, 4096u);
    EXPECT_EQ(l.sha256, std::vector<uint8_t>(32, 0xDD));
    EXPECT_EQ(l.urls, (std::vector<std::wstring>{L"https://a.example/launcher.exe", L"http://b.example/l.exe"}));
    EXPECT_EQ(l.signerKeys, (std::vector<std::vector<uint8_t>>{std::vector<uint8_t>(32, 0xBB),
                                                                std::vector<uint8_t>(32, 0xCC)}));
    // The installer's fields are as they were.
    EXPECT_EQ(manifest.urls, std::vector<std::wstring>{L"https://a.example/setup.exe"});

    Manifest without;
    ASSERT_TRUE(Parse(kBase, without));
    EXPECT_FALSE(without.launcher.present);

    // Each line missing, repeated or malformed makes the whole manifest
    // malformed (code 4 once it is checked).
    struct Case {
        const char* what;
        std::string from;
        std::string to;
    };
    const std::vector<Case> cases = {
        {"no version", "launcher_version=1.0.0.2\n", ""},
        {"no size", "launcher_size=4096\n", ""},
        {"no digest", "launcher_sha256=" + std::string(64, 'd') + "\n", ""},
        {"no address", "launcher_url=https://a.example/launcher.exe\nlauncher_url=http://b.example/l.exe\n", ""},
        {"three parts", "1.0.0.2", "1.0.2"},
        {"a part too large", "1.0.0.2", "1.0.0.65536"},
        {"a repeated version", "launcher_size", "launcher_version=1.0.0.3\nlauncher_size"},
        {"a repeated size", "launcher_version", "launcher_size=1\nlauncher_version"},
        {"a size with a sign", "=4096", "=+4096"},
        {"a short digest", std::string(64, 'd'), std::string(63, 'd')},
        {"an address of ftp", "http://b.example", "ftp://b.example"},
        {"a key that is no digest", kKeyB, "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE"},
    };
    for (const Case& c : cases) {
        std::string text = kBase + all;
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.what;
        text.replace(at, c.from.size(), c.to);
        Manifest refused;
        EXPECT_FALSE(Parse(text, refused)) << c.what;
    }
    // Signer keys alone are a partial set too.
    Manifest keysOnly;
    EXPECT_FALSE(Parse(kBase + "launcher_signer_key=" + kKeyA + "\n", keysOnly));
}

// ---- The update itself ----

const std::wstring kLauncher = L"C:\\Games\\Orvantis\\launcher.exe";
const std::wstring kNew = kLauncher + L".new";
const std::wstring kOld = kLauncher + L".old";
const std::vector<uint8_t> kOldBytes = {'M', 'Z', 'o', 'l', 'd'};
const std::vector<uint8_t> kNewBytes = {'M', 'Z', 'n', 'e', 'w', '!'};
const std::vector<uint8_t> kNewDigest(32, 0x11);
constexpr uint32_t kSharingViolation = 32;

SignerIdentity Signer(const std::wstring& subject, uint8_t key)
{
    SignerIdentity signer;
    signer.subject = subject;
    signer.keySha256.assign(32, key);
    return signer;
}

const std::wstring kPublisher = L"CN=Northwind Games Ltd, O=Northwind Games Ltd, C=GB";

// Moves that fail as scripted per target name, in turn, before the disk's
// own rules apply.
class ScriptedDisk : public FakeFileSystem {
public:
    std::map<std::wstring, std::deque<uint32_t>> moveErrorsTo;

    bool Move(const std::wstring& from, const std::wstring& to, uint32_t& error) override
    {
        auto it = moveErrorsTo.find(to);
        if (it != moveErrorsTo.end() && !it->second.empty()) {
            error = it->second.front();
            it->second.pop_front();
            return false;
        }
        return FakeFileSystem::Move(from, to, error);
    }
};

struct UpdateRun {
    ScriptedDisk disk;
    FakeFileTrust trust;
    FakeLauncherHandoff handoff{disk};
    FakeClock clock;
    RecordingLog log;
    std::atomic<bool> running{true};
    LauncherSelf self;
    LauncherRelease release;
    bool downloadWorks = true;
    int downloads = 0;

    UpdateRun()
    {
        disk.PutFile(kLauncher, kOldBytes);
        self.path = kLauncher;
        self.hasVersion = true;
        self.version = Version(L"1.0.0.1");
        self.arguments = L"/passive";
        self.process = ProcessIdentity{77, 0x0123456789ABCDEF};
        release.present = true;
        release.version = Version(L"1.0.0.2");
        release.size = kNewBytes.size();
        release.sha256 = kNewDigest;
        release.urls = {L"https://cdn.example/launcher.exe"};
        trust.digests = {kNewDigest};
        // Both signed by the publisher with the same key.
        trust.signers[kLauncher].identity = Signer(kPublisher, 0xA1);
        trust.signers[kNew].identity = Signer(kPublisher, 0xA1);
    }

    LauncherUpdate::End Run()
    {
        LauncherUpdate update(disk, trust, handoff, clock, log, running);
        DownloadBy download([this](IOutputFile& file, std::wstring& failure) {
            ++downloads;
            if (!downloadWorks) {
                failure = L"连接异常,错误代码：404";
                return false;
            }
            uint32_t written = 0, error = 0;
            return file.Write(kNewBytes.data(), static_cast<uint32_t>(kNewBytes.size()), written, error);
        });
        return update.Run(self, release, download);
    }

    bool Logged(const std::wstring& part) const
    {
        for (const std::wstring& line : log.Lines()) {
            if (line.find(part) != std::wstring::npos)
                return true;
        }
        return false;
    }
    std::string LogText() const
    {
        std::string text;
        for (const std::wstring& line : log.Lines())
            for (wchar_t c : line)
                text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }
};

TEST(LauncherUpdateTest, OnlyAHigherVerifiedLauncherReplacesTheRunningOne)
{
    using End = LauncherUpdate::End;
    enum class Outcome { Untouched, Replaced, Refused };
    struct Case {
        const char* what;
        std::function<void(UpdateRun&)> arrange;
        Outcome outcome;
        const wchar_t* logged;
    };
    const std::vector<Case> cases = {
        {"no launcher lines", [](UpdateRun& r) { r.release.present = false; }, Outcome::Untouched,
         L"none in the manifest"},
        {"a lower version", [](UpdateRun& r) { r.release.version = Version(L"1.0.0.0"); }, Outcome::Untouched,
         L"1.0.0.0 in the manifest is not above this launcher's 1.0.0.1; kept"},
        {"the same version", [](UpdateRun& r) { r.release.version = Version(L"1.0.0.1"); }, Outcome::Untouched,
         L"not above"},
        {"no version of its own", [](UpdateRun& r) { r.self.hasVersion = false; }, Outcome::Untouched,
         L"version cannot be read; skipped"},
        {"a folder it cannot write", [](UpdateRun& r) { r.disk.createFails = true; }, Outcome::Untouched,
         L"the folder cannot be written (code 5); skipped"},
        {"its own signature broken",
         [](UpdateRun& r) { r.trust.signers[kLauncher].code = 0x80096010; }, Outcome::Untouched,
         L"this launcher's signature cannot be read"},
        {"higher and signed alike", [](UpdateRun&) {}, Outcome::Replaced, L"the new launcher is up"},
        {"a download that fails", [](UpdateRun& r) { r.downloadWorks = false; }, Outcome::Refused,
         L"download failed (连接异常,错误代码：404); kept"},
        {"another digest", [](UpdateRun& r) { r.trust.digests = {std::vector<uint8_t>(32, 0x22)}; },
         Outcome::Refused, L"SHA-256 of the new launcher differs"},
        {"an unsigned new launcher", [](UpdateRun& r) { r.trust.signers.erase(kNew); }, Outcome::Refused,
         L"signature does not hold (code 2148204800)"},
        {"a signature that does not hold", [](UpdateRun& r) { r.trust.signers[kNew].code = 0x80096010; },
         Outcome::Refused, L"signature does not hold"},
        {"another subject",
         [](UpdateRun& r) { r.trust.signers[kNew].identity = Signer(L"CN=Northwind Games Ltd", 0xA1); },
         Outcome::Refused, L"is not this launcher's"},
        {"another key, not announced",
         [](UpdateRun& r) {
             r.trust.signers[kNew].identity = Signer(kPublisher, 0xB2);
             r.release.signerKeys = {std::vector<uint8_t>(32, 0xC3)};
         },
         Outcome::Refused, L"is neither this launcher's nor one in the manifest"},
        {"another key, announced in the manifest",
         [](UpdateRun& r) {
             r.trust.signers[kNew].identity = Signer(kPublisher, 0xB2);
             r.release.signerKeys = {std::vector<uint8_t>(32, 0xC3), std::vector<uint8_t>(32, 0xB2)};
         },
         Outcome::Replaced, L"the new launcher is up"},
        // A developer's build has only the digest to go by.
        {"an unsigned running launcher, right digest",
         [](UpdateRun& r) {
             r.trust.signers.clear();
         },
         Outcome::Replaced, L"this launcher is unsigned: the new one is checked by its digest alone"},
        {"an unsigned running launcher, another digest",
         [](UpdateRun& r) {
             r.trust.signers.erase(kLauncher);
             r.trust.digests = {std::vector<uint8_t>(32, 0x22)};
         },
         Outcome::Refused, L"differs"},
        {"a scanner holds the files a while",
         [](UpdateRun& r) {
             r.disk.moveErrorsTo[kOld] = {kSharingViolation, kSharingViolation, 5};
             r.disk.moveErrorsTo[kLauncher] = {kSharingViolation};
         },
         Outcome::Replaced, L"the new launcher is up"},
        {"the launcher cannot be renamed",
         [](UpdateRun& r) { r.disk.moveErrorsTo[kOld] = std::deque<uint32_t>(100, kSharingViolation); },
         Outcome::Refused, L".old\" failed (code 32)"},
        {"the new file cannot take its name",
         [](UpdateRun& r) { r.disk.moveErrorsTo[kLauncher] = {kSharingViolation, 1392}; }, Outcome::Refused,
         L"the old launcher is back in place"},
        {"the start fails",
         [](UpdateRun& r) {
             r.handoff.result = ILauncherHandoff::Start::NotStarted;
             r.handoff.startError = 193;
         },
         Outcome::Refused, L"the new launcher cannot be started (code 193)"},
        {"the new launcher ends before its answer",
         [](UpdateRun& r) { r.handoff.result = ILauncherHandoff::Start::EndedEarly; }, Outcome::Refused,
         L"ended before it answered"},
        {"no answer in time", [](UpdateRun& r) { r.handoff.result = ILauncherHandoff::Start::NoAnswer; },
         Outcome::Refused, L"did not answer within 30 s"},
    };
    for (const Case& c : cases) {
        UpdateRun r;
        c.arrange(r);
        const End end = r.Run();
        EXPECT_TRUE(r.Logged(c.logged)) << c.what << "\n" << r.LogText();
        // Never a stray file beside the launcher.
        EXPECT_FALSE(r.disk.Exists(kNew)) << c.what;
        if (c.outcome == Outcome::Replaced) {
            EXPECT_EQ(end, End::HandedOver) << c.what;
            EXPECT_EQ(r.disk.Content(kLauncher), kNewBytes) << c.what;
            EXPECT_EQ(r.disk.Content(kOld), kOldBytes) << c.what;
            // Started from the launcher's own name, with the new bytes
            // there, its switches and the private one.
            ASSERT_EQ(r.handoff.started.size(), 1u) << c.what;
            EXPECT_EQ(r.handoff.started[0],
                      kLauncher + L" /passive /updated-from=77,0123456789abcdef / "
                                  L"Local\\quillmerex-launcher-up-77-0123456789abcdef")
                << c.what;
            EXPECT_EQ(r.handoff.startedBytes, kNewBytes) << c.what;
            continue;
        }
        EXPECT_EQ(end, End::Kept) << c.what;
        EXPECT_EQ(r.disk.Content(kLauncher), kOldBytes) << c.what;
        EXPECT_FALSE(r.disk.Exists(kOld)) << c.what;
        EXPECT_EQ(r.downloads, c.outcome == Outcome::Untouched ? 0 : 1) << c.what;
    }
}

TEST(LauncherUpdateTest, SharingViolationsAreRetriedWithGrowingPausesForAboutHalfAMinute)
{
    UpdateRun r;
    r.disk.moveErrorsTo[kOld] = std::deque<uint32_t>(100, kSharingViolation);
    std::vector<uint32_t> pauses;
    r.clock.onWait = [&pauses](uint32_t ms) { pauses.push_back(ms); };
    EXPECT_EQ(r.Run(), LauncherUpdate::End::Kept);
    ASSERT_GE(pauses.size(), 6u);
    EXPECT_EQ(std::vector<uint32_t>(pauses.begin(), pauses.begin() + 6),
              (std::vector<uint32_t>{100, 200, 400, 800, 1600, 2000}));
    uint64_t total = 0;
    for (uint32_t pause : pauses)
        total += pause;
    EXPECT_EQ(total, 30000u);
}

TEST(LauncherUpdateTest, AStopDuringTheDownloadLeavesNothingBehind)
{
    UpdateRun r;
    LauncherUpdate update(r.disk, r.trust, r.handoff, r.clock, r.log, r.running);
    DownloadBy download([&r](IOutputFile&, std::wstring& failure) {
        r.running.store(false);
        failure = L"强制退出";
        return false;
    });
    const LauncherUpdate::End end = update.Run(r.self, r.release, download);
    EXPECT_EQ(end, LauncherUpdate::End::Stopped);
    EXPECT_FALSE(r.disk.Exists(kNew));
    EXPECT_EQ(r.disk.Content(kLauncher), kOldBytes);
    EXPECT_TRUE(r.handoff.started.empty());
}

TEST(LauncherUpdateTest, LeftoversOfAnEarlierUpdateGo)
{
    FakeFileSystem disk;
    RecordingLog log;
    disk.PutFile(kOld, kOldBytes);
    disk.PutFile(kNew, kNewBytes);
    RemoveLauncherLeftovers(disk, log, kLauncher, true);
    EXPECT_FALSE(disk.Exists(kOld));
    EXPECT_TRUE(disk.Exists(kNew));
    RemoveLauncherLeftovers(disk, log, kLauncher, false);
    EXPECT_FALSE(disk.Exists(kNew));
    EXPECT_EQ(log.Lines().size(), 2u);
    // Nothing to remove: nothing logged.
    RemoveLauncherLeftovers(disk, log, kLauncher, false);
    EXPECT_EQ(log.Lines().size(), 2u);
}

}  // namespace
