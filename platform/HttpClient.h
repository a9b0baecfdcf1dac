#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/HttpSession.h"
#include "platform/Types.h"

// The HTTP client of the download worker (WinINet on Windows).
class IHttpClient {
public:
    virtual ~IHttpClient() = default;

    // Whether a connection to the network is possible: 0 when it is, the
    // platform's code otherwise.
    virtual uint32_t AttemptConnect() = 0;

    // Opens a session that sends userAgent and reaches the network as the
    // system is set up to: through its proxy when one is configured,
    // directly otherwise.
    // Null and the platform's code on failure.
    virtual std::unique_ptr<IHttpSession> OpenSession(const std::wstring& userAgent,
                                                      uint32_t& error) = 0;

    // The window that owns the prompt for a proxy's password, so that it
    // comes up in front of it. Set on the window's thread before the
    // download starts.
    virtual void SetPromptOwner(WindowHandle owner) { (void)owner; }
};
