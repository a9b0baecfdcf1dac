#pragma once
// The download worker's rules for a network that misbehaves: which
// failures are worth another attempt, how long to pause before it, where a
// redirect leads, and whether a ranged answer continues the file on disk.
// Pure functions of their arguments, so that each rule is tested on its own.
#include <cstdint>
#include <string>
#include <vector>

namespace download {

// Redirects followed within one attempt; one more fails the download.
constexpr uint32_t kMaxRedirects = 10;
// Attempts after the first one, for failures that may pass.
constexpr uint32_t kMaxRetries = 5;
// A Retry-After longer than this is cut to it.
constexpr uint32_t kRetryAfterCapMs = 60000;

// ERROR_INTERNET_TIMEOUT: nothing arrived for the stall limit.
constexpr uint32_t kErrorTimeout = 12002;
// ERROR_HTTP_INVALID_SERVER_RESPONSE: no status line, or a senseless one.
constexpr uint32_t kErrorInvalidResponse = 12152;
// ERROR_HTTP_REDIRECT_FAILED: too many redirects, or one that leads nowhere.
constexpr uint32_t kErrorRedirectFailed = 12156;
// ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR: a redirect from https to http.
constexpr uint32_t kErrorHttpsToHttp = 12040;
// ERROR_INTERNET_SEC_CERT_DATE_INVALID: a certificate outside its dates.
constexpr uint32_t kErrorCertificateDate = 12037;
// HTTP 407: the proxy wants a user name and password.
constexpr uint32_t kStatusProxyAuthenticationRequired = 407;

// The longest length an answer may announce: 2^63 - 1 bytes.
constexpr uint64_t kMaxContentLength = 0x7FFFFFFFFFFFFFFFull;

// The durations the worker waits by. The defaults are the product's; tests
// under Wine shorten them where the real length adds nothing.
struct Timings {
    // Longest wait for a response's headers, or for the next body bytes.
    uint32_t stallLimitMs = 30000;
    // Pause before retry k (1-based) is pausesMs[k - 1].
    uint32_t pausesMs[kMaxRetries] = {2000, 4000, 8000, 16000, 30000};
    // How long a rename held up by a lock (errors 5 and 32) is tried again,
    // and how often.
    uint32_t renameWindowMs = 5000;
    uint32_t renameIntervalMs = 100;
    // The slowest a body may come: fewer than speedFloorBytes (20 KB)
    // within any speedWindowMs once it has started ends the attempt as a
    // stall (0: no floor).
    uint64_t speedFloorBytes = 20 * 1024;
    uint32_t speedWindowMs = 60000;
    // The longest the manifest's body (at most 64 KB) may take from its
    // answer; later, the attempt ends as a stall.
    uint32_t manifestBodyMs = 60000;
};

// Platform codes of failures that may pass on a later attempt: the
// connection could not be made, was aborted or reset, timed out, or the
// server that tells whether a certificate was revoked could not be reached
// (12057). An answer that made no sense (12152) is the server's: final. A name that does not resolve
// (12007) and a lost network (12163) are what a dropping network gives
// too: they may pass once a server has answered in this download, and are
// final before (a wrong address, no network at all). Other certificate
// errors, a stop and everything else are final.
bool IsTransientError(uint32_t code, bool serverAnswered);

// HTTP statuses worth another attempt: 408, 429 and 5xx.
bool IsTransientStatus(uint32_t status);

// 301, 302, 303, 307 and 308: the answer is elsewhere (Location).
bool IsRedirectStatus(uint32_t status);

// The Retry-After of a 429 or 503 as delta-seconds, in milliseconds, cut
// to kRetryAfterCapMs. False when the value is absent or not a number of
// seconds (an HTTP date is not honoured; the schedule's pause applies).
bool ParseRetryAfter(const std::wstring& value, uint32_t& milliseconds);

// The pause before retry k (1..kMaxRetries): the server's Retry-After when
// it gave one, else the schedule's.
uint32_t PauseBeforeRetry(const Timings& timings, uint32_t k, bool hasRetryAfter, uint32_t retryAfterMs);

// What an answer's Content-Length headers say.
enum class LengthReading {
    Valid,        // one length, however many times it was given
    Missing,      // no Content-Length at all
    NotANumber,   // a value that is not digits only, or above kMaxContentLength
    Conflicting,  // numbers that differ: the answer is invalid
};

// Reads every Content-Length value of an answer (each may be a comma
// list): decimal digits only, leading zeros allowed, blanks and tabs around
// a value ignored, no sign, at most kMaxContentLength. Repeats of one
// number count once; numbers that differ make the answer invalid. A value
// that is no number makes the length unknown, whatever the others say.
LengthReading ReadContentLength(const std::vector<std::wstring>& values, uint64_t& length);

// Whether the text holds a control character (below 0x20, or 0x7F), which
// an address or a request header must never carry.
bool HasControlCharacter(const std::wstring& text);

// The text for the log, each control character written as \xNN.
std::wstring WithControlsEscaped(const std::wstring& text);

// Resolves a Location header against the address that answered with it
// (relative references as browsers resolve them: absolute, //host/...,
// /path, relative path, ?query), dropping any fragment. Empty when the
// result is no http or https address.
std::wstring ResolveLocation(const std::wstring& base, const std::wstring& location);

// The address as the log shows it: scheme, host (with its port) and path.
// A query, a fragment and a user name or password are left out: signed
// download addresses carry their access tokens there.
std::wstring LoggedAddress(const std::wstring& url);

// Whether the address is https (scheme compared without case).
bool IsHttps(const std::wstring& url);

// "bytes first-last/total" of a Content-Range header. False for anything
// else ("bytes */total", a missing part, garbage, last < first).
bool ParseContentRange(const std::wstring& value, uint64_t& first, uint64_t& last, uint64_t& total);

// Whether a 206 answer to "Range: bytes=from-" continues the file: its
// Content-Range starts at from, ends inside the file, and the file's total
// is the length the first answer announced.
bool RangeContinuesFile(const std::wstring& contentRange, uint64_t from, uint64_t announcedLength);

// The validator a ranged request's If-Range carries: a strong ETag, else
// Last-Modified; empty when the first answer had neither (a weak ETag
// cannot validate a range).
std::wstring RangeValidator(const std::wstring& etag, const std::wstring& lastModified);

// Whether a validator kept from an earlier answer (the resume record's) is
// one that RangeValidator could have given: not empty, no blank around it
// and no control character.
bool IsRangeValidator(const std::wstring& validator);

// The extra request headers of a resumed request, CRLF-terminated; without
// If-Range when validator is empty.
std::wstring ResumeHeaders(uint64_t from, const std::wstring& validator);

// Whether a Content-Type names a web page: its media type (before any
// parameters, blanks around it ignored) is text/html in any case.
bool IsHtmlType(const std::wstring& contentType);

// Whether a file that starts with these bytes can be a Windows program:
// its first two bytes are "MZ".
bool StartsLikeProgram(const uint8_t* bytes, size_t count);

// Bytes as the log shows them: printable ASCII as it is, every other byte
// as a dot ("MZ..." for a program, "<!DOCTYPE html>.<html>" for a page).
std::wstring PrintableBytes(const uint8_t* bytes, size_t count);

// Whether a certificate-date failure is this computer's clock rather than
// the certificate: the clock (localNow, seconds since 1970) is before the
// launcher's own build time, or it was more than a day ahead of a server's
// Date header when one was read (clockAhead: local minus server, seconds).
bool ClockLooksWrong(int64_t localNow, int64_t buildTime, bool hasServerDate, int64_t clockAhead);

// Seconds since 1970 as "YYYY-MM-DD HH:MM:SS UTC", for the log.
std::wstring UtcText(int64_t seconds);

}  // namespace download
