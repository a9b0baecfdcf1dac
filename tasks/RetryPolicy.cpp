#include "tasks/RetryPolicy.h"

#include "platform/AsciiText.h"
#include "platform/DecimalText.h"
#include "platform/HttpRequest.h"

namespace download {

bool IsTransientError(uint32_t code, bool serverAnswered)
{
    switch (code) {
    case 12007:  // ERROR_INTERNET_NAME_NOT_RESOLVED
    case 12163:  // ERROR_INTERNET_DISCONNECTED
        return serverAnswered;
    case 12057:  // ERROR_INTERNET_SEC_CERT_REV_FAILED
    case kHttpErrorTimeout:
    case 12029:  // ERROR_INTERNET_CANNOT_CONNECT
    case kHttpErrorConnectionAborted:
    case 12031:  // ERROR_INTERNET_CONNECTION_RESET
    case 10050:  // WSAENETDOWN
    case 10051:  // WSAENETUNREACH
    case 10052:  // WSAENETRESET
    case 10053:  // WSAECONNABORTED
    case 10054:  // WSAECONNRESET
    case 10060:  // WSAETIMEDOUT
    case 10061:  // WSAECONNREFUSED
    case 10064:  // WSAEHOSTDOWN
    case 10065:  // WSAEHOSTUNREACH
        return true;
    default:
        return false;
    }
}

bool IsTransientStatus(uint32_t status)
{
    return status == 408 || status == 429 || (status >= 500 && status <= 599);
}

bool ParseRetryAfter(const std::wstring& value, uint32_t& milliseconds)
{
    const std::wstring text = TrimmedBlanks(value);
    uint64_t seconds = 0;
    if (!ParseNumber(text, seconds))
        return false;
    milliseconds = seconds >= kRetryAfterCapMs / 1000 ? kRetryAfterCapMs : static_cast<uint32_t>(seconds * 1000);
    return true;
}

uint32_t PauseBeforeRetry(const Timings& timings, uint32_t k, bool hasRetryAfter, uint32_t retryAfterMs)
{
    if (hasRetryAfter)
        return retryAfterMs < kRetryAfterCapMs ? retryAfterMs : kRetryAfterCapMs;
    const uint32_t index = k == 0 ? 0 : (k > kMaxRetries ? kMaxRetries - 1 : k - 1);
    return timings.pausesMs[index];
}

}  // namespace download
