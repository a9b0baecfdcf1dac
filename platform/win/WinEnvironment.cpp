#include <shlobj.h>

#include "platform/win/ProcessUser.h"
#include "platform/win/SystemLibrary.h"
#include "platform/win/WinPlatform.h"

namespace {

constexpr DWORD kVariableBuffer = 1024;

// The user's folder by its CSIDL, from shell32 (loaded here at first use).
bool ShellFolder(int csidl, wchar_t (&buffer)[MAX_PATH + 1])
{
    DWORD error = 0;
    return LoadSystemLibrary(L"shell32.dll", error) != nullptr &&
           SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) == S_OK;
}

// The temporary folder of SYSTEM alone (C:\Windows\SystemTemp, or what
// the SystemTemp variable names), from GetTempPath2W: Windows 11, and
// Windows 10 with the updates of March 2025 on; looked up at run time. Empty for
// every other account (to whom GetTempPath2W gives what GetTempPathW
// does) and where the system lacks it.
std::wstring SystemTemp(wchar_t (&buffer)[MAX_PATH + 1])
{
    using GetTempPath2Fn = DWORD(WINAPI*)(DWORD, LPWSTR);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto getTempPath2 = LookUpFunction<GetTempPath2Fn>(kernel, "GetTempPath2W");
    if (getTempPath2 == nullptr || !ProcessUser().IsLocalSystem())
        return std::wstring();
    const DWORD n = getTempPath2(MAX_PATH + 1, buffer);
    return n > 0 && n <= MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

}  // namespace

bool WinEnvironment::ReadVariable(const std::wstring& name, std::wstring& value)
{
    wchar_t buffer[kVariableBuffer] = {};
    DWORD n = GetEnvironmentVariableW(name.c_str(), buffer, kVariableBuffer);
    // 0: not set (or empty); kVariableBuffer or more: the size it would need.
    if (n == 0 || n >= kVariableBuffer)
        return false;
    value.assign(buffer, n);
    return true;
}

std::wstring WinEnvironment::KnownFolder(Folder folder)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    if (folder == Folder::RoamingAppData) {
        if (!ShellFolder(CSIDL_APPDATA, buffer))
            return std::wstring();
        return buffer;
    }
    std::wstring path;
    if (folder == Folder::SystemTemp) {
        path = SystemTemp(buffer);
    } else {
        // The system's temporary directory (GetTempPathW looks at TMP, then
        // TEMP, then the user's profile). When even that does not fit, the
        // user's standard temporary folder under the local application data.
        const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
        if (n > 0 && n <= MAX_PATH) {
            path.assign(buffer, n);
        } else if (ShellFolder(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, buffer)) {
            path = std::wstring(buffer) + L"\\Temp";
            CreateDirectoryW(path.c_str(), nullptr);
        }
    }
    // The folder is used without its trailing backslash; the program adds its own.
    if (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    return path;
}
