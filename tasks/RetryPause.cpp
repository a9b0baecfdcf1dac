#include "tasks/RetryPause.h"

namespace download {

namespace {

// A number from 0 to span, both included, uniform with random.
uint32_t Share(uint32_t span, uint32_t random)
{
    return static_cast<uint32_t>((uint64_t{random} * (uint64_t{span} + 1)) >> 32);
}

}  // namespace

uint32_t SpreadPause(const Timings& timings, uint32_t k, bool hasRetryAfter, uint32_t retryAfterMs,
                     uint32_t random)
{
    const uint32_t pause = PauseBeforeRetry(timings, k, hasRetryAfter, retryAfterMs);
    if (hasRetryAfter)
        return pause + Share(pause / 10, random);
    const uint32_t half = pause - pause / 2;
    return half + Share(pause - half, random);
}

}  // namespace download
