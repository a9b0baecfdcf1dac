// Scaling by the screen's DPI: lengths, picture sets, lines and fonts.
#include <string>
#include <vector>

#include "tests/native/ui/UiTestFixture.h"
#include "ui/CImage.h"
#include "ui/CLabel.h"
#include "ui/CNormalBtn.h"
#include "ui/Dpi.h"

using Lines = std::vector<std::string>;

TEST(Dpi, ScalesEachLengthRoundedToTheNearestPixel)
{
    struct Case {
        int32_t value, dpi, scaled;
    };
    const Case cases[] = {
        {630, 96, 630},  {630, 120, 788},  {630, 144, 945}, {630, 192, 1260}, {453, 120, 566},
        {1, 120, 1},     {1, 144, 2},      {2, 120, 3},     {3, 120, 4},      {-16, 120, -20},
        {-2, 120, -3},   {630, 0, 630},    {630, -5, 630},  {630, 288, 1890}, {0, 192, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScaleByDpi(c.value, c.dpi), c.scaled) << c.value << " at " << c.dpi;
    for (int32_t dpi : {96, 120, 144, 192})
        EXPECT_EQ(UnscaleByDpi(ScaleByDpi(630, dpi), dpi), 630) << dpi;
    // The rule under them, also for the 200 % pictures (a denominator of
    // 192) and without overflow on the way.
    EXPECT_EQ(ScaleRounded(630, 120, 192), 394);
    EXPECT_EQ(ScaleRounded(1, 1, 2), 1);
    EXPECT_EQ(ScaleRounded(-1, 1, 2), -1);
    EXPECT_EQ(ScaleRounded(INT32_MAX, 3, 3), INT32_MAX);
    // Edge by edge: the width follows the edges, not the other way round.
    EXPECT_EQ(ScaleRectByDpi(Rect{227, 288, 403, 342}, 120), (Rect{284, 360, 504, 428}));
    EXPECT_EQ(ScaleRectByDpi(Rect{1, 1, 2, 2}, 120), (Rect{1, 1, 3, 3}));
}

TEST(Dpi, TheDoubleSizePicturesServeEveryDpiAbove96)
{
    EXPECT_EQ(PictureSetForDpi(96), 1);
    EXPECT_EQ(PictureSetForDpi(72), 1);
    EXPECT_EQ(PictureSetForDpi(0), 1);
    EXPECT_EQ(PictureSetForDpi(97), 2);
    EXPECT_EQ(PictureSetForDpi(192), 2);
    EXPECT_EQ(PictureSetForDpi(288), 2);
    EXPECT_FLOAT_EQ(FontScaleForDpi(144), 1.5f);
    EXPECT_FLOAT_EQ(FontScaleForDpi(0), 1.0f);
}

TEST_F(UiTest, PicturesOfTheSetForTheDpiAreLoadedAndMeasuredInDesignPixels)
{
    graphics.AddImage(205, 590, 222);
    graphics.AddImage(305, 1180, 444);
    graphics.AddImage(204, 12, 11);  // no 200 % picture: the 100 % one serves
    CImage* banner = Add(new CImage(kWindow, 205, 144));
    CImage* symbol = Add(new CImage(kWindow, 204, 144));
    int32_t w = 0, h = 0;
    banner->m_image.GetSize(w, h);
    EXPECT_EQ((std::vector<int32_t>{w, h, banner->m_image.Set()}), (std::vector<int32_t>{1180, 444, 2}));
    banner->m_image.GetDesignSize(w, h);
    EXPECT_EQ((std::vector<int32_t>{w, h}), (std::vector<int32_t>{590, 222}));
    symbol->m_image.GetDesignSize(w, h);
    EXPECT_EQ((std::vector<int32_t>{w, h, symbol->m_image.Set()}), (std::vector<int32_t>{12, 11, 1}));

    // Drawn scaled into its rectangle; FitToContent takes the design size at
    // the element's DPI.
    banner->m_rect = Rect{30, 60, 0, 0};
    banner->FitToContent();
    EXPECT_EQ(banner->m_rect, (Rect{30, 60, 915, 393}));
    graphics.log.clear();
    banner->Draw(kDc);
    EXPECT_EQ(graphics.Drawing(), (Lines{"image 305 at 30,60 size 885,333"}));

    // Back to 96 DPI: the 100 % picture, decoded once; the same DPI again
    // decodes nothing.
    graphics.log.clear();
    root->SetDpi(96);
    root->SetDpi(96);
    EXPECT_EQ(graphics.log, (Lines{"free 305", "decode 205"}));
    EXPECT_EQ(banner->m_dpi, 96);
    EXPECT_EQ(symbol->m_dpi, 96);
}

TEST_F(UiTest, TextButtonScalesItsLinesRadiiAndFontWithTheDpi)
{
    struct Case {
        int32_t dpi;
        Lines drawn;
        float fontScale;
    };
    const Case cases[] = {
        {96, {"outline FFE6E6E6/1 rounded 227,288,175,53 r 4,4", "text FFE6E6E6 box 227,288,176,54"}, 1.0f},
        {120, {"outline FFE6E6E6/1 rounded 284,360,219,67 r 5,5", "text FFE6E6E6 box 284,360,220,68"}, 1.25f},
        {144, {"outline FFE6E6E6/2 rounded 341,432,262,79 r 6,6", "text FFE6E6E6 box 341,432,264,81"}, 1.5f},
        {192, {"outline FFE6E6E6/2 rounded 454,576,350,106 r 8,8", "text FFE6E6E6 box 454,576,352,108"}, 2.0f},
    };
    CNormalBtn* button = Add(new CNormalBtn(kWindow));
    button->m_text = L"立即安装";
    button->m_border = BorderStyle{255, 0, 0, 0, 0, 1, 0xE6E6E6, 4};
    button->m_fill = FillStyle{0, 0xFFFFFF, 0};
    button->m_textStyle = TextStyle{L"\u5FAE\u8F6F\u96C5\u9ED1", 18, 0, 0xE6E6E6, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        button->SetDpi(c.dpi);
        button->m_rect = ScaleRectByDpi(Rect{227, 288, 403, 342}, c.dpi);
        graphics.log.clear();
        graphics.texts.clear();
        root->Draw(kDc);
        EXPECT_EQ(graphics.Drawing(), c.drawn);
        ASSERT_EQ(graphics.texts.size(), 1u);
        // The size stays in points; the scale travels with it, once.
        EXPECT_EQ(graphics.texts[0].font.sizePoints, 18.0f);
        EXPECT_FLOAT_EQ(graphics.texts[0].font.scale, c.fontScale);
    }
}

TEST_F(UiTest, FocusOutlineIsAThinFrameInsideTheButtonAtEveryDpi)
{
    CNormalBtn* button = Add(new CNormalBtn(kWindow));
    button->m_textStyle.colour = 0xE6E6E6;
    button->m_fill.alpha = 0;
    for (auto [dpi, expected] : {std::pair<int32_t, Lines>{96,
                                                           {"fill FFE6E6E6 rect 231,292,168,1",
                                                            "fill FFE6E6E6 rect 231,337,168,1",
                                                            "fill FFE6E6E6 rect 231,293,1,44",
                                                            "fill FFE6E6E6 rect 398,293,1,44"}},
                                 {192,
                                  {"fill FFE6E6E6 rect 462,584,336,2", "fill FFE6E6E6 rect 462,674,336,2",
                                   "fill FFE6E6E6 rect 462,586,2,88", "fill FFE6E6E6 rect 796,586,2,88"}}}) {
        SCOPED_TRACE(dpi);
        button->SetDpi(dpi);
        button->m_rect = ScaleRectByDpi(Rect{227, 288, 403, 342}, dpi);
        button->m_focusCue = false;
        graphics.log.clear();
        root->Draw(kDc);
        EXPECT_TRUE(graphics.Drawing().empty()) << "no outline without keyboard cues";
        button->m_focusCue = true;
        graphics.log.clear();
        root->Draw(kDc);
        EXPECT_EQ(graphics.Drawing(), expected);
    }
}

TEST_F(UiTest, LabelFontAndFittedSizeFollowTheDpi)
{
    CLabel* label = Add(new CLabel(kWindow));
    label->m_rect = Rect{83, 15, 0, 0};
    label->SetTextStyle(TextStyle{L"Tahoma", 8, 0, 0xB4B4B4, 0x11});
    label->SetDpi(168);
    graphics.measureWidth = 41.2f;
    graphics.measureHeight = 19.0f;
    label->SetText(L"0%", CLabel::TEXT_FIT);
    ASSERT_EQ(graphics.measured.size(), 1u);
    EXPECT_FLOAT_EQ(graphics.measured[0].font.scale, 1.75f);
    EXPECT_EQ(graphics.measured[0].font.sizePoints, 8.0f);
    EXPECT_EQ(label->m_rect, (Rect{83, 15, 125, 34}));
    root->Draw(kDc);
    ASSERT_EQ(graphics.texts.size(), 1u);
    EXPECT_FLOAT_EQ(graphics.texts[0].font.scale, 1.75f);
}
