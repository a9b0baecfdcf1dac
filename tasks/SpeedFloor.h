#pragma once
// The slowest a download may go: fewer than minBytes within any window of
// windowMs, once the body has started, and the attempt is given up as
// stalled. A server or middlebox that trickles a byte now and then stays
// under the stall limit forever; this ends it, and the retry asks for the
// rest.
#include <cstddef>
#include <cstdint>

class SpeedFloor {
public:
    // A windowMs of 0 turns the rule off.
    SpeedFloor(uint64_t minBytes, uint32_t windowMs) : m_minBytes(minBytes), m_windowMs(windowMs) {}

    // The body has started at nowMs: the first window ends windowMs later.
    void Start(uint64_t nowMs);
    // bytes arrived at nowMs.
    void Add(uint64_t nowMs, uint64_t bytes);
    // Whether fewer than minBytes arrived within the window that ends at
    // nowMs (false until a whole window has passed since Start).
    bool TooSlow(uint64_t nowMs) const;

private:
    // Bytes that arrived from firstMs to lastMs. Arrivals within a
    // sixtieth of the window after an entry's first share that entry, so
    // that 62 entries cover a window (and nothing is allocated per chunk);
    // an entry counts until a whole window has passed since its last
    // bytes (the rule errs towards patience by at most a sixtieth of the
    // window).
    struct Arrival {
        uint64_t firstMs;
        uint64_t lastMs;
        uint64_t bytes;
    };

    uint64_t m_minBytes;
    uint32_t m_windowMs;
    bool m_started = false;
    uint64_t m_startMs = 0;
    static constexpr size_t kEntries = 64;
    Arrival m_arrivals[kEntries] = {};
    size_t m_first = 0;  // the oldest entry kept
    size_t m_count = 0;
};
