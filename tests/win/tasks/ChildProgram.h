#pragma once
// The tests' child program (TaskChildProgram.cpp), built beside the test
// program.
#include <windows.h>

#include <string>

#include "platform/win/ScopedHandles.h"

inline std::wstring ChildProgramPath()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    std::wstring own = path;
    return own.substr(0, own.find_last_of(L'\\') + 1) + L"tasks_child.exe";
}

// Starts commandLine with no window; the process handle, or null.
inline HANDLE StartChild(const std::wstring& commandLine)
{
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &info))
        return nullptr;
    ScopedKernelHandle thread(info.hThread);
    return info.hProcess;
}
