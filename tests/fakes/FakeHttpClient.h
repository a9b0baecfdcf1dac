#pragma once
// A scripted HTTP client: one response, its headers and its body in reads
// of given sizes, with failures and stalls where a test asks for them.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/HttpClient.h"

class FakeHttpClient : public IHttpClient {
public:
    // One read of the body: size bytes of the pattern, a failure with
    // error, or a stall that lasts until the reader gives up.
    struct Read {
        uint32_t size = 0;
        bool fails = false;
        uint32_t error = 0;
        bool stalls = false;
    };

    uint32_t attemptConnectResult = 0;
    bool sessionFails = false;
    uint32_t sessionError = 0;
    bool openFails = false;
    uint32_t openError = 0;
    bool openStalls = false;
    bool hasContentLength = true;
    uint32_t contentLength = 0;
    bool statusFails = false;
    uint32_t status = 200;
    std::vector<Read> reads;  // after the last one, the body has ended
    // Called at the start of each read with its index (0 for the first).
    std::function<void(size_t)> beforeRead;

    // What the client was asked for, and how many handles are still open.
    std::wstring userAgent;
    std::wstring url;
    std::atomic<int> openSessions{0};
    std::atomic<int> openRequests{0};
    std::atomic<int> readsStarted{0};

    // The body's byte at offset: a pattern that shows any lost or doubled
    // chunk.
    static uint8_t BodyByte(uint64_t offset) { return static_cast<uint8_t>((offset * 7 + offset / 251) & 0xFF); }

    void SetBody(uint32_t length, std::vector<uint32_t> readSizes)
    {
        contentLength = length;
        reads.clear();
        for (uint32_t size : readSizes)
            reads.push_back(Read{size, false, 0, false});
    }

    uint32_t AttemptConnect() override { return attemptConnectResult; }

    std::unique_ptr<IHttpSession> OpenSession(const std::wstring& agent, uint32_t& error) override
    {
        userAgent = agent;
        if (sessionFails) {
            error = sessionError;
            return nullptr;
        }
        return std::make_unique<Session>(*this);
    }

private:
    static bool WaitUntilGivenUp(const std::atomic<bool>& keepGoing, uint32_t& error)
    {
        while (keepGoing.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        error = kHttpErrorCancelled;
        return false;
    }

    class Request : public IHttpRequest {
    public:
        explicit Request(FakeHttpClient& client) : m_client(client) { ++m_client.openRequests; }
        ~Request() override { --m_client.openRequests; }

        bool QueryContentLength(uint32_t& length, uint32_t& error) override
        {
            if (!m_client.hasContentLength) {
                error = kHttpErrorHeaderNotFound;
                return false;
            }
            length = m_client.contentLength;
            return true;
        }
        bool QueryStatusCode(uint32_t& status, uint32_t& error) override
        {
            if (m_client.statusFails) {
                error = kHttpErrorHeaderNotFound;
                return false;
            }
            status = m_client.status;
            return true;
        }
        bool Read(void* buffer, uint32_t size, uint32_t& read, uint32_t& error,
                  const std::atomic<bool>& keepGoing) override
        {
            read = 0;
            const size_t index = m_next++;
            ++m_client.readsStarted;
            if (m_client.beforeRead)
                m_client.beforeRead(index);
            if (index >= m_client.reads.size())
                return true;
            const FakeHttpClient::Read& step = m_client.reads[index];
            if (step.stalls)
                return WaitUntilGivenUp(keepGoing, error);
            if (step.fails) {
                error = step.error;
                return false;
            }
            read = step.size < size ? step.size : size;
            auto* bytes = static_cast<uint8_t*>(buffer);
            for (uint32_t i = 0; i < read; ++i)
                bytes[i] = BodyByte(m_offset + i);
            m_offset += read;
            return true;
        }

    private:
        FakeHttpClient& m_client;
        size_t m_next = 0;
        uint64_t m_offset = 0;
    };

    class Session : public IHttpSession {
    public:
        explicit Session(FakeHttpClient& client) : m_client(client) { ++m_client.openSessions; }
        ~Session() override { --m_client.openSessions; }

        std::unique_ptr<IHttpRequest> OpenUrl(const std::wstring& url, uint32_t& error,
                                              const std::atomic<bool>& keepGoing) override
        {
            m_client.url = url;
            if (m_client.openStalls) {
                WaitUntilGivenUp(keepGoing, error);
                return nullptr;
            }
            if (m_client.openFails) {
                error = m_client.openError;
                return nullptr;
            }
            return std::make_unique<Request>(m_client);
        }

    private:
        FakeHttpClient& m_client;
    };
};
