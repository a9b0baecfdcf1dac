#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/HttpSession.h"

// The HTTP client of the download worker (WinINet on Windows).
class IHttpClient {
public:
    virtual ~IHttpClient() = default;

    // Whether a connection to the network is possible: 0 when it is, the
    // platform's code otherwise.
    virtual uint32_t AttemptConnect() = 0;

    // Opens a session with direct access (no proxy) that sends userAgent.
    // Null and the platform's code on failure.
    virtual std::unique_ptr<IHttpSession> OpenSession(const std::wstring& userAgent,
                                                      uint32_t& error) = 0;
};
