#pragma once
// An HTTP server on 127.0.0.1 for the download tests: it answers each
// connection with a scripted reply (the same one every time, or one chosen
// per request), can stop halfway and stall, reset the connection, close
// without a word, or stay silent until released. Each connection is
// answered on a thread of its own, so a stalled one holds up no other.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/ScopedHandles.h"

class LoopbackServer {
public:
    struct Reply {
        std::string head;           // status line and headers, with the blank line
        std::string body;
        size_t bodyBytes = std::string::npos;  // how much of body to send
        bool stallAfterSending = false;        // then keep the connection open
        bool silent = false;                   // send nothing, keep it open
        bool reset = false;                    // after sending, reset the connection
        bool closeAtOnce = false;              // close without any answer
        // The longest a stall or silence lasts: a client that cannot stop
        // waiting fails its test after this instead of hanging it.
        DWORD stallLimit = 20000;
    };

    // "200 OK" with a Content-Length of the body.
    static Reply Ok(const std::string& body);
    // A reply with the given status line and a Content-Length.
    static Reply WithStatus(const std::string& status, const std::string& body);
    // 200 with no Content-Length: the body ends when the connection closes.
    static Reply WithoutLength(const std::string& body);
    // The answer of a server that does ranges, with ETag etag: 206 for the
    // rest of body when the request asks for "Range: bytes=N-" with a
    // matching If-Range, else 200 with all of it.
    static Reply Ranged(const std::string& request, const std::string& body, const std::string& etag);
    // The first byte a request's "Range: bytes=N-" asks for; -1 without one.
    static int64_t RangeStart(const std::string& request);

    // Chooses the reply to the request'th request (0 for the first).
    using Script = std::function<Reply(const std::string& request, size_t index)>;

    LoopbackServer() = default;
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Listens on a free port and answers with reply, or as script says.
    // False if it cannot.
    bool Start(const Reply& reply);
    bool Start(Script script);
    std::wstring Url() const;
    uint16_t Port() const { return m_port; }

    // Waits until a request has been read / the scripted part sent.
    bool WaitForRequest(DWORD milliseconds = 10000) const;
    bool WaitForSent(DWORD milliseconds = 10000) const;
    std::string Request() const;  // the latest
    std::vector<std::string> Requests() const;
    // Body bytes handed to the network, all connections together.
    uint64_t BodyBytesSent() const { return m_bodyBytesSent.load(); }

    // Ends every stall and silence; connections then close.
    void Release();

    // A port on 127.0.0.1 on which nothing listens.
    static uint16_t UnusedPort();

private:
    void Serve();
    void Answer(SOCKET client);

    Script m_script;
    SOCKET m_listen = INVALID_SOCKET;
    uint16_t m_port = 0;
    std::thread m_thread;
    std::vector<std::thread> m_connections;  // joined on destruction
    std::atomic<uint64_t> m_bodyBytesSent{0};
    std::atomic<bool> m_stopping{false};
    ScopedKernelHandle m_requested{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedKernelHandle m_sent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedKernelHandle m_released{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
};
