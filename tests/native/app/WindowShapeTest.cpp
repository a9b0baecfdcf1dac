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

// The shipped background's shape at 100 % (scale 1) or 200 % (scale 2):
// body 630 x 400 design pixels with its corners cut on a circle of 6 design
// pixels, transparent below, as the picture set's runs.
std::vector<Rect> BackgroundRuns(int scale)
{
    const int w = 630 * scale, h = 493 * scale, body = 400 * scale, r = 6 * scale;
    std::vector<uint32_t> image(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < body; ++y)
        for (int x = 0; x < w; ++x) {
            const int cx = x < r ? x : (x >= w - r ? w - 1 - x : r);
            const int cy = y < r ? y : (y >= body - r ? body - 1 - y : r);
            const double dx = r - (cx + 0.5), dy = r - (cy + 0.5);
            if (cx < r && cy < r && dx * dx + dy * dy > r * r)
                continue;
            image[static_cast<size_t>(y) * w + x] = 0xFF282930;
        }
    return OpaqueRuns(image.data(), w, h, w);
}

TEST(WindowShape, ScaledRunsFollowTheWindowAtEveryScale)
{
    struct Case {
        int set;             // the picture set the runs come from
        int dpi;
        int bodyRows;        // rows of the window's body at that DPI
        int width;
        int firstRowLeft;    // where the cut corner lets the top row begin
    };
    const Case cases[] = {
        {1, 96, 400, 630, 4},    // 100 %: the runs unchanged
        {2, 120, 500, 788, 6},   // 125 % from the 200 % picture
        {2, 144, 600, 945, 7},   // 150 %
        {2, 192, 800, 1260, 9},  // 200 %: the 200 % picture's own runs
        {1, 120, 500, 788, 5},   // 125 % from the 100 % picture (no 200 % one)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi * 10 + c.set);
        const std::vector<Rect> source = BackgroundRuns(c.set);
        const std::vector<Rect> runs = ScaleRuns(source, 630 * c.set, 493 * c.set, c.dpi, 96 * c.set);
        if (c.dpi == 96 * c.set) {
            EXPECT_EQ(runs, source);
        }
        ASSERT_EQ(static_cast<int>(runs.size()), c.bodyRows) << "one run per row, every row of the body";
        for (int y = 0; y < c.bodyRows; ++y) {
            EXPECT_EQ(runs[static_cast<size_t>(y)].top, y);
            EXPECT_EQ(runs[static_cast<size_t>(y)].bottom, y + 1);
            EXPECT_EQ(runs[static_cast<size_t>(y)].left, c.width - runs[static_cast<size_t>(y)].right)
                << "symmetric";
        }
        EXPECT_EQ(runs.front().left, c.firstRowLeft);
        EXPECT_EQ(runs.back().left, c.firstRowLeft);
        EXPECT_EQ(runs[static_cast<size_t>(c.bodyRows / 2)], (Rect{0, c.bodyRows / 2, c.width, c.bodyRows / 2 + 1}));
    }
}

TEST(WindowShape, ScalingNothingOrByNothingGivesNothing)
{
    EXPECT_TRUE(ScaleRuns({}, 10, 10, 120, 96).empty());
    EXPECT_TRUE(ScaleRuns({Rect{0, 0, 5, 1}}, 5, 1, 0, 96).empty());
    EXPECT_TRUE(ScaleRuns({Rect{0, 0, 5, 1}}, 5, 0, 120, 96).empty());
    // A run too narrow to survive the scale is dropped, not made empty.
    EXPECT_EQ(ScaleRuns({Rect{1, 0, 2, 1}}, 8, 1, 1, 4), (std::vector<Rect>{}));
}

}  // namespace
