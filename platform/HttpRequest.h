#pragma once
#include <atomic>
#include <cstdint>
#include <string>

// Response headers the download worker reads as text.
enum class HttpHeader { Location, ETag, LastModified, ContentRange, RetryAfter, Date };

// One opened address (a WinINet URL handle on Windows): the response's
// headers and its body. Destroying it closes the request.
class IHttpRequest {
public:
    virtual ~IHttpRequest() = default;

    // The Content-Length header as a 32-bit number. False and the
    // platform's code (12150 when the header is missing) otherwise.
    virtual bool QueryContentLength(uint32_t& length, uint32_t& error) = 0;

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
};

// ERROR_INTERNET_TIMEOUT: nothing arrived within the stall limit.
constexpr uint32_t kHttpErrorTimeout = 12002;
// ERROR_INTERNET_OPERATION_CANCELLED: a wait given up because of a stop.
constexpr uint32_t kHttpErrorCancelled = 12017;
// ERROR_INTERNET_CONNECTION_ABORTED: the connection ended before the
// announced length had arrived.
constexpr uint32_t kHttpErrorConnectionAborted = 12030;
// ERROR_HTTP_HEADER_NOT_FOUND.
constexpr uint32_t kHttpErrorHeaderNotFound = 12150;
