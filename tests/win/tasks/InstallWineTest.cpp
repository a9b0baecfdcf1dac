// The install worker with real processes: the tests' child program plays
// the installer.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/win/WinTaskPlatform.h"
#include "tasks/CInstallThread.h"
#include "tests/fakes/RecordingTaskEventHandler.h"
#include "tests/win/tasks/ChildProgram.h"
#include "tests/win/tasks/TempFolder.h"

namespace {

// What the child wrote into its marker: its command line, UTF-16.
std::wstring MarkerText(const std::wstring& path)
{
    const std::string bytes = TempFolder::ReadFile(path);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

class InstallOnWindows : public ::testing::Test {
protected:
    explicit InstallOnWindows(const std::wstring& folderPath = std::wstring()) : folder(folderPath)
    {
        installer = folder.File(L"yrfoinstall.exe");
        task.installerPath = installer;
        task.arguments = L"-b";
        task.state.store(TaskState::Started);
    }
    ~InstallOnWindows() override
    {
        if (worker)
            worker->Stop();
    }

    void PlaceInstaller() { ASSERT_TRUE(CopyFileW(ChildProgramPath().c_str(), installer.c_str(), FALSE)); }
    void StartWorker()
    {
        worker = std::make_unique<CInstallThread>(&task, &events, TaskPlatform{nullptr, &files, &processes});
        ASSERT_TRUE(worker->Start());
    }
    void Install()
    {
        StartWorker();
        ASSERT_TRUE(events.WaitForFinal());
        worker->Stop();
    }

    TempFolder folder;
    std::wstring installer;
    WinProcessRunner processes;
    WinFileSystem files;
    RecordingTaskEventHandler events;
    InstallTask task;
    std::unique_ptr<CInstallThread> worker;
};

TEST_F(InstallOnWindows, ExitCodeZeroFinishesAndDeletesTheInstaller)
{
    PlaceInstaller();
    Install();
    EXPECT_EQ(events.Operations(), "start finish");
    EXPECT_EQ(MarkerText(installer + L".ran"), L"\"" + installer + L"\" -b");
    EXPECT_FALSE(TempFolder::Exists(installer));
}

// The installer runs with its own folder as working directory, and the
// download's own folder goes with it, with what the installer left there.
TEST_F(InstallOnWindows, RunsInItsOwnFolderWhichGoesWithIt)
{
    const std::wstring own = folder.File(L"quillmerex-00000000000000ab");
    ASSERT_TRUE(CreateDirectoryW(own.c_str(), nullptr));
    installer = own + L"\\yrfoinstall.exe";
    task.installerPath = installer;
    task.folder = own;
    PlaceInstaller();
    Install();
    EXPECT_EQ(events.Operations(), "start finish");
    EXPECT_FALSE(TempFolder::Exists(installer));
    EXPECT_FALSE(TempFolder::Exists(own));
}

TEST_F(InstallOnWindows, StartsWithTheInstallersFolderAsWorkingDirectory)
{
    PlaceInstaller();
    uint32_t error = 0;
    const std::wstring own = installer.substr(0, installer.rfind(L'\\'));
    std::unique_ptr<IProcess> process = processes.StartHidden(L"\"" + installer + L"\" -b", own, error);
    ASSERT_TRUE(process) << error;
    ASSERT_EQ(process->Wait(30000), IProcess::WaitResult::Ended);
    EXPECT_EQ(MarkerText(installer + L".cwd"), own);
    // The shell's start for rights gets it too.
    DeleteFileW((installer + L".cwd").c_str());
    process = processes.StartElevated(L"\"" + installer + L"\"", L"-b", own, error);
    ASSERT_TRUE(process) << error;
    ASSERT_EQ(process->Wait(30000), IProcess::WaitResult::Ended);
    EXPECT_EQ(MarkerText(installer + L".cwd"), own);
}

TEST_F(InstallOnWindows, ExitCodeOneFailsAndDeletesTheInstaller)
{
    PlaceInstaller();
    task.arguments = L"-b 1";
    Install();
    EXPECT_EQ(events.Operations(), "start error");
    EXPECT_EQ(task.message, L"安装未完成");
    EXPECT_FALSE(TempFolder::Exists(installer));
}

// Wine has no consent prompt: the shell's "runas" start runs the program
// at once, which shows the start itself (with a window as the prompt's
// owner), the command line, the exit code and the account it runs under.
TEST_F(InstallOnWindows, StartThroughTheShellForRightsRunsTheProgramWithItsArguments)
{
    PlaceInstaller();
    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    processes.SetPromptOwner(owner);
    uint32_t error = 0;
    std::unique_ptr<IProcess> process = processes.StartElevated(L"\"" + installer + L"\"", L"-b 3", std::wstring(), error);
    processes.SetPromptOwner(nullptr);
    DestroyWindow(owner);
    ASSERT_TRUE(process) << error;
    EXPECT_EQ(process->RunsAs(), IProcess::Account::Same);
    ASSERT_EQ(process->Wait(30000), IProcess::WaitResult::Ended);
    uint32_t code = 0;
    ASSERT_TRUE(process->GetExitCode(code));
    EXPECT_EQ(code, 3u);
    EXPECT_EQ(MarkerText(installer + L".ran"), L"\"" + installer + L"\" -b 3");
}

TEST_F(InstallOnWindows, MissingInstallerCannotBeStarted)
{
    Install();
    EXPECT_EQ(events.Operations(), "error");
    EXPECT_EQ(task.message, L"调用安装程序失败,错误码：2");
}

// A web page where the installer should be: the system refuses to start
// it (193, not a Windows program), and it is gone before the failure shows.
TEST_F(InstallOnWindows, PageThatIsNoProgramFailsWith193AndIsDeleted)
{
    ASSERT_TRUE(TempFolder::WriteFile(installer, "<!DOCTYPE html>\r\n<html><body>moved</body></html>\r\n"));
    Install();
    EXPECT_EQ(events.Operations(), "error");
    EXPECT_EQ(task.message, L"调用安装程序失败,错误码：193");
    EXPECT_FALSE(TempFolder::Exists(installer));
}

TEST_F(InstallOnWindows, StopLeavesTheInstallerRunningAndItsFileInPlace)
{
    PlaceInstaller();
    const std::wstring release = folder.File(L"release");
    task.arguments = L"-b wait \"" + release + L"\"";
    StartWorker();
    ASSERT_TRUE(events.WaitForAny());
    ASSERT_TRUE(TempFolder::WaitFor(installer + L".ran"));

    const auto before = std::chrono::steady_clock::now();
    worker->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_EQ(events.Operations(), "start");
    EXPECT_EQ(task.state.load(), TaskState::Started);
    EXPECT_TRUE(TempFolder::Exists(installer));
    EXPECT_FALSE(TempFolder::Exists(installer + L".done"));

    // Let the installer end before the folder goes.
    ASSERT_TRUE(TempFolder::WriteFile(release, "go"));
    EXPECT_TRUE(TempFolder::WaitFor(installer + L".done"));
}

// With blanks in the folder, an unquoted command line would start
// C:\qmxdecoy.exe: a copy of the child stands there to tell.
class InstallFromFolderWithBlanks : public InstallOnWindows {
protected:
    InstallFromFolderWithBlanks() : InstallOnWindows(L"C:\\qmxdecoy tasks folder") {}
    ~InstallFromFolderWithBlanks() override
    {
        DeleteFileW(kDecoy);
        DeleteFileW((std::wstring(kDecoy) + L".ran").c_str());
    }
    static constexpr const wchar_t* kDecoy = L"C:\\qmxdecoy.exe";
};

TEST_F(InstallFromFolderWithBlanks, StartsTheInstallerNotTheProgramNamedByItsFirstWord)
{
    ASSERT_TRUE(CopyFileW(ChildProgramPath().c_str(), kDecoy, FALSE));
    PlaceInstaller();
    Install();
    EXPECT_EQ(events.Operations(), "start finish");
    EXPECT_TRUE(TempFolder::Exists(installer + L".ran"));
    EXPECT_FALSE(TempFolder::Exists(std::wstring(kDecoy) + L".ran"));
}

TEST(FileSystemOnWindows, AttributesTellFilesFromFoldersAndMissingPaths)
{
    TempFolder folder;
    WinFileSystem files;
    const std::wstring file = folder.File(L"game.exe");
    ASSERT_TRUE(TempFolder::WriteFile(file, "MZ"));
    uint32_t attributes = 0;
    ASSERT_TRUE(files.GetAttributes(file, attributes));
    EXPECT_EQ(attributes & kFileAttributeDirectory, 0u);
    ASSERT_TRUE(files.GetAttributes(folder.Path(), attributes));
    EXPECT_NE(attributes & kFileAttributeDirectory, 0u);
    EXPECT_FALSE(files.GetAttributes(folder.File(L"missing.exe"), attributes));

    FoundFile found;
    ASSERT_TRUE(files.Find(file, found));
    EXPECT_EQ(found.size, 2u);
    EXPECT_FALSE(files.Find(folder.File(L"missing.exe"), found));

    // The first bytes, as many as there are, from a file another program
    // holds open for writing.
    ScopedFileHandle held(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(files.ReadStart(file, 64, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{'M', 'Z'}));
    ASSERT_TRUE(files.ReadStart(file, 1, bytes));
    EXPECT_EQ(bytes, std::vector<uint8_t>{'M'});
    EXPECT_FALSE(files.ReadStart(folder.File(L"missing.exe"), 64, bytes));
}

// The partial installer, continued: written at its end, readable by others
// but not writable while the launcher holds it; the download's folders
// listed by name, made and removed.
TEST(FileSystemOnWindows, PartialFileIsContinuedAtItsEndAndHeldAgainstWriters)
{
    TempFolder folder;
    WinFileSystem files;
    const std::wstring own = folder.File(L"quillmerex-00000000000000ab");
    uint32_t error = 0;
    ASSERT_TRUE(files.CreatePrivateFolder(own, error)) << error;
    EXPECT_FALSE(files.CreatePrivateFolder(own, error));
    EXPECT_EQ(error, 183u);
    const std::wstring partial = own + L"\\yrfoinstall.tmp";
    ASSERT_TRUE(TempFolder::WriteFile(partial, "MZ12"));

    uint64_t size = 0;
    std::unique_ptr<IOutputFile> out = files.OpenToAppend(partial, size, error);
    ASSERT_TRUE(out) << error;
    EXPECT_EQ(size, 4u);
    ScopedFileHandle writer(CreateFileW(partial.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_FALSE(writer);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    uint32_t written = 0;
    ASSERT_TRUE(out->Write("34", 2, written, error));
    ASSERT_TRUE(out->Flush(error));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(files.ReadStart(partial, 64, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "MZ1234");
    out.reset();

    std::vector<FoundFile> found;
    ASSERT_TRUE(files.List(folder.File(L"quillmerex-*"), found));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, L"quillmerex-00000000000000ab");
    EXPECT_NE(found[0].attributes & kFileAttributeDirectory, 0u);
    EXPECT_GT(found[0].lastWriteSeconds, 1700000000);
    EXPECT_FALSE(files.RemoveFolder(own));  // not empty
    ASSERT_TRUE(files.Delete(partial));
    EXPECT_TRUE(files.RemoveFolder(own));
    EXPECT_FALSE(files.List(folder.File(L"quillmerex-*"), found));
}

}  // namespace
