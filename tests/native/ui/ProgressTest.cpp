// The progress bar: the track across the element and the completed part of
// the bar over it.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/native/ui/UiTestFixture.h"
#include "ui/CProgress.h"

using Lines = std::vector<std::string>;

TEST_F(UiTest, ProgressDrawsTheCompletedPartOfTheBar)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        int32_t elementWidth;
        int32_t barWidth;
        double fraction;
        const char* bar;  // null: no bar
    };
    const Case cases[] = {
        {468, 468, 0.5, "image 228 at 66,328 size 234,3 from 0,0 size 234,3"},
        {468, 468, 1.0, "image 228 at 66,328 size 468,3 from 0,0 size 468,3"},
        {468, 468, 1.7, "image 228 at 66,328 size 468,3 from 0,0 size 468,3"},
        {468, 468, 1e300, "image 228 at 66,328 size 468,3 from 0,0 size 468,3"},
        // A narrower element squeezes the same part of the bar.
        {234, 468, 0.5, "image 228 at 66,328 size 117,3 from 0,0 size 234,3"},
        {468, 100, 0.5, "image 228 at 66,328 size 234,3 from 0,0 size 50,3"},
        {468, 468, 0.001, nullptr},  // less than one destination pixel
        {468, 468, 0.0, nullptr},
        {468, 468, -0.5, nullptr},
        {468, 468, nan, nullptr},
    };
    for (const Case& c : cases) {
        graphics.AddImage(229, 468, 3);
        graphics.AddImage(228, c.barWidth, 3);
        CProgress progress(kWindow, 229, 228);
        progress.m_parent = root.get();
        progress.m_rect = Rect{66, 328, 66 + c.elementWidth, 331};
        progress.m_fraction = c.fraction;
        graphics.log.clear();
        progress.Draw(kDc);

        Lines expected{"image 229 at 66,328 size " + std::to_string(c.elementWidth) + ",3"};
        if (c.bar != nullptr)
            expected.push_back(c.bar);
        EXPECT_EQ(graphics.Drawing(), expected) << c.elementWidth << " " << c.barWidth << " " << c.fraction;
    }
}

TEST_F(UiTest, ProgressDrawsWhicheverLayerItHas)
{
    graphics.AddImage(228, 468, 3);
    CProgress noTrack(kWindow, 229, 228);
    noTrack.m_rect = Rect{0, 0, 468, 3};
    noTrack.m_fraction = 1.0;
    noTrack.Draw(kDc);
    EXPECT_EQ(graphics.Drawing(), Lines{"image 228 at 0,0 size 468,3 from 0,0 size 468,3"});

    graphics.log.clear();
    CProgress noBar(kWindow, 228, 230);
    noBar.m_rect = Rect{0, 0, 468, 3};
    noBar.m_fraction = 1.0;
    noBar.Draw(kDc);
    EXPECT_EQ(graphics.Drawing(), Lines{"image 228 at 0,0 size 468,3"});

    graphics.log.clear();
    noBar.m_visible = false;
    noBar.Draw(kDc);
    EXPECT_TRUE(graphics.log.empty());
}

TEST_F(UiTest, ProgressFitsToItsTrack)
{
    graphics.AddImage(229, 468, 3);
    CProgress progress(kWindow, 229, 228);
    EXPECT_EQ(progress.m_fraction, 0.0);
    progress.m_rect = Rect{66, 328, 0, 0};
    progress.FitToContent();
    EXPECT_EQ(progress.m_rect, (Rect{66, 328, 534, 331}));
}
