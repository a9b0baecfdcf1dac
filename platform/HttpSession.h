#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/HttpRequest.h"

// An HTTP session (a WinINet root handle on Windows). Destroying it closes
// the session; requests opened from it may outlive it.
class IHttpSession {
public:
    virtual ~IHttpSession() = default;

    // Sends one GET for url with the extra headers given (CRLF-terminated
    // lines, or empty) and waits for the response's headers. Never from or
    // into a cache, binary transfer, and redirects are not followed: a 3xx
    // comes back as it is. Null and the platform's code on failure; gives
    // up with kHttpErrorCancelled once keepGoing is clear, and with
    // kHttpErrorTimeout when no headers have come within stallLimitMs
    // (0: no limit).
    virtual std::unique_ptr<IHttpRequest> OpenUrl(const std::wstring& url, const std::wstring& headers,
                                                  uint32_t& error, const std::atomic<bool>& keepGoing,
                                                  uint32_t stallLimitMs) = 0;

    // How requests leave, for the log: "direct", or "proxy" and the proxy
    // the system's settings name.
    virtual std::wstring Route() { return L"direct"; }
};
