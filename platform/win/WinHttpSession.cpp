#include "platform/win/WinHttpSession.h"

#include <vector>

#include "platform/win/InternetHandle.h"
#include "platform/win/WinHttpRequest.h"

namespace {

// Every download comes from the server and leaves nothing in WinINet's
// cache (a stale or partial installer there could be handed out again);
// redirects come back to the worker, which follows a bounded number. The
// connection is kept alive: a proxy that asks for the user's Windows logon
// (NTLM, Negotiate) is answered by WinINet itself only on a kept one.
constexpr DWORD kOpenFlags = INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_TRANSFER_BINARY | INTERNET_FLAG_RELOAD |
                             INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                             INTERNET_FLAG_KEEP_CONNECTION;

// The outcome of one InternetOpenUrlW, owned jointly by the caller and the
// thread that makes the call. A handle nobody claimed is closed with it.
struct OpenResult {
    std::shared_ptr<void> session;
    ScopedInternetHandle handle;
    DWORD error = 0;
};

}  // namespace

std::unique_ptr<IHttpRequest> WinHttpSession::OpenUrl(const std::wstring& url, const std::wstring& headers,
                                                      uint32_t& error, const std::atomic<bool>& keepGoing,
                                                      uint32_t stallLimitMs)
{
    SetTimeouts(stallLimitMs);
    auto result = std::make_shared<OpenResult>();
    result->session = m_handle;
    const AbandonableCaller::End end = m_caller->Run(
        [result, url, headers] {
            result->handle.Reset(InternetOpenUrlW(static_cast<HINTERNET>(result->session.get()), url.c_str(),
                                                  headers.empty() ? nullptr : headers.c_str(),
                                                  static_cast<DWORD>(headers.size()), kOpenFlags, 0));
            if (!result->handle)
                result->error = GetLastError();
        },
        keepGoing, stallLimitMs);
    if (end != AbandonableCaller::End::Done) {
        error = end == AbandonableCaller::End::Stopped ? kHttpErrorCancelled : kHttpErrorTimeout;
        return nullptr;
    }
    if (!result->handle) {
        error = result->error;
        return nullptr;
    }
    return std::make_unique<WinHttpRequest>(ShareInternetHandle(result->handle.Release(), m_handle), m_caller,
                                            m_prompt);
}

void WinHttpSession::SetTimeouts(uint32_t stallLimitMs)
{
    // A call the launcher abandons after the stall limit goes on inside
    // WinINet, holding its connection (WinINet opens only a few per server)
    // until WinINet's own timeouts end it: with these set to the same
    // limit, it ends about when the launcher gave up on it, and a retry
    // does not queue behind it. The requests opened later take them over.
    if (stallLimitMs == 0)
        return;
    DWORD value = stallLimitMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionW(static_cast<HINTERNET>(m_handle.get()), option, &value, sizeof(value));
}

std::wstring WinHttpSession::Route()
{
    // The access type the system's settings resolved to, with the proxy.
    DWORD size = 0;
    InternetQueryOptionW(static_cast<HINTERNET>(m_handle.get()), INTERNET_OPTION_PROXY, nullptr, &size);
    if (size < sizeof(INTERNET_PROXY_INFO))
        return L"direct";
    std::vector<uint8_t> buffer(size);
    if (!InternetQueryOptionW(static_cast<HINTERNET>(m_handle.get()), INTERNET_OPTION_PROXY, buffer.data(), &size))
        return L"direct";
    const auto* info = reinterpret_cast<const INTERNET_PROXY_INFO*>(buffer.data());
    if (info->dwAccessType != INTERNET_OPEN_TYPE_PROXY || info->lpszProxy == nullptr)
        return L"direct";
    return L"proxy " + std::wstring(reinterpret_cast<const wchar_t*>(info->lpszProxy));
}
