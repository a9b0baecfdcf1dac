#include "platform/win/SystemLibrary.h"

#include <delayimp.h>

#include <string>

namespace {

bool g_searchRestricted = false;

}  // namespace

bool RestrictDllSearchToSystem()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault = LookUpFunction<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories");
    g_searchRestricted = setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!g_searchRestricted)
        SetDllDirectoryW(L"");
    return g_searchRestricted;
}

SystemLibraryLoad UnrestrictedSystemLibraryLoad(const wchar_t* name, DWORD& error)
{
    SystemLibraryLoad load;
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) {
        error = n == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
        return load;
    }
    load.path = std::wstring(folder, n) + L"\\" + name;
    load.flags = LOAD_WITH_ALTERED_SEARCH_PATH;
    return load;
}

HMODULE LoadSystemLibrary(const wchar_t* name, DWORD& error)
{
    HMODULE module = GetModuleHandleW(name);
    if (module != nullptr)
        return module;
    if (g_searchRestricted) {
        module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    } else {
        // Without the restricted search the program's own folder comes
        // first: name the file in the system folder in full, and have its
        // own dependencies found from there.
        const SystemLibraryLoad load = UnrestrictedSystemLibraryLoad(name, error);
        if (load.path.empty())
            return nullptr;
        module = LoadLibraryExW(load.path.c_str(), nullptr, load.flags);
    }
    if (module == nullptr)
        error = GetLastError();
    return module;
}

namespace {

// The delay-load helper asks here before it loads a DLL itself: every
// delay-loaded DLL comes from the system folder, also on a system where
// the search cannot be restricted (there, a bare name would find a DLL in
// the program's own folder first).
FARPROC WINAPI BeforeDelayLoad(unsigned notice, PDelayLoadInfo info)
{
    if (notice != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr)
        return nullptr;
    std::wstring name;
    for (const char* c = info->szDll; *c != '\0'; ++c)
        name.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    DWORD error = 0;
    return reinterpret_cast<FARPROC>(LoadSystemLibrary(name.c_str(), error));
}

}  // namespace

PfnDliHook __pfnDliNotifyHook2 = BeforeDelayLoad;
