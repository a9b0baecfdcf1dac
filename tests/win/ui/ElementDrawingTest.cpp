// Text buttons, labels and the progress bar drawn with real GDI+.
#include <cstdlib>

#include "tests/win/ui/WinUiTest.h"
#include "ui/CLabel.h"
#include "ui/CNormalBtn.h"
#include "ui/CProgress.h"

namespace {

const wchar_t kYaHei[] = L"\u5FAE\u8F6F\u96C5\u9ED1";
const wchar_t kInstall[] = L"\u7ACB\u5373\u5B89\u88C5";

// How far apart two colours are, channel by channel.
int Distance(uint32_t a, uint32_t b)
{
    int most = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        most = d > most ? d : most;
    }
    return most;
}

CNormalBtn* InstallButton(CNormalBtn* button, FillStyle fill, BorderStyle border)
{
    button->m_rect = Rect{227, 288, 403, 342};
    button->m_fill = fill;
    button->m_border = border;
    button->m_textStyle = TextStyle{kYaHei, 18, 0, 0xE6E6E6, 0};
    button->m_text = kInstall;
    return button;
}

}  // namespace

TEST_F(WinUiTest, InstallButtonFillsBlueUnderThePointerAndDarkerWhilePressed)
{
    struct Case {
        int32_t colour;    // stored with red in the lowest byte
        uint32_t painted;  // 0xRRGGBB
    };
    for (const Case& c : {Case{0xFFAE00, 0x00AEFF}, Case{0xB37A00, 0x007AB3}}) {
        Clear();
        Add(InstallButton(new CNormalBtn(nullptr), FillStyle{255, c.colour, 4},
                          BorderStyle{0, 0, 0, 0, 0, -1, 0xFFFFFF, 0}));
        Paint();
        EXPECT_EQ(Rgb(232, 300), c.painted);
        EXPECT_EQ(Rgb(398, 336), c.painted);
        // Rounded corners: the corner pixel is not (fully) filled.
        EXPECT_NE(Rgb(227, 288), c.painted);
        EXPECT_EQ(InkBounds(), (Rect{227, 288, 403, 342}));
        // The caption is drawn in the middle: some light pixels there.
        int light = 0;
        for (int32_t y = 300; y < 330; ++y)
            for (int32_t x = 260; x < 370; ++x)
                light += Distance(Rgb(x, y), 0xE6E6E6) < 40 ? 1 : 0;
        EXPECT_GT(light, 50);
        root->m_children.clear();
    }
}

TEST_F(WinUiTest, InstallButtonOutlineStaysInsideItsRectangle)
{
    Add(InstallButton(new CNormalBtn(nullptr), FillStyle{0, 0xFFFFFF, 0},
                      BorderStyle{255, 0, 0, 0, 0, 1, 0xE6E6E6, 4}));
    Paint();
    // A one-pixel line along each side, nothing inside near the edges.
    EXPECT_LT(Distance(Rgb(227, 315), 0xE6E6E6), 40);
    EXPECT_LT(Distance(Rgb(402, 315), 0xE6E6E6), 40);
    EXPECT_LT(Distance(Rgb(300, 288), 0xE6E6E6), 40);
    EXPECT_LT(Distance(Rgb(300, 341), 0xE6E6E6), 40);
    EXPECT_EQ(Rgb(230, 315), 0u);
    const Rect ink = InkBounds();
    EXPECT_EQ(ink.left, 227);
    EXPECT_EQ(ink.top, 288);
    EXPECT_LE(ink.right, 403);
    EXPECT_LE(ink.bottom, 342);
}

