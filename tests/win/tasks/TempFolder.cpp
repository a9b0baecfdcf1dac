#include "tests/win/tasks/TempFolder.h"

#include <atomic>
#include <cstdlib>
#include <vector>

#include "platform/win/ScopedHandles.h"

namespace {

std::atomic<int> g_counter{0};

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW data = {};
    ScopedFindHandle search(FindFirstFileW((path + L"\\*").c_str(), &data));
    if (search) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search.Get(), &data));
    }
    search.Reset();
    RemoveDirectoryW(path.c_str());
}

}  // namespace

TempFolder::TempFolder(const std::wstring& path) : m_path(path)
{
    if (m_path.empty()) {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);
        m_path = std::wstring(base) + L"qmx-tasks-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++g_counter);
    }
    RemoveTree(m_path);
    CreateDirectoryW(m_path.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    RemoveTree(m_path);
}

bool TempFolder::Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool TempFolder::WaitFor(const std::wstring& path)
{
    for (int i = 0; i < 2000; ++i) {
        if (Exists(path))
            return true;
        Sleep(5);
    }
    return false;
}

bool TempFolder::IsDirectory(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool TempFolder::WriteFile(const std::wstring& path, const std::string& content)
{
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size();
}

std::string TempFolder::ReadFile(const std::wstring& path)
{
    ScopedFileHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string content;
    if (!file)
        return content;
    char buffer[65536];
    DWORD n = 0;
    while (::ReadFile(file.Get(), buffer, sizeof(buffer), &n, nullptr) && n > 0)
        content.append(buffer, n);
    return content;
}

std::wstring TempFolder::UnixPath(const wchar_t* variable)
{
    const wchar_t* unixPath = _wgetenv(variable);
    if (unixPath == nullptr)
        return std::wstring();
    std::wstring path = std::wstring(L"Z:") + unixPath;
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

std::wstring TempFolder::UnixFile(const wchar_t* variable, const std::wstring& name)
{
    const std::wstring folder = UnixPath(variable);
    return (folder.empty() ? std::wstring(L"Z:\\nonexistent") : folder) + L"\\" + name;
}
