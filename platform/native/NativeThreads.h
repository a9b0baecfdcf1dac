#pragma once
#include <cstdint>

// The portable build's thread seam runs real threads; its pauses can be
// redirected so that tests of a worker's rhythm need not wait them out.
namespace threads {

using SleepHook = void (*)(uint32_t milliseconds);

// With a hook set, Sleep calls it instead of pausing; null restores real
// pauses.
void SetSleepHook(SleepHook hook);

}  // namespace threads
