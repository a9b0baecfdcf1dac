// Picture holders, static pictures and image buttons.
#include <string>
#include <vector>

#include "tests/native/ui/UiTestFixture.h"
#include "ui/CImage.h"
#include "ui/CImageBtn.h"

using Lines = std::vector<std::string>;

TEST_F(UiTest, HolderReleasesItsPictureBeforeLoadingAnother)
{
    graphics.AddImage(204, 12, 11);
    {
        CResImage holder;
        int32_t w = -1, h = -1;
        holder.GetSize(w, h);
        EXPECT_EQ(w, 0);
        EXPECT_EQ(h, 0);

        EXPECT_TRUE(holder.LoadFromResource(204));
        holder.GetSize(w, h);
        EXPECT_EQ(w, 12);
        EXPECT_EQ(h, 11);

        // The second picture is missing: the first is gone before the lookup.
        EXPECT_FALSE(holder.LoadFromResource(999));
        EXPECT_FALSE(holder.IsLoaded());
        holder.GetSize(w, h);
        EXPECT_EQ(w, 0);
        EXPECT_EQ(h, 0);
        holder.DrawPart(kDc, Rect{0, 0, 5, 5}, 0, 5, 5);
        holder.Draw(kDc, Rect{0, 0, 5, 5});

        EXPECT_TRUE(holder.LoadFromResource(204));
        holder.Reset();
        EXPECT_FALSE(holder.IsLoaded());
        EXPECT_TRUE(holder.LoadFromResource(204));
    }
    EXPECT_EQ(graphics.log, (Lines{"decode 204", "free 204", "decode 999", "decode 204", "free 204", "decode 204",
                                   "free 204"}))
        << "an empty holder opens no surface";

    SetUiPlatform(nullptr, nullptr);
    CResImage holder;
    EXPECT_FALSE(holder.LoadFromResource(204));
}

TEST_F(UiTest, PictureIsScaledIntoItsRectangleOrDrawnInItsOwnSize)
{
    graphics.AddImage(205, 590, 222);
    CImage* image = Add(new CImage(kWindow, 205));
    image->m_rect = Rect{20, 40, 30, 50};
    root->Draw(kDc);
    image->FitToContent();
    EXPECT_EQ(image->m_rect, (Rect{20, 40, 610, 262}));
    image->m_visible = false;
    root->Draw(kDc);
    image->m_image.DrawAt(kDc, 3, 4);
    EXPECT_EQ(graphics.log, (Lines{"decode 205", "open", "image 205 at 20,40 size 10,10", "close", "open",
                                   "image 205 at 3,4 size 590,222", "close"}));
}

TEST_F(UiTest, PictureWithoutImageDrawsNothingAndFitsToNothing)
{
    CImage* image = Add(new CImage(kWindow, 204));
    image->m_rect = Rect{20, 16, 32, 27};
    root->Draw(kDc);
    image->FitToContent();
    EXPECT_EQ(image->m_rect, (Rect{20, 16, 20, 16}));
    EXPECT_EQ(graphics.log, Lines{"decode 204"});
}

TEST_F(UiTest, ImageButtonDrawsTheFrameOfItsState)
{
    struct Case {
        int32_t stripWidth;
        uint8_t state;
        const char* drawn;
    };
    const Case cases[] = {
        {100, BTN_NORMAL, "image 1 at 10,8 size 25,25 from 0,0 size 25,25"},
        {100, BTN_HOVER, "image 1 at 10,8 size 25,25 from 25,0 size 25,25"},
        {100, BTN_PRESSED, "image 1 at 10,8 size 25,25 from 50,0 size 25,25"},
        {100, BTN_DISABLED, "image 1 at 10,8 size 25,25 from 75,0 size 25,25"},
        // The two columns past the fourth frame are never shown.
        {102, BTN_DISABLED, "image 1 at 10,8 size 25,25 from 75,0 size 25,25"},
    };
    for (const Case& c : cases) {
        graphics.AddImage(1, c.stripWidth, 25);
        CImageBtn button(kWindow, 1, 0);
        button.m_parent = root.get();
        button.m_rect = Rect{10, 8, 35, 33};
        button.m_state = c.state;
        graphics.log.clear();
        button.Draw(kDc);
        EXPECT_EQ(graphics.Drawing(), Lines{c.drawn}) << c.stripWidth << " state " << int(c.state);
    }
}

TEST_F(UiTest, ImageButtonFitsToOneFrame)
{
    graphics.AddImage(215, 102, 25);
    CImageBtn button(kWindow, 215, 0);
    EXPECT_EQ(button.m_id, 0);
    button.m_rect = Rect{10, 8, 0, 0};
    button.FitToContent();
    EXPECT_EQ(button.m_rect, (Rect{10, 8, 35, 33}));

    CImageBtn empty(kWindow, 999, 1);
    empty.m_rect = Rect{10, 8, 35, 33};
    empty.FitToContent();
    EXPECT_EQ(empty.m_rect, (Rect{10, 8, 10, 8}));
    graphics.log.clear();
    empty.Draw(kDc);
    EXPECT_TRUE(graphics.log.empty());
}
