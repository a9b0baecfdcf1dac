#include <vector>

#include "platform/win/ScopedHandles.h"
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
