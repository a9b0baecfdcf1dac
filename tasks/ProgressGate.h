#pragma once
// When a download's progress is reported. At the design's pace every chunk
// is (one event per chunk, at most one per 10 ms by the pace itself).
// Faster, chunks come closer together than the screen can use: the events
// are coalesced to at most one per kSpacingUs, and the chunk that completes
// the file is always reported. The task's byte count is exact at every
// event; only the events are fewer.
#include <cstdint>

class ProgressGate {
public:
    static constexpr uint64_t kSpacingUs = 10000;

    // everyChunk: the design's pace.
    void Reset(bool everyChunk)
    {
        m_everyChunk = everyChunk;
        m_any = false;
    }
    // Whether a chunk that arrives at nowUs is reported; last: it completes
    // the file.
    bool Due(uint64_t nowUs, bool last) const
    {
        return m_everyChunk || last || !m_any || nowUs - m_lastUs >= kSpacingUs;
    }
    // An event went out at nowUs.
    void Reported(uint64_t nowUs)
    {
        m_any = true;
        m_lastUs = nowUs;
    }

private:
    bool m_everyChunk = true;
    bool m_any = false;
    uint64_t m_lastUs = 0;
};
