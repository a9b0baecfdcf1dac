#pragma once
// A calendar clock that says the date a test sets: the system's at first.
#include <atomic>
#include <cstdint>

#include "platform/WallClock.h"

class FakeWallClock : public IWallClock {
public:
    std::atomic<int64_t> now{SystemWallClock().NowSeconds()};

    int64_t NowSeconds() override { return now.load(); }
};
