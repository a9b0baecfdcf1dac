#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "platform/win/ScopedHandles.h"
#include "platform/win/SystemLibrary.h"
#include "platform/win/WinProcess.h"
#include "platform/win/WinTaskPlatform.h"

std::unique_ptr<IProcess> WinProcessRunner::StartHidden(const std::wstring& commandLine, uint32_t& error)
{
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        error = GetLastError();
        return nullptr;
    }
    ScopedKernelHandle thread(info.hThread);
    return std::make_unique<WinProcess>(info.hProcess);
}

std::unique_ptr<IProcess> WinProcessRunner::StartElevated(const std::wstring& program, const std::wstring& arguments,
                                                          uint32_t& error)
{
    DWORD loadError = 0;
    if (LoadSystemLibrary(L"shell32.dll", loadError) == nullptr) {
        error = loadError;
        return nullptr;
    }
    // The shell may hand the start to extensions that need COM on this thread.
    ScopedComApartment com = EnterComApartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    // The process handle, no error dialogs of the shell's own, and the
    // start complete before the call returns.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
    info.nShow = SW_HIDE;
    if (!ShellExecuteExW(&info)) {
        error = GetLastError();
        return nullptr;
    }
    if (info.hProcess == nullptr) {
        // The shell handled the file without starting a process of its own.
        error = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return std::make_unique<WinProcess>(info.hProcess);
}
