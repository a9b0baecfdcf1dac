// The installer's checks on the real platform: SHA-256 with CNG, and
// Authenticode with WinTrust on copies of the tests' child program signed
// with throwaway certificates (trust_files.sh, run before these tests), on
// a file held so that it cannot change between its checks and its start.
//
// Wine's WinVerifyTrust checks the file's digest (a changed byte, no
// signature) but accepts any certificate chain, trusted or not; the rule
// that an untrusted chain is refused is the system's, and the worker's
// handling of that refusal is tested through the seam (native tests).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win/WinTaskPlatform.h"
#include "tasks/CInstallThread.h"
#include "tests/fakes/RecordingTaskEventHandler.h"
#include "tests/win/tasks/ChildProgram.h"
#include "tests/win/tasks/TempFolder.h"
#include "tests/win/tasks/TrustedTestCa.h"

namespace {

const wchar_t kPublisher[] = L"Orvantis Test Publisher";

// A file made by trust_files.sh (its folder comes as a Unix path).
std::wstring TrustFile(const std::wstring& name)
{
    return TempFolder::UnixFile(L"QMX_TRUST_FILES", name);
}

std::string Hex(const std::vector<uint8_t>& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 15]);
    }
    return text;
}

std::vector<uint8_t> Sha256Of(const std::wstring& path)
{
    WinFileTrust trust;
    uint32_t error = 0;
    std::unique_ptr<IHeldFile> file = trust.Hold(path, error);
    std::vector<uint8_t> digest;
    const std::atomic<bool> keepGoing{true};
    if (!file || !file->Sha256(digest, error, keepGoing))
        ADD_FAILURE() << "cannot hash, code " << error;
    return digest;
}

class TrustOnWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_ca = new TrustedTestCa;
        ASSERT_TRUE(s_ca->Add(TempFolder::ReadFile(TrustFile(L"ca.der"))));
    }
    static void TearDownTestSuite()
    {
        delete s_ca;
        s_ca = nullptr;
    }
    static TrustedTestCa* s_ca;
};
TrustedTestCa* TrustOnWindows::s_ca = nullptr;

TEST(WinFileTrust, Sha256OfKnownTexts)
{
    TempFolder folder;
    const struct {
        std::string content;
        std::string digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // More than one read of 64 KB.
        {std::string(100000, 'a'), "6d1cf22d7cc09b085dfc25ee1a1f3ae0265804c607bc2074ad253bcc82fd81ee"},
    };
    for (const auto& c : cases) {
        const std::wstring path = folder.File(L"text");
        ASSERT_TRUE(TempFolder::WriteFile(path, c.content));
        EXPECT_EQ(Hex(Sha256Of(path)), c.digest) << c.content.size() << " bytes";
        // The same digest computed piece by piece, as a download's bytes
        // arrive: pieces of every size, an empty one among them.
        WinFileTrust trust;
        std::unique_ptr<ISha256> sha = trust.NewSha256();
        ASSERT_NE(sha, nullptr);
        const auto* bytes = reinterpret_cast<const uint8_t*>(c.content.data());
        size_t at = 0;
        for (size_t piece = 0; at < c.content.size(); piece = piece * 2 + 1) {
            const size_t n = piece < c.content.size() - at ? piece : c.content.size() - at;
            ASSERT_TRUE(sha->Add(bytes + at, n));
            at += n;
        }
        std::vector<uint8_t> digest;
        ASSERT_TRUE(sha->Finish(digest));
        EXPECT_EQ(Hex(digest), c.digest) << c.content.size() << " bytes, in pieces";
    }
}

TEST_F(TrustOnWindows, SignatureHoldsOnlyForAnUnchangedFileOfThePinnedSigner)
{
    const struct {
        const wchar_t* file;
        uint32_t result;
    } cases[] = {
        {L"signed.exe", 0},
        {L"other.exe", kErrorSignerMismatch},
        {L"unsigned.exe", 0x800B0100},  // TRUST_E_NOSIGNATURE
        {L"changed.exe", 0x80096010},   // TRUST_E_BAD_DIGEST
    };
    WinFileTrust trust;
    for (const auto& c : cases) {
        uint32_t error = 0;
        std::unique_ptr<IHeldFile> file = trust.Hold(TrustFile(c.file), error);
        ASSERT_TRUE(file) << error;
        EXPECT_EQ(file->VerifySignature(kPublisher), c.result) << std::string(c.file, c.file + wcslen(c.file));
    }
}

