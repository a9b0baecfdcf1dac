// The launcher's hand-over to a newer copy on the real system: the start
// with its handshake event (up, ended early, no answer, not started), a
// process known by id and creation time, and the swap's file moves (a
// running program renamed, a file held without delete sharing refused as a
// sharing violation).
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/win/ScopedHandles.h"
#include "platform/win/WinLauncherHandoff.h"
#include "platform/win/WinTaskPlatform.h"
#include "tasks/LauncherUpdate.h"
#include "tests/win/tasks/ChildProgram.h"
#include "tests/win/tasks/TempFolder.h"

namespace {

ProcessIdentity IdentityOf(HANDLE process)
{
    FILETIME creation = {}, exit = {}, kernel = {}, user = {};
    GetProcessTimes(process, &creation, &exit, &kernel, &user);
    return ProcessIdentity{GetProcessId(process),
                           static_cast<uint64_t>(creation.dwHighDateTime) << 32 | creation.dwLowDateTime};
}

TEST(WinLauncherHandoff, TheNewLauncherIsUpOnlyWhenItSetsTheEventInTime)
{
    WinLauncherHandoff handoff;
    const ProcessIdentity own = handoff.OwnProcess();
    const std::wstring event = HandoffEventName(own);
    const std::wstring child = ChildProgramPath();

    std::unique_ptr<IProcess> process;
    uint32_t error = 0;
    ASSERT_EQ(handoff.StartAndAwait(child, L"up " + event + L" 6", event, 20000, process, error),
              ILauncherHandoff::Start::Up);
    ASSERT_TRUE(process);
    ASSERT_EQ(process->Wait(20000), IProcess::WaitResult::Ended);
    uint32_t code = 0;
    ASSERT_TRUE(process->GetExitCode(code));
    EXPECT_EQ(code, 6u);

    process.reset();
    EXPECT_EQ(handoff.StartAndAwait(child, L"exit 4", event, 20000, process, error),
              ILauncherHandoff::Start::EndedEarly);
    EXPECT_FALSE(process);
    EXPECT_EQ(handoff.StartAndAwait(child, L"hang", event, 300, process, error), ILauncherHandoff::Start::NoAnswer);
    EXPECT_FALSE(process);
    TempFolder folder;
    EXPECT_EQ(handoff.StartAndAwait(folder.File(L"missing.exe"), L"", event, 300, process, error),
              ILauncherHandoff::Start::NotStarted);
    EXPECT_EQ(error, static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
    // Nobody waits on an event of another name.
    EXPECT_FALSE(handoff.SignalUp(L"Local\\quillmerex-launcher-up-0-0000000000000000"));
}

TEST(WinLauncherHandoff, AProcessIsKnownByItsIdAndCreationTime)
{
    WinLauncherHandoff handoff;
    EXPECT_NE(handoff.OwnPath().find(L"tasks_wine_tests"), std::wstring::npos);
    ProcessIdentity own = handoff.OwnProcess();
    EXPECT_NE(own.creationTime, 0u);
    EXPECT_FALSE(handoff.WaitForEnd(own, 0));
    // The same id with another creation time is another process: gone.
    own.creationTime ^= 1;
    EXPECT_TRUE(handoff.WaitForEnd(own, 0));

    ScopedKernelHandle child(StartChild(L"\"" + ChildProgramPath() + L"\" hang"));
    ASSERT_TRUE(child);
    const ProcessIdentity running = IdentityOf(child.Get());
    EXPECT_FALSE(handoff.WaitForEnd(running, 100));
    TerminateProcess(child.Get(), 1);
    EXPECT_TRUE(handoff.WaitForEnd(running, 10000));
}

TEST(WinLauncherHandoff, ARunningProgramIsRenamedAndAHeldFileIsASharingViolation)
{
    TempFolder folder;
    const std::wstring launcher = folder.File(L"launcher.exe");
    ASSERT_TRUE(CopyFileW(ChildProgramPath().c_str(), launcher.c_str(), FALSE));
    ScopedKernelHandle running(StartChild(L"\"" + launcher + L"\" hang"));
    ASSERT_TRUE(running);

    WinFileSystem files;
    uint32_t error = 0;
    EXPECT_TRUE(files.Move(launcher, OldLauncherPath(launcher), error)) << error;
    ASSERT_TRUE(TempFolder::WriteFile(NewLauncherPath(launcher), "MZ new"));
    EXPECT_TRUE(files.Move(NewLauncherPath(launcher), launcher, error)) << error;
    EXPECT_EQ(TempFolder::ReadFile(launcher), "MZ new");

    // Held open as a scanner holds a fresh file: no delete sharing.
    ScopedFileHandle held(CreateFileW(launcher.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(files.Move(launcher, NewLauncherPath(launcher), error));
    EXPECT_EQ(error, static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
    held.Reset();

    TerminateProcess(running.Get(), 1);
    WaitForSingleObject(running.Get(), 10000);
}

}  // namespace
