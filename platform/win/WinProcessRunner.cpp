#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "platform/win/ScopedHandles.h"
#include "platform/win/SystemLibrary.h"
#include "platform/win/WinProcess.h"
#include "platform/win/WinTaskPlatform.h"

namespace {

// The user of a process's token, in buffer; null when it cannot be read.
const SID* TokenUserSid(HANDLE process, std::vector<uint8_t>& buffer)
{
    ScopedKernelHandle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.Out()))
        return nullptr;
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0)
        return nullptr;
    buffer.resize(size);
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size))
        return nullptr;
    return static_cast<const SID*>(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

}  // namespace

IProcess::Account WinProcess::RunsAs()
{
    std::vector<uint8_t> ours;
    std::vector<uint8_t> theirs;
    const SID* own = TokenUserSid(GetCurrentProcess(), ours);
    const SID* other = TokenUserSid(m_process.Get(), theirs);
    if (own == nullptr || other == nullptr)
        return Account::Unknown;
    return EqualSid(const_cast<SID*>(own), const_cast<SID*>(other)) ? Account::Same : Account::Other;
}

std::unique_ptr<IProcess> WinProcessRunner::StartHidden(const std::wstring& commandLine,
                                                        const std::wstring& workingFolder, uint32_t& error)
{
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    const wchar_t* folder = workingFolder.empty() ? nullptr : workingFolder.c_str();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &info)) {
        error = GetLastError();
        return nullptr;
    }
    ScopedKernelHandle thread(info.hThread);
    return std::make_unique<WinProcess>(info.hProcess);
}

std::unique_ptr<IProcess> WinProcessRunner::StartElevated(const std::wstring& program, const std::wstring& arguments,
                                                          const std::wstring& workingFolder, uint32_t& error)
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
    info.hwnd = static_cast<HWND>(m_owner.load());
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
    info.lpDirectory = workingFolder.empty() ? nullptr : workingFolder.c_str();
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
