#pragma once
#include <memory>

#include "platform/HttpSession.h"
#include "platform/win/AbandonableCaller.h"
#include "platform/win/WinHttpRequest.h"

// A WinINet root handle. The handle is shared with the requests opened
// from it and with any call still waiting inside WinINet, and is closed
// when the last of them lets go.
class WinHttpSession : public IHttpSession {
public:
    explicit WinHttpSession(std::shared_ptr<void> handle, const WinProxyPrompt* prompt = nullptr)
        : m_handle(std::move(handle)), m_prompt(prompt)
    {
    }

    std::unique_ptr<IHttpRequest> OpenUrl(const std::wstring& url, const std::wstring& headers, uint32_t& error,
                                          const std::atomic<bool>& keepGoing, uint32_t stallLimitMs) override;
    std::wstring Route() override;

    // WinINet's root handle, for queries of its options.
    void* Handle() const { return m_handle.get(); }

private:
    // WinINet's connect, send and receive timeouts, in milliseconds.
    void SetTimeouts(uint32_t stallLimitMs);

    std::shared_ptr<void> m_handle;
    const WinProxyPrompt* m_prompt;  // not owned
    // One helper thread for the session's calls and its requests' reads.
    std::shared_ptr<AbandonableCaller> m_caller = std::make_shared<AbandonableCaller>();
};