// Who signed a file, as a launcher compares its successor's signer with
// its own: the whole subject, and the key as openssl hashes it.
TEST_F(TrustOnWindows, TheSignerIsReadWithItsSubjectAndKey)
{
    WinFileTrust trust;
    auto read = [&trust](const wchar_t* name, SignerIdentity& signer) {
        uint32_t error = 0;
        std::unique_ptr<IHeldFile> file = trust.Hold(TrustFile(name), error);
        EXPECT_TRUE(file) << error;
        return file ? file->ReadSigner(signer) : error;
    };
    SignerIdentity publisher, other, none;
    ASSERT_EQ(read(L"signed.exe", publisher), 0u);
    ASSERT_EQ(read(L"other.exe", other), 0u);
    EXPECT_EQ(read(L"unsigned.exe", none), kErrorNoSignature);
    EXPECT_EQ(read(L"changed.exe", none), 0x80096010u);  // TRUST_E_BAD_DIGEST

    EXPECT_EQ(publisher.subject, L"CN=Orvantis Test Publisher");
    EXPECT_EQ(other.subject, L"CN=Someone Else");
    EXPECT_EQ(Hex(publisher.keySha256), TempFolder::ReadFile(TrustFile(L"publisher.key")));
    EXPECT_EQ(Hex(other.keySha256), TempFolder::ReadFile(TrustFile(L"other.key")));
}

TEST(WinFileTrust, HeldFileRunsButCannotBeChangedRenamedOrDeleted)
{
    TempFolder folder;
    const std::wstring installer = folder.File(L"yrfoinstall.exe");
    ASSERT_TRUE(CopyFileW(ChildProgramPath().c_str(), installer.c_str(), FALSE));
    WinFileTrust trust;
    uint32_t error = 0;
    std::unique_ptr<IHeldFile> held = trust.Hold(installer, error);
    ASSERT_TRUE(held) << error;

    HANDLE writer = CreateFileW(installer.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    ScopedFileHandle closeIfOpened(writer);
    EXPECT_FALSE(MoveFileExW(installer.c_str(), folder.File(L"swapped.exe").c_str(), 0));
    EXPECT_FALSE(DeleteFileW(installer.c_str()));

    WinProcessRunner processes;
    std::unique_ptr<IProcess> process = processes.StartHidden(L"\"" + installer + L"\" -b", std::wstring(), error);
    ASSERT_TRUE(process) << error;
    ASSERT_EQ(process->Wait(30000), IProcess::WaitResult::Ended);
    uint32_t code = 1;
    EXPECT_TRUE(process->GetExitCode(code));
    EXPECT_EQ(code, 0u);

    held.reset();
    EXPECT_TRUE(DeleteFileW(installer.c_str()));
}

// The install worker with both pins on the real files: the signed program
// runs; the one changed after signing fails its digest, is deleted and
// never runs.
TEST_F(TrustOnWindows, InstallWorkerRunsOnlyThePinnedInstaller)
{
    const std::vector<uint8_t> digest = Sha256Of(TrustFile(L"signed.exe"));
    const struct {
        const wchar_t* source;
        std::string operations;
        std::wstring message;
    } cases[] = {
        {L"signed.exe", "start finish", L""},
        {L"changed.exe", "error", L"安装包校验失败"},
        {L"other.exe", "error", L"安装包校验失败"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        InstallTask task;
        task.installerPath = folder.File(L"yrfoinstall.exe");
        task.arguments = L"-b";
        task.state.store(TaskState::Started);
        task.pins.sha256 = digest;
        task.pins.signer = kPublisher;
        ASSERT_TRUE(CopyFileW(TrustFile(c.source).c_str(), task.installerPath.c_str(), FALSE));
        WinProcessRunner processes;
        WinFileSystem files;
        WinFileTrust trust;
        RecordingTaskEventHandler events;
        CInstallThread worker(&task, &events, TaskPlatform{nullptr, &files, &processes, &trust});
        ASSERT_TRUE(worker.Start());
        ASSERT_TRUE(events.WaitForFinal());
        worker.Stop();
        EXPECT_EQ(events.Operations(), c.operations);
        EXPECT_EQ(task.message, c.message);
        EXPECT_FALSE(TempFolder::Exists(task.installerPath));
        EXPECT_EQ(TempFolder::Exists(task.installerPath + L".ran"), c.operations != "error");
    }
}

}  // namespace
