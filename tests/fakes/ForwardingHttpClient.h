#pragma once
// An HTTP client that hands every call to another one (usually the real
// client) and tells a watcher about the reads of response bodies: tests
// stop a worker while it waits inside a read, benchmarks time and count
// the reads.
#include <atomic>
#include <memory>

#include "platform/HttpClient.h"

class ForwardingHttpClient : public IHttpClient {
public:
    class ReadWatcher {
    public:
        virtual ~ReadWatcher() = default;
        // Just before a read is handed on.
        virtual void ReadStarting() {}
        // Just after it came back; read is what it delivered when ok.
        virtual void ReadEnded(bool /*ok*/, uint32_t /*read*/) {}
    };

    ForwardingHttpClient(IHttpClient& real, ReadWatcher& watcher) : m_real(real), m_watcher(watcher) {}

    uint32_t AttemptConnect() override { return m_real.AttemptConnect(); }
    std::unique_ptr<IHttpSession> OpenSession(const std::wstring& userAgent, uint32_t& error) override
    {
        std::unique_ptr<IHttpSession> session = m_real.OpenSession(userAgent, error);
        if (!session)
            return nullptr;
        return std::make_unique<Session>(std::move(session), m_watcher);
    }
    void SetPromptOwner(WindowHandle owner) override { m_real.SetPromptOwner(owner); }

private:
    class Request : public IHttpRequest {
    public:
        Request(std::unique_ptr<IHttpRequest> real, ReadWatcher& watcher) : m_real(std::move(real)), m_watcher(watcher)
        {
        }
        bool QueryHeaderValues(HttpHeader header, std::vector<std::wstring>& values) override
        {
            return m_real->QueryHeaderValues(header, values);
        }
        bool QueryStatusCode(uint32_t& status, uint32_t& error) override { return m_real->QueryStatusCode(status, error); }
        bool QueryHeader(HttpHeader header, std::wstring& value) override { return m_real->QueryHeader(header, value); }
        bool Read(void* buffer, uint32_t size, uint32_t& read, uint32_t& error, const std::atomic<bool>& keepGoing,
                  uint32_t stallLimitMs) override
        {
            m_watcher.ReadStarting();
            const bool ok = m_real->Read(buffer, size, read, error, keepGoing, stallLimitMs);
            m_watcher.ReadEnded(ok, ok ? read : 0);
            return ok;
        }
        bool ThroughProxy() override { return m_real->ThroughProxy(); }
        bool CanAskProxyLogin() override { return m_real->CanAskProxyLogin(); }
        ProxyLogin AskProxyLogin(uint32_t& error, const std::atomic<bool>& keepGoing, uint32_t stallLimitMs) override
        {
            return m_real->AskProxyLogin(error, keepGoing, stallLimitMs);
        }

    private:
        std::unique_ptr<IHttpRequest> m_real;
        ReadWatcher& m_watcher;
    };

    class Session : public IHttpSession {
    public:
        Session(std::unique_ptr<IHttpSession> real, ReadWatcher& watcher) : m_real(std::move(real)), m_watcher(watcher)
        {
        }
        std::unique_ptr<IHttpRequest> OpenUrl(const std::wstring& url, const std::wstring& headers, uint32_t& error,
                                              const std::atomic<bool>& keepGoing, uint32_t stallLimitMs) override
        {
            std::unique_ptr<IHttpRequest> request = m_real->OpenUrl(url, headers, error, keepGoing, stallLimitMs);
            if (!request)
                return nullptr;
            return std::make_unique<Request>(std::move(request), m_watcher);
        }
        std::wstring Route() override { return m_real->Route(); }

    private:
        std::unique_ptr<IHttpSession> m_real;
        ReadWatcher& m_watcher;
    };

    IHttpClient& m_real;
    ReadWatcher& m_watcher;
};
