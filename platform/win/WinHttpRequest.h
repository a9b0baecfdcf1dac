#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/HttpRequest.h"
#include "platform/win/AbandonableCaller.h"
#include "platform/win/InternetHandle.h"

// How a proxy's request for a password is put to the user: the window that
// owns the prompt, and the prompt itself (the system's InternetErrorDlg
// when null; a test answers it its own way). It returns what
// InternetErrorDlg does: ERROR_INTERNET_FORCE_RETRY once a user name and
// password were given for the request. Kept by the HTTP client, which
// outlives its sessions and their requests.
struct WinProxyPrompt {
    using Ask = DWORD (*)(HWND owner, HINTERNET request);
    std::atomic<HWND> owner{nullptr};
    Ask ask = nullptr;
    // A run that shows nothing (/quiet) asks nobody, whatever owns it.
    std::atomic<bool> never{false};
};

// A WinINet URL handle, shared like the session's (see WinHttpSession). Its
// reads go through the session's helper thread: the session's calls and the
// request's are made one after the other, never at once.
class WinHttpRequest : public IHttpRequest {
public:
    WinHttpRequest(std::shared_ptr<void> handle, std::shared_ptr<AbandonableCaller> caller,
                   const WinProxyPrompt* prompt = nullptr)
        : m_handle(std::move(handle)), m_caller(std::move(caller)), m_prompt(prompt)
    {
    }
    // Closes the handle on a helper thread that nobody waits for.
    ~WinHttpRequest() override;

    bool QueryStatusCode(uint32_t& status, uint32_t& error) override;
    bool QueryHeader(HttpHeader header, std::wstring& value) override;
    bool QueryHeaderValues(HttpHeader header, std::vector<std::wstring>& values) override;
    bool Read(void* buffer, uint32_t size, uint32_t& read, uint32_t& error, const std::atomic<bool>& keepGoing,
              uint32_t stallLimitMs) override;
    bool ThroughProxy() override;
    bool CanAskProxyLogin() override;
    ProxyLogin AskProxyLogin(uint32_t& error, const std::atomic<bool>& keepGoing, uint32_t stallLimitMs) override;

private:
    bool QueryNumber(uint32_t query, uint32_t& value, uint32_t& error);

    std::shared_ptr<void> m_handle;
    std::shared_ptr<AbandonableCaller> m_caller;
    const WinProxyPrompt* m_prompt;  // not owned; null: no prompt
    // The place reads land in, made once and used by every read; a read
    // that is given up keeps it (its call may still write there), and the
    // next read makes another.
    std::shared_ptr<struct WinHttpReadResult> m_result;
    // A failure that came after some bytes of a read: those bytes were
    // handed out first, the failure comes with the next read.
    uint32_t m_pendingError = 0;
};
