#pragma once
// An HTTP server on 127.0.0.1 for the download tests: it answers every
// connection with one scripted reply, can stop halfway and stall, or stay
// silent, until released. Runs on a thread of its own.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "platform/win/ScopedHandles.h"

class LoopbackServer {
public:
    struct Reply {
        std::string head;           // status line and headers, with the blank line
        std::string body;
        size_t bodyBytes = std::string::npos;  // how much of body to send
        bool stallAfterSending = false;        // then keep the connection open
        bool silent = false;                   // send nothing, keep it open
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

    LoopbackServer() = default;
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Listens on a free port and answers with reply. False if it cannot.
    bool Start(const Reply& reply);
    std::wstring Url() const;
    uint16_t Port() const { return m_port; }

    // Waits until a request has been read / the scripted part sent.
    bool WaitForRequest(DWORD milliseconds = 10000) const;
    bool WaitForSent(DWORD milliseconds = 10000) const;
    std::string Request() const;

    // Ends every stall and silence; connections then close.
    void Release();

    // A port on 127.0.0.1 on which nothing listens.
    static uint16_t UnusedPort();

private:
    void Serve();
    void Answer(SOCKET client);

    Reply m_reply;
    SOCKET m_listen = INVALID_SOCKET;
    uint16_t m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    ScopedKernelHandle m_requested{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedKernelHandle m_sent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedKernelHandle m_released{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    mutable std::mutex m_mutex;
    std::string m_request;
};
