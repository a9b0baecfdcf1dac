#pragma once
// A scripted HTTP client: one response per request (the last one answers
// every further request), each with its status, headers and body in reads
// of given sizes, with failures, stalls and timeouts where a test asks for
// them. Every request is recorded with its address, headers and stall limit.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/HttpClient.h"
#include "tests/fakes/FakeClock.h"

class FakeHttpClient : public IHttpClient {
public:
    // One read of the body: size bytes of the pattern, a failure with
    // error, a stall that lasts until the reader gives up, or a stall that
    // the platform's watchdog ends (the clock moves on by the limit).
    struct Read {
        uint32_t size = 0;
        bool fails = false;
        uint32_t error = 0;
        bool stalls = false;
        bool timesOut = false;
    };
    static Read Data(uint32_t size) { return Read{size, false, 0, false, false}; }
    static Read Failure(uint32_t error) { return Read{0, true, error, false, false}; }
    static Read Stall() { return Read{0, false, 0, true, false}; }
    static Read Timeout() { return Read{0, false, 0, false, true}; }

    struct Response {
        bool openFails = false;
        uint32_t openError = 0;
        bool openStalls = false;     // no headers until the stop
        bool openTimesOut = false;   // no headers within the stall limit
        bool statusFails = false;
        uint32_t status = 200;
        bool hasContentLength = true;
        uint64_t contentLength = 0;
        // The Content-Length headers as sent, when a test gives them as
        // text; otherwise one header of contentLength.
        std::vector<std::wstring> contentLengthValues;
        std::map<HttpHeader, std::wstring> headers;
        uint64_t bodyOffset = 0;     // where the body starts within the file
        std::vector<Read> reads;     // after the last one, the body has ended
        std::string text;            // the body's bytes, when not the pattern
        // A 407's prompt for the proxy's password: what the user does. When
        // the request is sent again, the next scripted response answers it.
        IHttpRequest::ProxyLogin proxyLogin = IHttpRequest::ProxyLogin::Refused;
        bool throughProxy = false;  // the request went through a proxy
        uint32_t proxyLoginError = 0;

        // 200 with a Content-Length and the body in reads of these sizes.
        static Response Ok(uint64_t length, std::vector<uint32_t> readSizes)
        {
            Response r;
            r.contentLength = length;
            for (uint32_t size : readSizes)
                r.reads.push_back(Data(size));
            return r;
        }
        // 200 with this text as its body, in one read.
        static Response Text(const std::string& body)
        {
            Response r = Ok(static_cast<uint32_t>(body.size()), {static_cast<uint32_t>(body.size())});
            r.text = body;
            return r;
        }
        static Response OpenFailure(uint32_t error)
        {
            Response r;
            r.openFails = true;
            r.openError = error;
            return r;
        }
        static Response Status(uint32_t status)
        {
            Response r;
            r.status = status;
            return r;
        }
        static Response Redirect(uint32_t status, const std::wstring& location)
        {
            Response r;
            r.status = status;
            r.headers[HttpHeader::Location] = location;
            return r;
        }
        // 206 for the file's bytes from..length-1, in reads of these sizes.
        static Response Partial(uint64_t from, uint32_t length, std::vector<uint32_t> readSizes)
        {
            Response r = Ok(static_cast<uint32_t>(length - from), std::move(readSizes));
            r.status = 206;
            r.bodyOffset = from;
            r.headers[HttpHeader::ContentRange] =
                L"bytes " + std::to_wstring(from) + L"-" + std::to_wstring(length - 1) + L"/" + std::to_wstring(length);
            return r;
        }
        Response& With(HttpHeader header, const std::wstring& value)
        {
            headers[header] = value;
            return *this;
        }
    };

    // What one request asked for.
    struct Opened {
        std::wstring url;
        std::wstring headers;
        uint32_t stallLimit;
    };

    uint32_t attemptConnectResult = 0;
    bool sessionFails = false;
    uint32_t sessionError = 0;
    std::vector<Response> responses;
    FakeClock* clock = nullptr;  // moved on by timeouts, when set
    // Called at the start of each read with its index within its response.
    std::function<void(size_t)> beforeRead;

    std::wstring userAgent;
    std::atomic<int> proxyPrompts{0};
    bool promptsShown = true;  // false: a run that shows no prompt
    std::wstring route = L"direct";  // what the session's Route says
    // The clock's fine timers alive at each prompt (when clock is set).
    std::vector<int> fineAtPrompts;
    WindowHandle promptOwner = nullptr;
    std::atomic<int> openSessions{0};
    std::atomic<int> openRequests{0};
    std::atomic<int> readsStarted{0};
    // The largest read asked for.
    std::atomic<uint32_t> largestAsked{0};

    // The file's byte at offset: "MZ", as a program starts, then a pattern
    // that shows any lost or doubled chunk.
    static uint8_t BodyByte(uint64_t offset)
    {
        if (offset < 2)
            return offset == 0 ? 'M' : 'Z';
        return static_cast<uint8_t>((offset * 7 + offset / 251) & 0xFF);
    }

    // One response: 200 with the body in reads of these sizes.
    void SetBody(uint64_t length, std::vector<uint32_t> readSizes)
    {
        responses = {Response::Ok(length, std::move(readSizes))};
    }
    // The response for the next request to be scripted.
    Response& Then(Response response)
    {
        responses.push_back(std::move(response));
        return responses.back();
    }

