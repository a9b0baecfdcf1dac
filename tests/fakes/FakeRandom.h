#pragma once
// A random source that gives the numbers a test sets, in turn (the last
// one again once they are used up); by default the smallest, so that each
// pause is exactly the scheduled one (a Retry-After exactly what it says).
#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/Random.h"

class FakeRandom : public IRandom {
public:
    std::vector<uint32_t> values{0};

    uint32_t Next() override
    {
        const size_t i = m_next.fetch_add(1);
        return values.empty() ? 0 : values[i < values.size() ? i : values.size() - 1];
    }

private:
    std::atomic<size_t> m_next{0};
};
