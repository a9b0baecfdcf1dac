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

    // Sends one GET for url (no cache, binary transfer, no extra headers)
    // and waits for the response's headers. Null and the platform's code on
    // failure; gives up with kHttpErrorCancelled once keepGoing is clear.
    virtual std::unique_ptr<IHttpRequest> OpenUrl(const std::wstring& url, uint32_t& error,
                                                  const std::atomic<bool>& keepGoing) = 0;
};
