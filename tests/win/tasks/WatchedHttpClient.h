#pragma once
// Wraps the real HTTP client and watches the reads of response bodies, so
// that a test can stop a worker exactly while it waits inside a read.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>

#include "platform/HttpClient.h"

class WatchedHttpClient : public IHttpClient {
public:
    explicit WatchedHttpClient(IHttpClient& real) : m_real(real) {}

    // Waits until a read has been waiting for at least `stuck` (and so is
    // well inside the platform's call); false if none did within ten seconds.
    bool WaitForStuckRead(std::chrono::milliseconds stuck = std::chrono::milliseconds(50)) const
    {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            if (m_watch.reading.load() && Clock::now() - Clock::time_point(Clock::duration(m_watch.since.load())) >= stuck)
                return true;
            Sleep(5);
        }
        return false;
    }

    uint32_t AttemptConnect() override { return m_real.AttemptConnect(); }
    std::unique_ptr<IHttpSession> OpenSession(const std::wstring& userAgent, uint32_t& error) override
    {
        auto session = m_real.OpenSession(userAgent, error);
        if (!session)
            return nullptr;
        return std::make_unique<Session>(std::move(session), m_watch);
    }

private:
    using Clock = std::chrono::steady_clock;

    struct Watch {
        std::atomic<bool> reading{false};
        std::atomic<Clock::rep> since{0};
    };

    class Request : public IHttpRequest {
    public:
        Request(std::unique_ptr<IHttpRequest> real, Watch& watch) : m_real(std::move(real)), m_watch(watch) {}
        bool QueryHeaderValues(HttpHeader header, std::vector<std::wstring>& values) override
        {
            return m_real->QueryHeaderValues(header, values);
        }
        bool QueryStatusCode(uint32_t& status, uint32_t& error) override
        {
            return m_real->QueryStatusCode(status, error);
        }
        bool QueryHeader(HttpHeader header, std::wstring& value) override
        {
            return m_real->QueryHeader(header, value);
        }
        bool Read(void* buffer, uint32_t size, uint32_t& read, uint32_t& error,
                  const std::atomic<bool>& keepGoing, uint32_t stallLimitMs) override
        {
            m_watch.since.store(Clock::now().time_since_epoch().count());
            m_watch.reading.store(true);
            const bool ok = m_real->Read(buffer, size, read, error, keepGoing, stallLimitMs);
            m_watch.reading.store(false);
            return ok;
        }

    private:
        std::unique_ptr<IHttpRequest> m_real;
        Watch& m_watch;
    };

    class Session : public IHttpSession {
    public:
        Session(std::unique_ptr<IHttpSession> real, Watch& watch) : m_real(std::move(real)), m_watch(watch) {}
        std::unique_ptr<IHttpRequest> OpenUrl(const std::wstring& url, const std::wstring& headers, uint32_t& error,
                                              const std::atomic<bool>& keepGoing, uint32_t stallLimitMs) override
        {
            auto request = m_real->OpenUrl(url, headers, error, keepGoing, stallLimitMs);
            if (!request)
                return nullptr;
            return std::make_unique<Request>(std::move(request), m_watch);
        }

    private:
        std::unique_ptr<IHttpSession> m_real;
        Watch& m_watch;
    };

    IHttpClient& m_real;
    Watch m_watch;
};
