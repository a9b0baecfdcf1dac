// The random source that spreads the pauses before retries: the system's
// generator answers (a failure would give the largest number every time,
// the pauses then all whole again).
#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "platform/Random.h"

namespace {

TEST(SystemRandom, DrawsFromTheSystemGenerator)
{
    std::set<uint32_t> drawn;
    for (int i = 0; i < 64; ++i)
        drawn.insert(SystemRandom().Next());
    // 64 draws of 32 bits: a repeat is a one in a million chance.
    EXPECT_GT(drawn.size(), 60u);
    EXPECT_NE(GetModuleHandleW(L"bcrypt.dll"), nullptr);
}

}  // namespace
