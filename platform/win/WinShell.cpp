#include "platform/win/WinPlatform.h"

#include <shellapi.h>

#include "platform/win/SystemLibrary.h"

intptr_t WinShell::Open(const std::wstring& path)
{
    // shell32 is loaded at first use, from the system folder; without it
    // the start fails as the shell reports a missing DLL.
    DWORD error = 0;
    if (LoadSystemLibrary(L"shell32.dll", error) == nullptr)
        return SE_ERR_DLLNOTFOUND;
    HINSTANCE result = ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
    return reinterpret_cast<intptr_t>(result);
}
