#include "tests/win/tasks/LoopbackServer.h"

#include <ws2tcpip.h>

namespace {

// Winsock for the whole test program.
struct WinsockUser {
    WinsockUser()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUser() { WSACleanup(); }
};
WinsockUser g_winsock;

bool SendAll(SOCKET socket, const char* data, size_t size)
{
    while (size > 0) {
        const int sent = send(socket, data, static_cast<int>(size), 0);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

SOCKET ListenOnLoopback(uint16_t& port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return s;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

}  // namespace

LoopbackServer::Reply LoopbackServer::WithStatus(const std::string& status, const std::string& body)
{
    Reply reply;
    reply.head = "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
                 "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
    reply.body = body;
    return reply;
}

LoopbackServer::Reply LoopbackServer::Ok(const std::string& body)
{
    return WithStatus("200 OK", body);
}

LoopbackServer::Reply LoopbackServer::WithoutLength(const std::string& body)
{
    Reply reply;
    reply.head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
    reply.body = body;
    return reply;
}

LoopbackServer::Reply LoopbackServer::Ranged(const std::string& request, const std::string& body,
                                             const std::string& etag)
{
    const int64_t from = RangeStart(request);
    const bool validated = request.find("If-Range: " + etag + "\r\n") != std::string::npos;
    if (from < 0 || !validated || static_cast<size_t>(from) >= body.size()) {
        Reply reply = Ok(body);
        reply.head.insert(reply.head.size() - 2, "ETag: " + etag + "\r\nAccept-Ranges: bytes\r\n");
        return reply;
    }
    const std::string rest = body.substr(static_cast<size_t>(from));
    Reply reply = WithStatus("206 Partial Content", rest);
    reply.head.insert(reply.head.size() - 2, "ETag: " + etag + "\r\nContent-Range: bytes " + std::to_string(from) +
                                                 "-" + std::to_string(body.size() - 1) + "/" +
                                                 std::to_string(body.size()) + "\r\n");
    return reply;
}

int64_t LoopbackServer::RangeStart(const std::string& request)
{
    const std::string key = "Range: bytes=";
    const size_t at = request.find("\r\n" + key);
    if (at == std::string::npos)
        return -1;
    size_t pos = at + 2 + key.size();
    int64_t value = 0;
    bool digits = false;
    while (pos < request.size() && request[pos] >= '0' && request[pos] <= '9') {
        value = value * 10 + (request[pos++] - '0');
        digits = true;
    }
    return digits ? value : -1;
}

LoopbackServer::~LoopbackServer()
{
    m_stopping.store(true);
    Release();
    if (m_listen != INVALID_SOCKET)
        closesocket(m_listen);
    if (m_thread.joinable())
        m_thread.join();
    for (std::thread& connection : m_connections)
        connection.join();
}

bool LoopbackServer::Start(const Reply& reply)
{
    return Start([reply](const std::string&, size_t) { return reply; });
}

bool LoopbackServer::Start(Script script)
{
    m_script = std::move(script);
    m_listen = ListenOnLoopback(m_port);
    if (m_listen == INVALID_SOCKET || listen(m_listen, 4) != 0)
        return false;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

std::wstring LoopbackServer::Url() const
{
    return L"http://127.0.0.1:" + std::to_wstring(m_port) + L"/package/Windows/pomvel_mini.exe";
}

bool LoopbackServer::WaitForRequest(DWORD milliseconds) const
{
    return WaitForSingleObject(m_requested.Get(), milliseconds) == WAIT_OBJECT_0;
}

bool LoopbackServer::WaitForSent(DWORD milliseconds) const
{
    return WaitForSingleObject(m_sent.Get(), milliseconds) == WAIT_OBJECT_0;
}

std::string LoopbackServer::Request() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.empty() ? std::string() : m_requests.back();
}

std::vector<std::string> LoopbackServer::Requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void LoopbackServer::Release()
{
    SetEvent(m_released.Get());
}

uint16_t LoopbackServer::UnusedPort()
{
    uint16_t port = 0;
    SOCKET s = ListenOnLoopback(port);
    if (s != INVALID_SOCKET)
        closesocket(s);
    return port;
}

void LoopbackServer::Serve()
{
    while (!m_stopping.load()) {
        SOCKET client = accept(m_listen, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return;
        m_connections.emplace_back([this, client] {
            Answer(client);
            closesocket(client);
        });
    }
}

void LoopbackServer::Answer(SOCKET client)
{
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return;
        request.append(buffer, static_cast<size_t>(n));
    }
    size_t index = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        index = m_requests.size();
        m_requests.push_back(request);
    }
    const Reply reply = m_script(request, index);
    SetEvent(m_requested.Get());
    if (reply.closeAtOnce)
        return;
    if (reply.silent) {
        WaitForSingleObject(m_released.Get(), reply.stallLimit);
        return;
    }
    const size_t bodyBytes = reply.bodyBytes < reply.body.size() ? reply.bodyBytes : reply.body.size();
    if (SendAll(client, reply.head.data(), reply.head.size()) && SendAll(client, reply.body.data(), bodyBytes))
        m_bodyBytesSent += bodyBytes;
    SetEvent(m_sent.Get());
    if (reply.stallAfterSending)
        WaitForSingleObject(m_released.Get(), reply.stallLimit);
    if (reply.reset) {
        // An abortive close: the client sees a reset, not an end of data.
        linger abort = {1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof(abort));
        return;
    }
    shutdown(client, SD_SEND);
}
