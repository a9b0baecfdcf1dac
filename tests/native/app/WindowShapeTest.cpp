#include <gtest/gtest.h>

#include <set>

#include "app/WindowShape.h"

namespace {

// The pixels the runs cover, as (x, y) pairs.
std::set<std::pair<int, int>> Covered(const std::vector<Rect>& runs)
{
    std::set<std::pair<int, int>> pixels;
    for (const Rect& r : runs)
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                pixels.insert({x, y});
    return pixels;
}

TEST(WindowShape, KeepsExactlyThePixelsAboveAlpha30)
{
    // A 7 x 3 image with a stride of 8: alpha 30 is cut, 31 kept; the
    // padding column is never read.
    const uint32_t a30 = 30u << 24, a31 = 31u << 24, opaque = 0xFF202020, clear = 0x00FFFFFF;
    const uint32_t pixels[] = {
        a30,    a31,   a31,    clear,  opaque, opaque, a30,    opaque,
        opaque, clear, opaque, clear,  opaque, clear,  opaque, opaque,
        clear,  clear, clear,  clear,  clear,  clear,  clear,  opaque,
    };
    std::set<std::pair<int, int>> expected;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            if ((pixels[y * 8 + x] >> 24) > 30)
                expected.insert({x, y});
    const std::vector<Rect> runs = OpaqueRuns(pixels, 7, 3, 8);
    EXPECT_EQ(Covered(runs), expected);
    EXPECT_EQ(runs.size(), 6u);  // one rectangle per run, none per pixel
}

TEST(WindowShape, RoundedCornersAndTransparentFoot)
{
    // 630 x 493: opaque in the upper 400 rows except the corner pixels,
    // transparent below, as the shipped background.
    const int w = 630, h = 493;
    std::vector<uint32_t> image(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < w; ++x)
            image[static_cast<size_t>(y) * w + x] = 0xFF282930;
    image[0] = image[w - 1] = 0;
    const std::vector<Rect> runs = OpaqueRuns(image.data(), w, h, w);
    EXPECT_EQ(runs.size(), 400u);
    EXPECT_EQ(runs.front(), (Rect{1, 0, 629, 1}));
    EXPECT_EQ(runs.back(), (Rect{0, 399, 630, 400}));
}

}  // namespace
