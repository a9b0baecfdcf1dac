#pragma once
// Where the program's DLLs come from. A launcher is typically started from
// a downloads folder, where anyone may have left a DLL with a system name
// beside it: every DLL the program loads must come from the system folder.
#include <windows.h>

#include <string>

// Restricts the DLL search of the whole process to the system folder
// (SetDefaultDllDirectories, looked up at run time; where the system lacks
// it, SetDllDirectoryW(L"") at least takes the current folder out of the
// search). The first thing the program does. True when the search is
// restricted to the system folder.
bool RestrictDllSearchToSystem();

// How a DLL of the system is loaded where the search cannot be restricted
// (Windows 7 without KB2533623): by its full path in the system folder, and
// with LOAD_WITH_ALTERED_SEARCH_PATH, so that the DLLs it needs in turn are
// searched from the system folder first instead of from the program's.
// An empty path, with the system's error code, when the system folder
// cannot be read.
struct SystemLibraryLoad {
    std::wstring path;
    DWORD flags = 0;
};
SystemLibraryLoad UnrestrictedSystemLibraryLoad(const wchar_t* name, DWORD& error);

// The function of that name in module as type F (a pointer to a function of
// its signature); null when module is null or has no such function. For
// what an older Windows (or Wine) lacks: looked up at run time instead of
// imported, so that the program still starts there.
template <typename F>
F LookUpFunction(HMODULE module, const char* name)
{
    return module == nullptr ? nullptr : reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loads a DLL of the system (name without folder, "wininet.dll") from the
// system folder, as the delay-loaded imports need it before their first
// call. Null, with the system's error code, when it cannot be loaded. The
// module stays loaded for the rest of the process.
HMODULE LoadSystemLibrary(const wchar_t* name, DWORD& error);
