// The demo installer that the demo package server hands out. Run with "-b"
// (quiet), it installs the demo game as
//   %LOCALAPPDATA%\Orvantis\Marnholt\game.exe
// and registers the game under the current user's App Paths, so that the
// launcher finds where it went. Beside the game it leaves install.log with
// its command line, its working directory and how it was asked to show
// itself. Exit code 0 on
// success, 1 on any failure, 2 when started without "-b".
#include <windows.h>

#include <shlobj.h>

#include <string>

namespace {

constexpr int kGameResource = 1;
constexpr int kGameResourceType = 2021;

bool WriteGame(HINSTANCE instance, const std::wstring& path)
{
    HRSRC info = FindResourceW(instance, MAKEINTRESOURCEW(kGameResource), MAKEINTRESOURCEW(kGameResourceType));
    if (info == nullptr)
        return false;
    DWORD size = SizeofResource(instance, info);
    HGLOBAL data = LoadResource(instance, info);
    const void* bytes = data != nullptr ? LockResource(data) : nullptr;
    if (bytes == nullptr)
        return false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
    CloseHandle(file);
    if (!ok)
        DeleteFileW(path.c_str());
    return ok;
}

bool Register(const std::wstring& folder, const std::wstring& exe)
{
    HKEY key = nullptr;
    if (RegCreateKeyW(HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Marnholt.exe",
                      &key) != ERROR_SUCCESS)
        return false;
    auto bytes = [](const std::wstring& s) { return static_cast<DWORD>((s.size() + 1) * sizeof(wchar_t)); };
    bool ok = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(exe.c_str()),
                             bytes(exe)) == ERROR_SUCCESS &&
              RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                             bytes(folder)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

// Records the command line, the working directory and the show state the
// installer was started with.
void WriteLog(const std::wstring& path)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    const bool hidden = (startup.dwFlags & STARTF_USESHOWWINDOW) && startup.wShowWindow == SW_HIDE;
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    std::wstring text = std::wstring(L"command line: ") + GetCommandLineW() + L"\r\nworking directory: " +
                        current + L"\r\nshow: " + (hidden ? L"hidden" : L"shown") + L"\r\n";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size() - 1), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    if (std::wstring(commandLine).find(L"-b") == std::wstring::npos) {
        MessageBoxW(nullptr, L"请通过启动器安装奥凡蒂斯。", L"奥凡蒂斯", MB_OK);
        return 2;
    }
    wchar_t local[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                         local) != S_OK)
        return 1;
    const std::wstring root = std::wstring(local) + L"\\Orvantis";
    const std::wstring folder = root + L"\\Marnholt";
    const std::wstring exe = folder + L"\\game.exe";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    if (!WriteGame(instance, exe) || !Register(folder, exe))
        return 1;
    WriteLog(folder + L"\\install.log");
    return 0;
}
