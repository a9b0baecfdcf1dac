// The launcher's private dump switch on the real platform: it writes a
// dump only of a process that is the very same program, and only under a
// dump's name in TMP. (The dumps it writes for a crash or a hang are the
// end-to-end cases crash_dumps and hang_dump.)
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/LaunchSwitches.h"
#include "platform/win/ScopedHandles.h"
#include "tests/win/tasks/TempFolder.h"

namespace {

std::wstring Beside(const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

// Runs the launcher with arguments, TMP set to tmp; its exit code.
DWORD RunLauncher(const std::wstring& arguments, const std::wstring& tmp)
{
    const std::wstring program = Beside(L"launcher_e2e.exe");
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    wchar_t oldTmp[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", oldTmp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", tmp.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &started);
    SetEnvironmentVariableW(L"TMP", oldTmp);
    if (!ok)
        return 0xFFFFFFFF;
    ScopedKernelHandle process(started.hProcess);
    ScopedKernelHandle thread(started.hThread);
    if (WaitForSingleObject(process.Get(), 60 * 1000) != WAIT_OBJECT_0)
        return WAIT_TIMEOUT;
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.Get(), &code);
    return code;
}

const wchar_t kName[] = L"quillmerex-crash-20000101-000000-000.dmp";

TEST(DumpWriter, RefusesAProcessThatIsNoLauncherAndRequestsItCannotRead)
{
    TempFolder tmp;
    DumpRequest request;
    request.processId = GetCurrentProcessId();
    request.threadId = GetCurrentThreadId();
    request.fileName = kName;
    // This test program is no launcher: access denied, no file.
    EXPECT_EQ(RunLauncher(DumpSwitch(request), tmp.Path()), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(TempFolder::Exists(tmp.File(kName)));
    // A name with a folder, or no process: the request is not read.
    EXPECT_EQ(RunLauncher(L"/write-dump=" + std::to_wstring(GetCurrentProcessId()) + L",0,0,..\\" + kName,
                          tmp.Path()),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RunLauncher(L"/write-dump=0,0,0," + std::wstring(kName), tmp.Path()),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // A process that has ended cannot be opened.
    request.processId = 0xFFFFFFF0;
    EXPECT_NE(RunLauncher(DumpSwitch(request), tmp.Path()), 0u);
    EXPECT_FALSE(TempFolder::Exists(tmp.File(kName)));
}

}  // namespace
