#pragma once
// Where the program's DLLs come from. A launcher is typically started from
// a downloads folder, where anyone may have left a DLL with a system name
// beside it: every DLL the program loads must come from the system folder.
#include <windows.h>

// Restricts the DLL search of the whole process to the system folder
// (SetDefaultDllDirectories, looked up at run time; where the system lacks
// it, SetDllDirectoryW(L"") at least takes the current folder out of the
// search). The first thing the program does. True when the search is
// restricted to the system folder.
bool RestrictDllSearchToSystem();

// Loads a DLL of the system (name without folder, "wininet.dll") from the
// system folder, as the delay-loaded imports need it before their first
// call. Null, with the system's error code, when it cannot be loaded. The
// module stays loaded for the rest of the process.
HMODULE LoadSystemLibrary(const wchar_t* name, DWORD& error);
