// Closing the launcher while its download waits on a stalled server: the
// process ends at once and leaves no temporary file.
#include <gtest/gtest.h>

#include "platform/win/ScopedHandles.h"
#include "tests/win/tasks/ChildProgram.h"
#include "tests/win/tasks/LoopbackServer.h"
#include "tests/win/tasks/TempFolder.h"

namespace {

TEST(ShutdownOnWindows, ClosingDuringAStalledDownloadEndsTheProcessAtOnce)
{
    TempFolder folder;
    LoopbackServer server;
    auto reply = LoopbackServer::Ok(std::string(1000000, 'x'));
    reply.bodyBytes = 1000;
    reply.stallAfterSending = true;
    ASSERT_TRUE(server.Start(reply));

    const std::wstring commandLine =
        L"\"" + ChildProgramPath() + L"\" download " + server.Url() + L" \"" + folder.Path() + L"\"";
    ScopedKernelHandle child(StartChild(commandLine));
    ASSERT_TRUE(child);
    // The server stalls until the end of this test; only a stop that does
    // not wait for it lets the child end within the limit.
    const DWORD waited = WaitForSingleObject(child.Get(), 20000);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(child.Get(), 1);
    ASSERT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 99;
    GetExitCodeProcess(child.Get(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(TempFolder::Exists(folder.File(L"closing")));
    EXPECT_FALSE(TempFolder::Exists(folder.File(L"yrfoinstall.tmp")));
    EXPECT_FALSE(TempFolder::Exists(folder.File(L"yrfoinstall.exe")));
}

}  // namespace
