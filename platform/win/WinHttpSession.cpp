#include "platform/win/WinHttpSession.h"

#include "platform/win/InternetHandle.h"
#include "platform/win/WinHttpRequest.h"

namespace {

constexpr DWORD kOpenFlags = INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_TRANSFER_BINARY;

// The outcome of one InternetOpenUrlW, owned jointly by the caller and the
// thread that makes the call. A handle nobody claimed is closed with it.
struct OpenResult {
    std::shared_ptr<void> session;
    ScopedInternetHandle handle;
    DWORD error = 0;
};

}  // namespace

std::unique_ptr<IHttpRequest> WinHttpSession::OpenUrl(const std::wstring& url, uint32_t& error,
                                                      const std::atomic<bool>& keepGoing)
{
    auto result = std::make_shared<OpenResult>();
    result->session = m_handle;
    const bool done = m_caller.Run(
        [result, url] {
            result->handle.Reset(InternetOpenUrlW(static_cast<HINTERNET>(result->session.get()), url.c_str(),
                                                  nullptr, 0, kOpenFlags, 0));
            if (!result->handle)
                result->error = GetLastError();
        },
        keepGoing);
    if (!done) {
        error = kHttpErrorCancelled;
        return nullptr;
    }
    if (!result->handle) {
        error = result->error;
        return nullptr;
    }
    return std::make_unique<WinHttpRequest>(ShareInternetHandle(result->handle.Release(), m_handle));
}
