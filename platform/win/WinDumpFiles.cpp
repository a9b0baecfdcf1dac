#include "platform/win/WinDumpFiles.h"

#include <windows.h>

#include "platform/win/ScopedHandles.h"

std::vector<std::wstring> WinDumpFiles::List(const std::wstring& folder, const std::wstring& pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    ScopedFindHandle search(FindFirstFileW((folder + L"\\" + pattern).c_str(), &found));
    if (!search)
        return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(found.cFileName);
    } while (FindNextFileW(search.Get(), &found));
    return names;
}

bool WinDumpFiles::Delete(const std::wstring& path)
{
    return DeleteFileW(path.c_str()) != FALSE;
}
