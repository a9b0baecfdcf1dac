// How the chunks of a body are read at each rate: never above the limit in
// any second, and close enough to it that the limit is what holds the
// download back.
#include <gtest/gtest.h>

#include "tasks/TransferRate.h"

namespace {

TEST(TransferRate, DesignPaceAndTheLinesSpeed)
{
    const ChunkPace design = PaceFor(TransferRate::Design());
    EXPECT_EQ(design.chunkBytes, 51200u);
    EXPECT_EQ(design.spacingUs, 10000u);
    const ChunkPace line = PaceFor(TransferRate::Line());
    EXPECT_EQ(line.chunkBytes, kLineReadBytes);
    EXPECT_EQ(line.spacingUs, 0u);
}

TEST(TransferRate, NoSecondHoldsMoreThanTheLimit)
{
    // The limit at the design's own figure, below 100 bytes, odd numbers
    // that divide into nothing, a gigabit line and beyond the largest read.
    for (uint64_t limit : {1ull, 7ull, 99ull, 100ull, 101ull, 12345ull, 5120000ull, 1234567ull, 125000000ull,
                           999999999ull, 1048576000000ull, 1ull << 62}) {
        const ChunkPace pace = PaceFor(TransferRate::Limit(limit));
        ASSERT_GE(pace.chunkBytes, 1u) << limit;
        ASSERT_LE(pace.chunkBytes, kLineReadBytes) << limit;
        if (pace.spacingUs == 0) {
            EXPECT_GT(limit, 1000000ull * kLineReadBytes) << limit;
            continue;
        }
        // Starts spacingUs apart: at most ceil(1 s / spacing) in any second.
        const uint64_t starts = (1000000 + pace.spacingUs - 1) / pace.spacingUs;
        EXPECT_LE(starts * pace.chunkBytes, limit) << limit;
        // Reaches the limit: what is lost to rounding is below 1 %, or one
        // byte a read at the smallest limits.
        EXPECT_GE(1000000.0 / static_cast<double>(pace.spacingUs) * (pace.chunkBytes + 1), 0.99 * limit) << limit;
    }
    // The design's figure as a limit is the design's pace.
    const ChunkPace same = PaceFor(TransferRate::Limit(5120000));
    EXPECT_EQ(same.chunkBytes, 51200u);
    EXPECT_EQ(same.spacingUs, 10000u);
}

}  // namespace
