#include "tasks/SpeedFloor.h"

void SpeedFloor::Start(uint64_t nowMs)
{
    m_started = true;
    m_startMs = nowMs;
    m_first = 0;
    m_count = 0;
}

void SpeedFloor::Add(uint64_t nowMs, uint64_t bytes)
{
    if (m_windowMs == 0)
        return;
    // Entries a whole window old no longer count.
    while (m_count > 0 && nowMs - m_arrivals[m_first].lastMs >= m_windowMs) {
        m_first = (m_first + 1) % kEntries;
        --m_count;
    }
    Arrival* last = m_count > 0 ? &m_arrivals[(m_first + m_count - 1) % kEntries] : nullptr;
    if (last != nullptr && (nowMs - last->firstMs < m_windowMs / 60 || m_count == kEntries)) {
        last->lastMs = nowMs;
        last->bytes += bytes;
        return;
    }
    m_arrivals[(m_first + m_count) % kEntries] = Arrival{nowMs, nowMs, bytes};
    ++m_count;
}

bool SpeedFloor::TooSlow(uint64_t nowMs) const
{
    if (m_windowMs == 0 || !m_started || nowMs - m_startMs < m_windowMs)
        return false;
    uint64_t sum = 0;
    for (size_t i = 0; i < m_count; ++i) {
        const Arrival& arrival = m_arrivals[(m_first + i) % kEntries];
        if (nowMs - arrival.lastMs < m_windowMs)
            sum += arrival.bytes;
    }
    return sum < m_minBytes;
}
