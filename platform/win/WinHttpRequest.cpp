#include "platform/win/WinHttpRequest.h"

#include <cstring>
#include <vector>

#include "platform/win/InternetHandle.h"

namespace {

// The outcome of one InternetReadFile, owned jointly by the caller and the
// thread that makes the call; the data lands here and is copied out only
// when the caller still waits for it.
struct ReadResult {
    std::shared_ptr<void> request;
    std::vector<uint8_t> data;
    DWORD count = 0;
    BOOL ok = FALSE;
    DWORD error = 0;
};

}  // namespace

bool WinHttpRequest::QueryNumber(uint32_t query, uint32_t& value, uint32_t& error)
{
    DWORD number = 0;
    DWORD length = sizeof(number);
    if (!HttpQueryInfoW(static_cast<HINTERNET>(m_handle.get()), query | HTTP_QUERY_FLAG_NUMBER, &number, &length,
                        nullptr)) {
        error = GetLastError();
        return false;
    }
    value = number;
    return true;
}

bool WinHttpRequest::QueryContentLength(uint32_t& length, uint32_t& error)
{
    return QueryNumber(HTTP_QUERY_CONTENT_LENGTH, length, error);
}

bool WinHttpRequest::QueryStatusCode(uint32_t& status, uint32_t& error)
{
    return QueryNumber(HTTP_QUERY_STATUS_CODE, status, error);
}

bool WinHttpRequest::Read(void* buffer, uint32_t size, uint32_t& read, uint32_t& error,
                          const std::atomic<bool>& keepGoing)
{
    read = 0;
    auto result = std::make_shared<ReadResult>();
    result->request = m_handle;
    result->data.resize(size);
    const bool done = m_caller.Run(
        [result] {
            result->ok = InternetReadFile(static_cast<HINTERNET>(result->request.get()), result->data.data(),
                                          static_cast<DWORD>(result->data.size()), &result->count);
            if (!result->ok)
                result->error = GetLastError();
        },
        keepGoing);
    if (!done) {
        error = kHttpErrorCancelled;
        return false;
    }
    if (!result->ok) {
        error = result->error;
        return false;
    }
    read = result->count;
    std::memcpy(buffer, result->data.data(), read);
    return true;
}
