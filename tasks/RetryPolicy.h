#pragma once
// How the download meets a network that misbehaves: which failures are
// worth another attempt, how many attempts there are and how long to pause
// before each, and the durations the download waits by. Pure functions of
// their arguments, so that each rule is tested on its own.
#include <cstdint>
#include <string>

namespace download {

// Attempts after the first one, for failures that may pass.
constexpr uint32_t kMaxRetries = 5;
// A Retry-After longer than this is cut to it.
constexpr uint32_t kRetryAfterCapMs = 60000;

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
// (12057). An answer that made no sense (12152) is the server's: final.
// A name that does not resolve (12007) and a lost network (12163) are what
// a dropping network gives too: they may pass once a server has answered in
// this download, and are final before (a wrong address, no network at
// all). Other certificate errors, a stop and everything else are final.
bool IsTransientError(uint32_t code, bool serverAnswered);

// HTTP statuses worth another attempt: 408, 429 and 5xx.
bool IsTransientStatus(uint32_t status);

// The Retry-After of a 429 or 503 as delta-seconds, in milliseconds, cut
// to kRetryAfterCapMs. False when the value is absent or not a number of
// seconds (an HTTP date is not honoured; the schedule's pause applies).
bool ParseRetryAfter(const std::wstring& value, uint32_t& milliseconds);

// The pause before retry k (1..kMaxRetries): the server's Retry-After when
// it gave one, else the schedule's.
uint32_t PauseBeforeRetry(const Timings& timings, uint32_t k, bool hasRetryAfter, uint32_t retryAfterMs);

}  // namespace download
