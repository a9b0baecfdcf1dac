#pragma once
// The pause actually taken before a retry. Launchers that failed together
// (a server that dropped all its connections at once) would otherwise all
// come back at the same instant after each pause of the schedule; a random
// share added to each pause spreads them apart.
#include <cstdint>

#include "tasks/RetryPolicy.h"

namespace download {

// The pause before retry k (1..kMaxRetries), drawn with random (uniform
// over 0..0xFFFFFFFF). A scheduled pause is never shortened: the lowest
// draws give the schedule exactly. Counted from the first failure (the
// pauses added up), retry k comes between its scheduled moment and a
// quarter of that moment later: never before the schedule allows, and a
// fleet that failed together is back at most a quarter later than the
// schedule would bring it back, whenever the server returns after the
// first pause. The first retry is spread over five eighths of the first
// pause instead, so that a fleet's first retries put no more than a tenth
// of it into any 100 ms; the second retry's share is smaller by as much.
// With the product's schedule retries 1 to 5 come 2 to 3.25, 6 to 7.5, 14
// to 17.5, 30 to 37.5 and 60 to 75 s after the first failure: stretches
// of the timetable that never overlap, in order.
// A server's Retry-After (cut to kRetryAfterCapMs) gets up to a tenth of
// it added, so that nobody comes back before the time the server asked
// for.
uint32_t SpreadPause(const Timings& timings, uint32_t k, bool hasRetryAfter, uint32_t retryAfterMs,
                     uint32_t random);

}  // namespace download