TEST_F(WinUiTest, ProgressBarAtHalfColoursExactlyHalfTheTrack)
{
    CProgress* progress = Add(new CProgress(nullptr, 229, 228));
    progress->m_rect = Rect{66, 328, 0, 0};
    progress->FitToContent();
    ASSERT_EQ(progress->m_rect, (Rect{66, 328, 534, 331}));

    progress->m_fraction = 0.5;
    Paint();
    // The last coloured column is 66 + 233; the track shows from 66 + 234.
    for (int32_t y = 328; y < 331; ++y) {
        EXPECT_LT(Distance(Rgb(66, y), 0x1072FF), 8) << y;
        EXPECT_LT(Distance(Rgb(299, y), 0x1072FF), 8) << y;
        EXPECT_LT(Distance(Rgb(300, y), 0x272937), 8) << y;
        EXPECT_LT(Distance(Rgb(533, y), 0x272937), 8) << y;
    }
    EXPECT_EQ(InkBounds(), (Rect{66, 328, 534, 331}));

    // A bar of 0.001 colours nothing of a 468-pixel track.
    Clear();
    progress->m_fraction = 0.001;
    Paint();
    EXPECT_LT(Distance(Rgb(66, 329), 0x272937), 8);
}

TEST_F(WinUiTest, LabelPlacesItsTextByTheAlignmentFlags)
{
    CLabel* label = Add(new CLabel(nullptr));
    label->m_rect = Rect{100, 100, 500, 300};
    label->m_text = L"Orvantis";

    label->SetTextStyle(TextStyle{kYaHei, 9, 0, 0xB4B4B4, 0x11});
    Paint();
    const Rect topLeft = InkBounds();
    EXPECT_GE(topLeft.left, 100);
    EXPECT_LT(topLeft.left, 110);
    EXPECT_GE(topLeft.top, 100);
    EXPECT_LT(topLeft.top, 112);
    EXPECT_LT(topLeft.right, 200) << "9 points is small";
    EXPECT_LT(topLeft.bottom, 125);

    Clear();
    label->SetTextStyle(TextStyle{kYaHei, 9, 0, 0xB4B4B4, 0x44});
    Paint();
    const Rect bottomRight = InkBounds();
    EXPECT_LE(bottomRight.right, 500);
    EXPECT_GT(bottomRight.right, 490);
    EXPECT_LE(bottomRight.bottom, 300);
    EXPECT_GT(bottomRight.bottom, 285);
    EXPECT_EQ(bottomRight.right - bottomRight.left, topLeft.right - topLeft.left) << "same text, moved";

    Clear();
    label->SetTextStyle(TextStyle{kYaHei, 9, 0, 0xB4B4B4, 0x20});  // centred both ways
    Paint();
    const Rect centred = InkBounds();
    EXPECT_NEAR((centred.left + centred.right) / 2, 300, 6);
    EXPECT_NEAR((centred.top + centred.bottom) / 2, 200, 6);
}

TEST_F(WinUiTest, UnknownFontFamilyFallsBackToSansSerif)
{
    CLabel* label = Add(new CLabel(nullptr));
    label->m_rect = Rect{10, 10, 300, 60};
    label->SetTextStyle(TextStyle{L"No Such Family Here", 12, 0, 0xFFFFFF, 0x11});
    label->m_text = L"Orvantis";
    Paint();
    const Rect ink = InkBounds();
    EXPECT_LT(ink.left, ink.right) << "the text is drawn";
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.bottom, 60);
}

TEST_F(WinUiTest, FittedLabelHoldsItsWholeTextOnOneLine)
{
    // The same text drawn into an ample rectangle and into the rectangle
    // that SetText fitted to it must give the same pixels.
    const std::wstring text = L"\u5F00\u59CB\u4E0B\u8F7D... 100%";
    CLabel* label = Add(new CLabel(nullptr));
    label->SetTextStyle(TextStyle{kYaHei, 9, 0, 0xB4B4B4, 0x11});
    label->m_rect = Rect{66, 342, 600, 440};
    label->SetText(text);
    Paint();
    const Rect ample = InkBounds();
    ASSERT_LT(ample.left, ample.right);
    const std::vector<uint32_t> expected = pixels;

    label->m_rect = Rect{66, 342, 67, 343};
    label->SetText(text, CLabel::TEXT_FIT);
    EXPECT_GE(label->m_rect.right, ample.right);
    EXPECT_GE(label->m_rect.bottom, ample.bottom);
    EXPECT_LT(label->m_rect.bottom - label->m_rect.top, 30) << "one line";
    Clear();
    Paint();
    EXPECT_TRUE(pixels == expected);
}
