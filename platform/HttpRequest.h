#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Response headers the download worker reads as text.
enum class HttpHeader { Location, ETag, LastModified, ContentRange, RetryAfter, Date, ContentLength, ContentType };

// One opened address (a WinINet URL handle on Windows): the response's
// headers and its body. Destroying it closes the request.
class IHttpRequest {
public:
    virtual ~IHttpRequest() = default;

    // Every value of a header that may come more than once (Content-Length),
    // as text, in the order the response gave them. False when the
    // response has none, more than kMaxHeaderValues, or one that cannot
    // be read whole.
    virtual bool QueryHeaderValues(HttpHeader header, std::vector<std::wstring>& values) = 0;

    // The HTTP status code as a number; false and the platform's code.
    virtual bool QueryStatusCode(uint32_t& status, uint32_t& error) = 0;

    // A header's value as text; false when the response has none.
    virtual bool QueryHeader(HttpHeader header, std::wstring& value) = 0;

    // Reads up to size bytes of the body into buffer. True with the count
    // read (0 at the end of the data); false with the platform's code.
    // A read that waits on the network gives up as soon as keepGoing is
    // found clear and fails with kHttpErrorCancelled, and when no byte has
    // arrived for stallLimitMs (0: no limit) with kHttpErrorTimeout.
    virtual bool Read(void* buffer, uint32_t size, uint32_t& read, uint32_t& error,
                      const std::atomic<bool>& keepGoing, uint32_t stallLimitMs) = 0;

    // Whether the request went out through a proxy; false when it went
    // straight to the server (a 407 then is the server's own, not a
    // proxy's).
    virtual bool ThroughProxy() { return false; }

    // Whether AskProxyLogin would put a prompt to the user: there is one,
    // a window owns it, and the run shows prompts (a run that shows
    // nothing has none).
    virtual bool CanAskProxyLogin() { return false; }

    // After a 407 that the system could not answer by itself (with the
    // user's own Windows logon, where the proxy takes it): asks the user
    // for the proxy's user name and password with the system's own prompt,
    // owned by the client's prompt owner, and sends the request again with
    // them. Resent: a new answer has come (its status tells how it went);
    // Refused: the user declined, or there is no prompt; Failed: the
    // request could not be sent again (error, as for a read; a stop gives
    // kHttpErrorCancelled).
    enum class ProxyLogin { Resent, Refused, Failed };
    virtual ProxyLogin AskProxyLogin(uint32_t& error, const std::atomic<bool>& keepGoing, uint32_t stallLimitMs)
    {
        (void)error;
        (void)keepGoing;
        (void)stallLimitMs;
        return ProxyLogin::Refused;
    }
};

// More values of one header than any sound answer carries.
constexpr size_t kMaxHeaderValues = 64;

// ERROR_INTERNET_TIMEOUT: nothing arrived within the stall limit.
constexpr uint32_t kHttpErrorTimeout = 12002;
// ERROR_INTERNET_OPERATION_CANCELLED: a wait given up because of a stop.
constexpr uint32_t kHttpErrorCancelled = 12017;
// ERROR_INTERNET_CONNECTION_ABORTED: the connection ended before the
// announced length had arrived.
constexpr uint32_t kHttpErrorConnectionAborted = 12030;
// ERROR_HTTP_HEADER_NOT_FOUND.
constexpr uint32_t kHttpErrorHeaderNotFound = 12150;
// ERROR_HTTP_INVALID_SERVER_RESPONSE: no status line, or a senseless one.
constexpr uint32_t kHttpErrorInvalidResponse = 12152;
// ERROR_HTTP_REDIRECT_FAILED: too many redirects, or one that leads nowhere.
constexpr uint32_t kHttpErrorRedirectFailed = 12156;
// ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR: a redirect from https to http.
constexpr uint32_t kHttpErrorHttpsToHttp = 12040;
// ERROR_INTERNET_SEC_CERT_DATE_INVALID: a certificate outside its dates.
constexpr uint32_t kHttpErrorCertificateDate = 12037;
// HTTP 407: the proxy wants a user name and password.
constexpr uint32_t kHttpStatusProxyAuthenticationRequired = 407;
