// The install worker's command line, event sequences and installer file,
// with a scripted process runner.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tasks/CInstallThread.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeFileTrust.h"
#include "tests/fakes/FakeProcessRunner.h"
#include "tests/fakes/RecordingLog.h"
#include "tests/fakes/RecordingTaskEventHandler.h"
#include "tests/fakes/SteerableWorker.h"

namespace {

const std::wstring kInstaller = L"C:\\tmp dir\\yrfoinstall.exe";

using Worker = SteerableWorker<CInstallThread>;
using Wait = IProcess::WaitResult;

struct Fixture {
    FakeClock clock;
    FakeProcessRunner processes;
    FakeFileSystem files;
    FakeFileTrust trust;
    RecordingTaskEventHandler events;
    InstallTask task;
    std::unique_ptr<Worker> worker;

    Fixture()
    {
        task.installerPath = kInstaller;
        task.arguments = L"-b";
        task.state.store(TaskState::Started);
        files.PutFile(kInstaller, {0x4D, 0x5A});
        TaskPlatform seams{nullptr, &files, &processes, &trust};
        seams.clock = &clock;
        worker = std::make_unique<Worker>(&task, &events, seams);
    }
};

struct Case {
    const char* name;
    std::function<void(Fixture&)> arrange;
    std::string operations;
    TaskState state;
    std::wstring message;
    bool installerKept;
};

std::vector<Case> Cases()
{
    return {
        {"StartFails",
         [](Fixture& f) {
             f.processes.startFails = true;
             f.processes.startError = 2;
         },
         "error", TaskState::Failed, L"调用安装程序失败,错误码：2", false},
        {"ExitCodeZero", [](Fixture& f) { f.processes.waits = {Wait::TimedOut, Wait::TimedOut, Wait::Ended}; },
         "start finish", TaskState::Finished, L"", false},
        {"ExitCodeOne", [](Fixture& f) { f.processes.exitCode = 1; }, "start error", TaskState::Failed, L"安装未完成",
         false},
        {"ExitCodeUnreadable", [](Fixture& f) { f.processes.exitCodeFails = true; }, "start error",
         TaskState::Failed, L"安装未完成", false},
        {"WaitFails", [](Fixture& f) { f.processes.waits = {Wait::TimedOut, Wait::Failed}; }, "start error",
         TaskState::Failed, L"安装出错", false},
        {"StopWhileInstallerRuns",
         [](Fixture& f) {
             f.processes.waits = std::vector<Wait>(100, Wait::TimedOut);
             f.processes.beforeWait = [&f](size_t index) {
                 if (index == 2)
                     f.worker->ClearRunning();
             };
         },
         "start", TaskState::Started, L"", true},
        {"StoppedBeforeTheWait",
         [](Fixture& f) { f.worker->ClearRunning(); }, "start", TaskState::Started, L"", true},
    };
}

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class InstallWorker : public ::testing::TestWithParam<Case> {};

TEST_P(InstallWorker, ReportsAndDeletesTheInstaller)
{
    const Case& c = GetParam();
    Fixture f;
    c.arrange(f);
    EXPECT_FALSE(f.worker->Run());

    EXPECT_EQ(f.events.Operations(), c.operations);
    EXPECT_EQ(f.task.state.load(), c.state);
    EXPECT_EQ(f.task.message, c.message);
    EXPECT_EQ(f.files.Exists(kInstaller), c.installerKept);
    EXPECT_EQ(f.processes.openProcesses.load(), 0);
    EXPECT_EQ(f.processes.CommandLines(), std::vector<std::wstring>{L"\"C:\\tmp dir\\yrfoinstall.exe\" -b"});
    // It runs in its own folder.
    EXPECT_EQ(f.processes.WorkingFolders(), std::vector<std::wstring>{L"C:\\tmp dir"});
}

// The download's own folder goes with the installer, with whatever the
// installer left in it, on every road that deletes the installer; it stays
// while the installer runs on.
TEST_P(InstallWorker, RemovesTheDownloadsOwnFolderWithTheInstaller)
{
    const Case& c = GetParam();
    const std::wstring folder = L"C:\\tmp\\quillmerex-00000000000000ab";
    const std::wstring installer = folder + L"\\yrfoinstall.exe";
    Fixture f;
    f.files.PutDirectory(folder);
    f.files.PutFile(installer, {0x4D, 0x5A});
    f.files.PutFile(folder + L"\\setup.log", {1});
    f.task.installerPath = installer;
    f.task.folder = folder;
    c.arrange(f);
    f.worker->Run();

    EXPECT_EQ(f.files.Exists(installer), c.installerKept);
    EXPECT_EQ(f.files.Exists(folder), c.installerKept);
    const std::vector<std::wstring> folders = f.processes.WorkingFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0], folder);
}

