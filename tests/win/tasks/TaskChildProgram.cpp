// A small program for the Windows task tests, in two roles.
//
// As an installer, started as "<path>" -b [code | wait <file>]: writes its
// command line into <path>.ran and its working directory into <path>.cwd,
// then exits with code (0 by default), or
// waits until <file> exists, writes <path>.done and exits with 0. Started
// any other way (as a decoy that should never run), it leaves the same
// marker and exits with 100.
//
// As a launcher that is closed during a download, started as
// download <url> <folder>: starts a download of url into folder through
// the task manager from a server that stalls, and as soon as the worker
// waits in a read, returns from main, so that the manager's destruction
// stops the worker as the launcher's shutdown does.
#include <windows.h>

#include <cwchar>
#include <string>

#include "tasks/TaskEventPoster.h"
#include "platform/win/ScopedHandles.h"
#include "platform/win/WinTaskPlatform.h"
#include "tasks/CTaskManger.h"
#include "tests/win/tasks/ReadWatch.h"

namespace {

std::wstring OwnPath()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    return path;
}

void WriteMarker(const std::wstring& path, const std::wstring& text)
{
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
    DWORD written = 0;
    if (file)
        WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
}

int RunAsInstaller(int argc, wchar_t** argv)
{
    const std::wstring self = OwnPath();
    if (argc >= 4 && std::wstring(argv[2]) == L"wait") {
        for (int i = 0; i < 6000 && GetFileAttributesW(argv[3]) == INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(10);
        WriteMarker(self + L".done", L"done");
        return 0;
    }
    return argc >= 3 ? _wtoi(argv[2]) : 0;
}

class SilentPoster : public ITaskEventPoster {
public:
    void PostTaskEvent(uintptr_t, uintptr_t) override {}
};

int RunAsLauncher(const std::wstring& url, const std::wstring& folder)
{
    WinHttpClient realHttp;
    ReadWatch reads;
    ForwardingHttpClient http(realHttp, reads);
    WinFileSystem files;
    WinProcessRunner processes;
    SilentPoster poster;
    CTaskManger manager(TaskPlatform{&http, &files, &processes}, poster);
    auto task = std::make_unique<DownTask>();
    task->url = url;
    task->tempName = L"yrfoinstall.tmp";
    task->fileName = L"yrfoinstall.exe";
    task->directory = folder;
    manager.AddTask(std::move(task));
    manager.StartNextDownload();
    if (!reads.WaitForStuckRead())
        return 2;
    WriteMarker(folder + L"\\closing", L"closing");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 4 && std::wstring(argv[1]) == L"download")
        return RunAsLauncher(argv[2], argv[3]);
    WriteMarker(OwnPath() + L".ran", GetCommandLineW());
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    WriteMarker(OwnPath() + L".cwd", current);
    if (argc >= 2 && std::wstring(argv[1]) == L"-b")
        return RunAsInstaller(argc, argv);
    return 100;
}
