#include "platform/win/InternetHandle.h"
#include "platform/win/SystemLibrary.h"
#include "platform/win/WinHttpSession.h"
#include "platform/win/WinTaskPlatform.h"

uint32_t WinHttpClient::AttemptConnect()
{
    // The first call into WinINet: it is loaded here, from the system
    // folder, and a system without it fails the download like a network
    // that cannot be reached.
    DWORD error = 0;
    if (LoadSystemLibrary(L"wininet.dll", error) == nullptr)
        return error;
    return InternetAttemptConnect(0);
}

std::unique_ptr<IHttpSession> WinHttpClient::OpenSession(const std::wstring& userAgent, uint32_t& error)
{
    // The system's proxy settings when there are any, else a direct
    // connection: a player whose only way out is a proxy can download too.
    HINTERNET handle = InternetOpenW(userAgent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (handle == nullptr) {
        error = GetLastError();
        return nullptr;
    }
    return std::make_unique<WinHttpSession>(ShareInternetHandle(handle), &m_prompt);
}

void WinHttpClient::SetPromptOwner(WindowHandle owner)
{
    m_prompt.owner.store(static_cast<HWND>(owner));
}
