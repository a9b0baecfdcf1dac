#pragma once
// The pause actually taken before a retry. Launchers that failed together
// (a server that dropped all its connections at once) would otherwise all
// come back at the same instant after each pause of the schedule; a random
// share of each pause spreads them apart.
#include <cstdint>

#include "tasks/DownloadRules.h"

namespace download {

// The pause before retry k (1..kMaxRetries), drawn with random (uniform
// over 0..0xFFFFFFFF): a scheduled pause becomes one between its half and
// its whole length (2 s: 1 to 2 s), both included; a server's Retry-After
// (cut to kRetryAfterCapMs) gets up to a tenth of it added, so that nobody
// comes back before the time the server asked for.
uint32_t SpreadPause(const Timings& timings, uint32_t k, bool hasRetryAfter, uint32_t retryAfterMs,
                     uint32_t random);

}  // namespace download
