// Pictures decoded from the resources of this program with real GDI+.
#include "tests/win/ui/WinUiTest.h"
#include "ui/CImage.h"
#include "ui/CImageBtn.h"
#include "ui/CResImage.h"

TEST_F(WinUiTest, EveryShippedSkinPictureDecodesAtItsSize)
{
    struct Case {
        uint16_t id;
        int32_t width, height;
    };
    const Case skin[] = {
        {204, 12, 11}, {215, 100, 25}, {226, 100, 25}, {205, 590, 222},
        {229, 468, 3}, {228, 468, 3},  {220, 630, 493},
    };
    for (const Case& c : skin) {
        CResImage image;
        ASSERT_TRUE(image.LoadFromResource(c.id)) << c.id;
        int32_t w = 0, h = 0;
        image.GetSize(w, h);
        EXPECT_EQ(w, c.width) << c.id;
        EXPECT_EQ(h, c.height) << c.id;
    }
}

TEST_F(WinUiTest, MissingOrUndecodablePictureLeavesTheHolderEmpty)
{
    for (uint16_t id : {uint16_t(999), uint16_t(251)}) {
        CResImage image;
        ASSERT_TRUE(image.LoadFromResource(204));
        EXPECT_FALSE(image.LoadFromResource(id)) << id;
        EXPECT_FALSE(image.IsLoaded());
        int32_t w = -1, h = -1;
        image.GetSize(w, h);
        EXPECT_EQ(w, 0);
        EXPECT_EQ(h, 0);
        image.DrawAt(canvas.Dc(), 0, 0);
    }
    EXPECT_EQ(InkBounds(), (Rect{630, 453, 0, 0})) << "nothing drawn";
}

TEST_F(WinUiTest, BackgroundIsDrawnInItsOwnSizeWithItsTransparentFoot)
{
    CResImage background;
    ASSERT_TRUE(background.LoadFromResource(220));
    background.DrawAt(canvas.Dc(), 0, 0);
    // Opaque dark grey in the upper 630 x 400, nothing below.
    const uint32_t middle = Rgb(315, 200);
    EXPECT_NE(middle, 0u);
    EXPECT_LT(middle & 0xFF, 0x80u);
    EXPECT_EQ(Rgb(315, 420), 0u);
    EXPECT_EQ(Rgb(0, 0), 0u) << "the rounded corner is cut off";
}

TEST_F(WinUiTest, ImageButtonShowsOnlyTheFrameOfItsState)
{
    const uint32_t frames[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
    for (uint8_t state : {BTN_NORMAL, BTN_HOVER, BTN_PRESSED, BTN_DISABLED}) {
        canvas.Fill(kBlack);
        CImageBtn* button = Add(new CImageBtn(nullptr, 250, 0));
        button->m_rect = Rect{10, 10, 0, 0};
        button->FitToContent();
        ASSERT_EQ(button->m_rect, (Rect{10, 10, 35, 14}));
        button->m_state = state;
        root->Draw(canvas.Dc());
        for (int32_t x = 11; x < 34; ++x)
            ASSERT_EQ(Rgb(x, 12), frames[state]) << "state " << int(state) << " column " << x;
        EXPECT_EQ(Rgb(36, 12), 0u);
        root->m_children.clear();
    }
}

TEST_F(WinUiTest, PictureIsStretchedToItsRectangle)
{
    CImage* image = Add(new CImage(nullptr, 250));
    image->m_rect = Rect{0, 0, 204, 40};  // twice as wide, ten times as high
    root->Draw(canvas.Dc());
    EXPECT_EQ(InkBounds(), (Rect{0, 0, 204, 40}));
    EXPECT_EQ(Rgb(100, 20), 0x0000FFu) << "third frame, scaled";
    EXPECT_EQ(Rgb(201, 20), 0xFF00FFu) << "the whole picture, leftover columns included";
}
