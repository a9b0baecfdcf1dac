#include "tasks/RetryPause.h"

namespace download {

namespace {

// A number from 0 to span, both included, uniform with random.
uint64_t Share(uint64_t span, uint32_t random)
{
    if (span > 0xFFFFFFFFu)
        span = 0xFFFFFFFFu;
    return (uint64_t{random} * (span + 1)) >> 32;
}

// How much later than its scheduled moment retry k (1..kMaxRetries) may
// come at the most: a quarter of that moment, and never less than five
// eighths of the first pause. It grows with k, so each pause's own share,
// the growth from the retry before, is never negative.
uint64_t LatestDelay(const Timings& timings, uint32_t k)
{
    uint64_t moment = 0;
    for (uint32_t i = 0; i < k; ++i)
        moment += timings.pausesMs[i];
    const uint64_t quarter = moment / 4;
    const uint64_t first = uint64_t{timings.pausesMs[0]} * 5 / 8;
    return quarter > first ? quarter : first;
}

}  // namespace

uint32_t SpreadPause(const Timings& timings, uint32_t k, bool hasRetryAfter, uint32_t retryAfterMs,
                     uint32_t random)
{
    const uint32_t pause = PauseBeforeRetry(timings, k, hasRetryAfter, retryAfterMs);
    if (hasRetryAfter)
        return pause + static_cast<uint32_t>(Share(pause / 10, random));
    const uint32_t slot = k == 0 ? 1 : (k > kMaxRetries ? kMaxRetries : k);
    const uint64_t share = LatestDelay(timings, slot) - (slot > 1 ? LatestDelay(timings, slot - 1) : 0);
    const uint64_t spread = uint64_t{pause} + Share(share, random);
    return spread > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(spread);
}

}  // namespace download
