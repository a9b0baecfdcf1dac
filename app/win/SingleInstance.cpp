#include "app/win/SingleInstance.h"

#include <string>
#include <vector>

#include <sddl.h>

#include "app/InstanceName.h"
#include "app/LauncherSettings.h"
#include "resources/resource.h"

namespace {

// The user's security identifier as text ("S-1-5-21-..."); empty when it
// cannot be read.
std::wstring UserId()
{
    ScopedKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out()))
        return std::wstring();
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0)
        return std::wstring();
    std::vector<uint8_t> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size))
        return std::wstring();
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text) || text == nullptr)
        return std::wstring();
    ScopedLocalMemory owner(text);
    return std::wstring(text);
}

}  // namespace

bool HandOverToRunningLauncher(const LauncherSettings& settings, HINSTANCE instance, ScopedKernelHandle& mutex)
{
    const std::wstring name = InstanceMutexName(UserId(), settings.installAppName);
    wchar_t className[100] = {};
    LoadStringW(instance, IDS_CLASS_NAME, className, 100);
    // The running launcher may still be making its window, or be closing:
    // look for its window for up to 3 s, and take the mutex over once the
    // other launcher has let go of it.
    for (int attempt = 0; attempt < 60; ++attempt) {
        mutex.Reset(CreateMutexW(nullptr, FALSE, name.c_str()));
        const DWORD error = GetLastError();
        if (JudgeInstanceMutex(static_cast<bool>(mutex), error) != InstanceMutexState::HeldByAnother)
            return false;
        mutex.Reset();
        HWND window = FindWindowW(className, settings.gameName.c_str());
        if (window != nullptr) {
            if (IsIconic(window))
                ShowWindowAsync(window, SW_RESTORE);
            SetForegroundWindow(window);
            return true;
        }
        Sleep(50);
    }
    // Another launcher of the game runs but shows no window: it is left to it.
    return true;
}

void HoldInstanceMutex(const LauncherSettings& settings, ScopedKernelHandle& mutex)
{
    mutex.Reset(CreateMutexW(nullptr, FALSE, InstanceMutexName(UserId(), settings.installAppName).c_str()));
}
