#include <shlobj.h>

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
    // The system's temporary directory (GetTempPathW looks at TMP, then TEMP,
    // then the user's profile). When even that does not fit, the user's
    // standard temporary folder under the local application data.
    DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring path;
    if (n > 0 && n <= MAX_PATH) {
        path.assign(buffer, n);
    } else if (ShellFolder(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, buffer)) {
        path = std::wstring(buffer) + L"\\Temp";
        CreateDirectoryW(path.c_str(), nullptr);
    }
    // The folder is used without its trailing backslash; the program adds its own.
    if (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    return path;
}