INSTANTIATE_TEST_SUITE_P(Cases, InstallWorker, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST_F(InstallWorker, InstallerThatAsksForRightsStartsThroughTheShellAndIsJudgedAsAnyOther)
{
    struct RightsCase {
        const char* name;
        uint32_t elevatedError;
        uint32_t exitCode;
        std::string operations;
        std::wstring message;
        bool installerKept;
    };
    const RightsCase cases[] = {
        {"consented, exit code 0", 0, 0, "start finish", L"", false},
        {"consented, exit code 1", 0, 1, "start error", L"安装未完成", false},
        {"consent refused", 1223, 0, "error", L"调用安装程序失败,错误码：1223", false},
    };
    for (const RightsCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.processes.needsRights = true;
        f.processes.elevatedError = c.elevatedError;
        f.processes.exitCode = c.exitCode;
        f.worker->Run();
        EXPECT_EQ(f.processes.CommandLines(), std::vector<std::wstring>{L"\"C:\\tmp dir\\yrfoinstall.exe\" -b"});
        const std::vector<std::pair<std::wstring, std::wstring>> elevated{{L"\"C:\\tmp dir\\yrfoinstall.exe\"", L"-b"}};
        EXPECT_EQ(f.processes.ElevatedStarts(), elevated);
        // Both starts in the installer's own folder.
        EXPECT_EQ(f.processes.WorkingFolders(), (std::vector<std::wstring>{L"C:\\tmp dir", L"C:\\tmp dir"}));
        EXPECT_EQ(f.events.Operations(), c.operations);
        EXPECT_EQ(f.task.message, c.message);
        EXPECT_EQ(f.files.Exists(kInstaller), c.installerKept);
        EXPECT_EQ(f.processes.openProcesses.load(), 0);
    }
}

TEST_F(InstallWorker, OtherStartFailuresAreNotRetriedThroughTheShell)
{
    Fixture f;
    f.processes.startFails = true;
    f.processes.startError = 5;
    f.worker->Run();
    EXPECT_TRUE(f.processes.ElevatedStarts().empty());
    EXPECT_EQ(f.task.message, L"调用安装程序失败,错误码：5");
}

TEST_F(InstallWorker, PinnedInstallerIsCheckedOnTheHeldFileAndRunsOnlyWhenItPasses)
{
    const std::vector<uint8_t> pin(32, 0xAB);
    struct PinCase {
        const char* name;
        std::vector<uint8_t> digest;  // what the file hashes to
        std::wstring signer;          // pinned signer, or none
        uint32_t signatureError;
        std::wstring signerName;
        std::string operations;
        std::wstring message;
        bool started;
    };
    const PinCase cases[] = {
        {"digest matches", pin, L"", 0, L"", "start finish", L"", true},
        {"digest and signer match", pin, L"Orvantis Games", 0, L"Orvantis Games", "start finish", L"", true},
        {"signer alone", {}, L"Orvantis Games", 0, L"Orvantis Games", "start finish", L"", true},
        {"digest differs", std::vector<uint8_t>(32, 0xCD), L"", 0, L"", "error", L"安装包校验失败", false},
        // CERT_E_CN_NO_MATCH, as a signed number.
        {"another signer", pin, L"Orvantis Games", 0, L"Someone Else", "error",
         L"安装包签名无效,错误代码：-2146762481", false},
        // TRUST_E_NOSIGNATURE: not signed at all.
        {"unsigned", pin, L"Orvantis Games", 0x800B0100, L"", "error", L"安装包签名无效,错误代码：-2146762496", false},
        // CERT_E_UNTRUSTEDROOT: a chain the system does not trust.
        {"untrusted chain", pin, L"Orvantis Games", 0x800B0109, L"Orvantis Games", "error",
         L"安装包签名无效,错误代码：-2146762487", false},
    };
    for (const PinCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        if (!c.digest.empty())
            f.task.pins.sha256 = pin;
        f.trust.digests = {c.digest.empty() ? pin : c.digest};
        f.task.pins.signer = c.signer;
        f.trust.signatureError = c.signatureError;
        f.trust.signerName = c.signerName;
        int heldAtStart = -1;
        f.processes.onStart = [&] { heldAtStart = f.trust.held.load(); };
        f.worker->Run();

        EXPECT_EQ(f.events.Operations(), c.operations);
        EXPECT_EQ(f.task.message, c.message);
        EXPECT_EQ(f.processes.CommandLines().size(), c.started ? 1u : 0u);
        if (c.started) {
            EXPECT_EQ(heldAtStart, 1);  // still held while the installer starts
        }
        EXPECT_EQ(f.trust.held.load(), 0);
        EXPECT_FALSE(f.files.Exists(kInstaller));
    }
}

TEST_F(InstallWorker, DigestCheckedAsTheBytesArrivedIsNotReadAgainWhileTheHeldFileIsTheOneWritten)
{
    // The download checked the pin as the bytes arrived and handed over the
    // identity of the file it left; the held file's is as given here.
    const std::vector<uint8_t> pin(32, 0xAB);
    FileIdentity written;
    written.volume = 0x1234;
    written.number = 77;
    written.size = 4096;
    written.lastWrite = 133000000000000000;
    FileIdentity rewritten = written;
    rewritten.lastWrite += 1;
    FileIdentity other = written;
    other.number = 78;
    struct IdentityCase {
        const char* name;
        bool vouched;      // the download computed the digest as the bytes arrived
        bool known;        // the system tells the held file's identity
        FileIdentity held;
        std::vector<uint8_t> digest;  // what the file hashes to, if it is read
        bool readAgain;
        bool started;
    };
    const IdentityCase cases[] = {
        {"the file written", true, true, written, pin, false, true},
        {"written to since", true, true, rewritten, std::vector<uint8_t>(32, 0xCD), true, false},
        {"another file in its place", true, true, other, std::vector<uint8_t>(32, 0xCD), true, false},
        {"identity unknown", true, false, written, pin, true, true},
        {"digest read whole by the download", false, true, written, pin, true, true},
    };
    for (const IdentityCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.task.pins.sha256 = pin;
        f.task.checkedAsArrived = c.vouched;
        f.task.checkedFile = written;
        f.trust.digests = {c.digest};
        f.trust.identity = [&c](const std::wstring& path, FileIdentity& identity) {
            identity = c.held;
            return c.known && path == kInstaller;
        };
        f.worker->Run();

        EXPECT_EQ(f.trust.Hashed().size(), c.readAgain ? 1u : 0u);
        EXPECT_EQ(f.processes.CommandLines().size(), c.started ? 1u : 0u);
        EXPECT_EQ(f.task.message, c.started ? L"" : L"安装包校验失败");
    }
}

TEST_F(InstallWorker, PausesFiveMillisecondsBetweenWaitsOfThirty)
{
    Fixture f;
    f.processes.waits = {Wait::TimedOut, Wait::TimedOut, Wait::Ended};
    f.worker->Run();
    EXPECT_EQ(f.clock.Waits(), (std::vector<uint32_t>{5, 5}));
    EXPECT_EQ(f.processes.waitsDone.load(), 3);
}

TEST(InstallCommandLine, QuotesThePathAndAddsArgumentsAfterOneBlank)
{
    EXPECT_EQ(CInstallThread::CommandLine(L"C:\\a b\\setup.exe", L"-b"), L"\"C:\\a b\\setup.exe\" -b");
    EXPECT_EQ(CInstallThread::CommandLine(L"C:\\a b\\setup.exe", L""), L"\"C:\\a b\\setup.exe\"");
}

TEST(InstallCommandLine, MustFitTheBufferWithItsTerminator)
{
    // Quotes, blank and "-b" take 5 characters: a path of 1018 gives 1023.
    EXPECT_EQ(CInstallThread::CommandLine(std::wstring(1018, L'x'), L"-b").size(), 1023u);
    EXPECT_TRUE(CInstallThread::CommandLine(std::wstring(1019, L'x'), L"-b").empty());
}

TEST_F(InstallWorker, OverlongCommandLineIsRefusedBeforeAnythingStarts)
{
    Fixture f;
    f.task.installerPath = L"C:\\" + std::wstring(1016, L'x');
    f.worker->Run();
    EXPECT_TRUE(f.processes.CommandLines().empty());
    EXPECT_EQ(f.events.Operations(), "error");
    EXPECT_EQ(f.task.message, L"调用安装程序失败,错误码：206");
    EXPECT_FALSE(f.files.Exists(f.task.installerPath));
}

// What the server sent instead of a program (here a web page) does not
// start: it is gone before the failure shows, and the log tells its size
// and how it began.
TEST_F(InstallWorker, FileThatCannotStartIsDeletedBeforeTheFailureAndLogged)
{
    class Handler : public RecordingTaskEventHandler {
    public:
        explicit Handler(FakeFileSystem& files) : m_files(files) {}
        void OnTaskError(Task* task, CThread* worker) override
        {
            keptAtTheFailure = m_files.Exists(kInstaller);
            RecordingTaskEventHandler::OnTaskError(task, worker);
        }
        bool keptAtTheFailure = true;

    private:
        FakeFileSystem& m_files;
    };
    const std::string page = "<!DOCTYPE html>\r\n<html><head><title>\xE6\x97\xA0\x7F</title></head>"
                             "<body>the package moved to another address</body></html>\n";
    struct StartCase {
        const char* name;
        std::vector<uint8_t> content;
        std::wstring logged;  // empty: no line about the file
    };
    const StartCase cases[] = {
        {"a page", std::vector<uint8_t>(page.begin(), page.end()),
         L"installer: " + std::to_wstring(page.size()) +
             L" bytes, starting \"<!DOCTYPE html>..<html><head><title>....</title></head><body>the\"; deleted"},
        {"empty", {}, L"installer: 0 bytes, starting \"\"; deleted"},
        {"short", {0x4D, 0x5A, 0x00, 0x90}, L"installer: 4 bytes, starting \"MZ..\"; deleted"},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        RecordingLog log;
        Handler handler(f.files);
        f.files.PutFile(kInstaller, c.content);
        f.processes.startFails = true;
        f.processes.startError = 193;
        Worker worker(&f.task, &handler, TaskPlatform{nullptr, &f.files, &f.processes, &f.trust, nullptr, nullptr, &log});
        worker.Run();

        EXPECT_EQ(handler.Operations(), "error");
        EXPECT_EQ(f.task.message, L"调用安装程序失败,错误码：193");
        EXPECT_FALSE(handler.keptAtTheFailure);
        EXPECT_FALSE(f.files.Exists(kInstaller));
        EXPECT_EQ(log.Lines(), (std::vector<std::wstring>{L"installer: not started, code 193", c.logged}));
    }
}

}  // namespace
