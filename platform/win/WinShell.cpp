#include "platform/win/WinPlatform.h"

#include <shellapi.h>

#include "platform/win/ScopedHandles.h"
#include "platform/win/SystemLibrary.h"

intptr_t WinShell::Open(const std::wstring& path, const std::wstring& folder, WindowHandle owner,
                        ShellPrompts prompts)
{
    // shell32 is loaded at first use, from the system folder; without it
    // the start fails as the shell reports a missing DLL.
    DWORD error = 0;
    if (LoadSystemLibrary(L"shell32.dll", error) == nullptr)
        return SE_ERR_DLLNOTFOUND;
    // The shell may hand the start to a handler that uses COM: it wants an
    // apartment on this (the window's) thread.
    ScopedComApartment com = EnterComApartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOASYNC | (prompts == ShellPrompts::None ? SEE_MASK_FLAG_NO_UI : 0);
    info.hwnd = static_cast<HWND>(owner);
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOW;
    const BOOL started = ShellExecuteExW(&info);
    const intptr_t result = reinterpret_cast<intptr_t>(info.hInstApp);
    if (started)
        return result > 32 ? result : 33;
    // A failure names its reason in hInstApp (an SE_ERR_ code).
    return result <= 32 ? result : SE_ERR_ACCESSDENIED;
}
