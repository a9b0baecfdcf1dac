#pragma once
#include <cstdint>

// This computer's calendar clock in UTC, as seconds since
// 1970-01-01T00:00:00Z (bound at link time, like the clock seam). It may
// be wrong: what depends on it also asks a server.
int64_t UtcNowSeconds();
