#pragma once
// WinINet's cache on disk (the profile's INetCache folder): the download
// tests look there after every road for a copy of the file, which must
// never be left behind.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/win/ScopedHandles.h"

namespace internet_cache {

inline std::wstring Folder()
{
    wchar_t path[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_INTERNET_CACHE, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return path;
}

// Every file under folder whose name starts with prefix (case-insensitive:
// the cache names a copy "pomvel_mini[1].exe").
inline void Collect(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>& found)
{
    WIN32_FIND_DATAW data = {};
    ScopedFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!search)
        return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring child = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Collect(child, prefix, found);
        else if (CompareStringOrdinal(name.c_str(), static_cast<int>(prefix.size() < name.size() ? prefix.size()
                                                                                               : name.size()),
                                      prefix.c_str(), static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL)
            found.push_back(child);
    } while (FindNextFileW(search.Get(), &data));
}

// Copies of a file named name... in the cache.
inline std::vector<std::wstring> Copies(const std::wstring& prefix)
{
    std::vector<std::wstring> found;
    const std::wstring folder = Folder();
    if (!folder.empty())
        Collect(folder, prefix, found);
    return found;
}

// Removes copies left by earlier runs, so that a copy found after a road
// was made by that road.
inline void Clear(const std::wstring& prefix)
{
    for (const std::wstring& path : Copies(prefix))
        DeleteFileW(path.c_str());
}

inline std::string Joined(const std::vector<std::wstring>& paths)
{
    std::string text;
    for (const std::wstring& path : paths) {
        for (wchar_t c : path)
            text += c < 128 ? static_cast<char>(c) : '?';
        text += "\n";
    }
    return text;
}

}  // namespace internet_cache
