#include "tasks/SpeedFloor.h"

void SpeedFloor::Start(uint64_t nowMs)
{
    m_started = true;
    m_startMs = nowMs;
    m_arrivals.clear();
}

void SpeedFloor::Add(uint64_t nowMs, uint64_t bytes)
{
    if (m_windowMs == 0)
        return;
    if (!m_arrivals.empty() && nowMs - m_arrivals.back().firstMs < m_windowMs / 60) {
        m_arrivals.back().lastMs = nowMs;
        m_arrivals.back().bytes += bytes;
    } else {
        m_arrivals.push_back(Arrival{nowMs, nowMs, bytes});
    }
    while (!m_arrivals.empty() && nowMs - m_arrivals.front().lastMs >= m_windowMs)
        m_arrivals.pop_front();
}

bool SpeedFloor::TooSlow(uint64_t nowMs) const
{
    if (m_windowMs == 0 || !m_started || nowMs - m_startMs < m_windowMs)
        return false;
    uint64_t sum = 0;
    for (const Arrival& arrival : m_arrivals) {
        if (nowMs - arrival.lastMs < m_windowMs)
            sum += arrival.bytes;
    }
    return sum < m_minBytes;
}