    std::vector<Opened> Requests() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_opened;
    }

    uint32_t AttemptConnect() override { return attemptConnectResult; }
    void SetPromptOwner(WindowHandle owner) override { promptOwner = owner; }

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

    bool TimeOut(uint32_t stallLimit, uint32_t& error)
    {
        if (clock != nullptr)
            clock->Advance(stallLimit);
        error = kHttpErrorTimeout;
        return false;
    }

    // The scripted response for the next request, recorded with its
    // address and headers.
    Response Next(const std::wstring& url, const std::wstring& headers, uint32_t stallLimit)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const size_t index = m_opened.size();
        m_opened.push_back(Opened{url, headers, stallLimit});
        if (responses.empty())
            return Response();
        return responses[index < responses.size() ? index : responses.size() - 1];
    }

    class Request : public IHttpRequest {
    public:
        Request(FakeHttpClient& client, const Response& response)
            : m_client(client), m_response(response)
        {
            ++m_client.openRequests;
        }
        ~Request() override { --m_client.openRequests; }

        bool QueryHeaderValues(HttpHeader header, std::vector<std::wstring>& values) override
        {
            values.clear();
            if (header != HttpHeader::ContentLength)
                return false;
            if (!m_response.contentLengthValues.empty())
                values = m_response.contentLengthValues;
            else if (m_response.hasContentLength)
                values.push_back(std::to_wstring(m_response.contentLength));
            return !values.empty();
        }
        bool QueryStatusCode(uint32_t& status, uint32_t& error) override
        {
            if (m_response.statusFails) {
                error = kHttpErrorHeaderNotFound;
                return false;
            }
            status = m_response.status;
            return true;
        }
        bool QueryHeader(HttpHeader header, std::wstring& value) override
        {
            auto it = m_response.headers.find(header);
            if (it == m_response.headers.end())
                return false;
            value = it->second;
            return true;
        }
        bool Read(void* buffer, uint32_t size, uint32_t& read, uint32_t& error,
                  const std::atomic<bool>& keepGoing, uint32_t stallLimit) override
        {
            read = 0;
            const size_t index = m_next++;
            ++m_client.readsStarted;
            if (size > m_client.largestAsked.load())
                m_client.largestAsked.store(size);
            if (m_client.beforeRead)
                m_client.beforeRead(index);
            if (index >= m_response.reads.size())
                return true;
            const FakeHttpClient::Read& step = m_response.reads[index];
            if (step.stalls)
                return WaitUntilGivenUp(keepGoing, error);
            if (step.timesOut)
                return m_client.TimeOut(stallLimit, error);
            if (step.fails) {
                error = step.error;
                return false;
            }
            read = step.size < size ? step.size : size;
            auto* bytes = static_cast<uint8_t*>(buffer);
            for (uint32_t i = 0; i < read; ++i)
                bytes[i] = m_response.text.empty() ? BodyByte(m_response.bodyOffset + m_offset + i)
                                                   : static_cast<uint8_t>(m_response.text[m_offset + i]);
            m_offset += read;
            return true;
        }

        bool ThroughProxy() override { return m_response.throughProxy; }
        bool CanAskProxyLogin() override { return m_client.promptsShown; }

        // A password given is sent with the same request again: recorded
        // as a request of its own, with "(proxy login)" for headers.
        ProxyLogin AskProxyLogin(uint32_t& error, const std::atomic<bool>&, uint32_t stallLimit) override
        {
            ++m_client.proxyPrompts;
            if (m_client.clock != nullptr)
                m_client.fineAtPrompts.push_back(m_client.clock->finePauses.load());
            const ProxyLogin answer = m_response.proxyLogin;
            error = m_response.proxyLoginError;
            if (answer == ProxyLogin::Resent) {
                m_response = m_client.Next(L"", L"(proxy login)", stallLimit);
                m_next = 0;
                m_offset = 0;
            }
            return answer;
        }

    private:
        FakeHttpClient& m_client;
        Response m_response;
        size_t m_next = 0;
        uint64_t m_offset = 0;
    };

    class Session : public IHttpSession {
    public:
        explicit Session(FakeHttpClient& client) : m_client(client) { ++m_client.openSessions; }
        ~Session() override { --m_client.openSessions; }

        std::unique_ptr<IHttpRequest> OpenUrl(const std::wstring& url, const std::wstring& headers, uint32_t& error,
                                              const std::atomic<bool>& keepGoing, uint32_t stallLimit) override
        {
            Response response = m_client.Next(url, headers, stallLimit);
            if (response.openStalls) {
                WaitUntilGivenUp(keepGoing, error);
                return nullptr;
            }
            if (response.openTimesOut) {
                m_client.TimeOut(stallLimit, error);
                return nullptr;
            }
            if (response.openFails) {
                error = response.openError;
                return nullptr;
            }
            return std::make_unique<Request>(m_client, response);
        }

        std::wstring Route() override { return m_client.route; }

    private:
        FakeHttpClient& m_client;
    };

    mutable std::mutex m_mutex;
    std::vector<Opened> m_opened;
};
