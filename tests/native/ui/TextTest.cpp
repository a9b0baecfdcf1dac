// Colours, alignment, labels and text buttons.
#include <string>
#include <vector>

#include "tests/native/ui/UiTestFixture.h"
#include "ui/CLabel.h"
#include "ui/CNormalBtn.h"
#include "ui/Colour.h"

using Lines = std::vector<std::string>;

namespace {
const std::wstring kYaHei = L"\u5FAE\u8F6F\u96C5\u9ED1";
}

TEST(Colour, RedSitsInTheLowestByteOfTheStoredValue)
{
    static_assert(ToArgb(255, 0xFFAE00) == 0xFF00AEFF, "red 0, green 174, blue 255");
    static_assert(ToArgb(255, 0xB4B4B4) == 0xFFB4B4B4, "");
    // Only the low byte of alpha counts; the top byte of the colour is ignored.
    static_assert(ToArgb(0x1FF, 0x12345678) == 0xFF785634, "");
    static_assert(ToArgb(0, 0xFFFFFF) == 0x00FFFFFF, "");
}

TEST_F(UiTest, LabelDrawsItsTextInItsStyleAndAlignment)
{
    struct Case {
        uint32_t align;
        TextAlign horizontal, vertical;
    };
    const TextAlign N = TextAlign::Near, C = TextAlign::Center, F = TextAlign::Far;
    const Case cases[] = {
        {0x11, N, N}, {0x00, C, C}, {0x44, F, F}, {0x02, C, C}, {0x03, C, C}, {0x20, C, C},
        {0x30, C, C}, {0x41, N, F}, {0x14, F, N}, {0x05, C, C},
        {0x111, N, N},  // bits above 7 are not alignment
    };
    CLabel* label = Add(new CLabel(kWindow));
    label->m_rect = Rect{38, 12, 188, 28};
    label->m_text = L"Orvantis";
    for (const Case& c : cases) {
        label->SetTextStyle(TextStyle{L"Tahoma", 9, 1, 0xFFAE00, c.align});
        graphics.texts.clear();
        root->Draw(kDc);
        ASSERT_EQ(graphics.texts.size(), 1u);
        const FakeGraphics::DrawnText& t = graphics.texts[0];
        EXPECT_EQ(t.box.horizontal, c.horizontal) << std::hex << c.align;
        EXPECT_EQ(t.box.vertical, c.vertical) << std::hex << c.align;
        EXPECT_EQ(t.text, L"Orvantis");
        EXPECT_EQ(t.font.family, L"Tahoma");
        EXPECT_EQ(t.font.sizePoints, 9.0f);
        EXPECT_EQ(t.font.style, 1);
        EXPECT_EQ(t.colour, 0xFF00AEFFu) << "text is opaque";
        EXPECT_EQ(t.box.x, 38.0f);
        EXPECT_EQ(t.box.y, 12.0f);
        EXPECT_EQ(t.box.width, 150.0f);
        EXPECT_EQ(t.box.height, 16.0f);
    }
    EXPECT_TRUE(windows.repaints.empty()) << "SetTextStyle requests no repaint";
}

TEST_F(UiTest, LabelDefaultsAndEmptyOrHiddenText)
{
    CLabel label(kWindow);
    EXPECT_TRUE(label.m_eraseBkgnd);
    EXPECT_EQ(label.m_id, -1);
    EXPECT_EQ(label.m_textStyle.family, kYaHei);
    EXPECT_EQ(label.m_textStyle.size, 12);
    EXPECT_EQ(label.m_textStyle.colour, 0xFFFFFFu);
    EXPECT_EQ(label.m_textStyle.align, 0u);

    label.m_rect = Rect{0, 0, 100, 20};
    label.Draw(kDc);
    label.m_text = L"x";
    label.m_visible = false;
    label.Draw(kDc);
    EXPECT_TRUE(graphics.Drawing().empty());
}

TEST_F(UiTest, SetTextRepaintsAndFitsAsItsFlagsSay)
{
    graphics.measureWidth = 40.25f;
    graphics.measureHeight = 16.0f;
    struct Case {
        uint32_t update;
        Rect after;
        std::vector<Rect> repaints;
    };
    const Rect old{66, 342, 466, 358};
    const Rect fitted{66, 342, 107, 358};
    const Case cases[] = {
        {0, old, {}},
        {CLabel::TEXT_REPAINT, old, {old}},
        {CLabel::TEXT_FIT, fitted, {}},
        // The old area, where the old text was, and then the new one.
        {CLabel::TEXT_REPAINT | CLabel::TEXT_FIT, fitted, {old, fitted}},
    };
    for (const Case& c : cases) {
        CLabel label(kWindow);
        label.m_rect = old;
        label.m_textStyle.align = ALIGN_LEFT | ALIGN_TOP;
        windows.repaints.clear();
        label.SetText(L"100%", c.update);
        EXPECT_EQ(label.m_text, L"100%");
        EXPECT_EQ(label.m_rect, c.after) << c.update;
        ASSERT_EQ(windows.repaints.size(), c.repaints.size()) << c.update;
        for (size_t i = 0; i < c.repaints.size(); ++i) {
            EXPECT_EQ(windows.repaints[i].rect, c.repaints[i]);
            EXPECT_TRUE(windows.repaints[i].erase);
        }
    }
    ASSERT_FALSE(graphics.measured.empty());
    EXPECT_EQ(graphics.measured.back().text, L"100%");
    EXPECT_EQ(graphics.measured.back().font.family, kYaHei);
    EXPECT_EQ(graphics.measured.back().font.sizePoints, 12.0f);
    EXPECT_EQ(graphics.measured.back().box.horizontal, TextAlign::Near);

    // A text that already fits repaints once; no font leaves the rectangle.
    CLabel label(kWindow);
    label.m_rect = fitted;
    windows.repaints.clear();
    label.SetText(L"100%", CLabel::TEXT_REPAINT | CLabel::TEXT_FIT);
    EXPECT_EQ(windows.repaints.size(), 1u);
    graphics.fontAvailable = false;
    label.SetText(L"a much longer text", CLabel::TEXT_FIT);
    EXPECT_EQ(label.m_rect, fitted);
}

TEST_F(UiTest, TextButtonDrawsFillThenBorderThenCaption)
{
    struct Case {
        const char* name;
        FillStyle fill;
        BorderStyle border;
        Lines drawn;
    };
    const Case cases[] = {
        {"defaults: opaque white square background", FillStyle{}, BorderStyle{},
         {"fill FFFFFFFF rect 227,288,176,54"}},
        {"hover of the install button", FillStyle{255, 0xFFAE00, 4}, BorderStyle{0, 0, 0, 0, 0, -1, 0xFFFFFF, 0},
         {"fill FF00AEFF rounded 227,288,176,54 r 4,4"}},
        {"normal of the install button", FillStyle{0, 0xFFFFFF, 0}, BorderStyle{255, 0, 0, 0, 0, 1, 0xE6E6E6, 4},
         {"outline FFE6E6E6/1 rounded 227,288,175,53 r 4,4"}},
        {"fill alpha 0 with a radius", FillStyle{0, 0xFF, 4}, BorderStyle{}, {}},
        {"square red outline two wide, alpha from its low byte", FillStyle{0, 0, 0}, BorderStyle{0x180, 0, 0, 0, 0, 2, 0xFF, 0},
         {"outline 80FF0000/2 rect 227,288,174,52"}},
        {"thin border: top and a right side 2 in", FillStyle{0, 0, 0}, BorderStyle{255, 1, 2, 0, 0, 0, 0, 0},
         {"line FF000000/0 227,288-403,288", "line FF000000/0 401,288-401,342"}},
        {"thin border: all four sides in order left, top, right, bottom", FillStyle{0, 0, 0},
         BorderStyle{255, 1, 1, 3, 1, -1, 0, 0},
         {"line FF000000/-1 227,288-227,342", "line FF000000/-1 227,288-403,288", "line FF000000/-1 402,288-402,342",
          "line FF000000/-1 227,339-403,339"}},
        {"a thin border ignores the radius", FillStyle{0, 0, 0}, BorderStyle{255, 1, 0, 0, 0, 0, 0, 4},
         {"line FF000000/0 227,288-403,288"}},
    };
    for (const Case& c : cases) {
        CNormalBtn button(kWindow);
        button.m_parent = root.get();
        button.m_rect = Rect{227, 288, 403, 342};
        button.m_fill = c.fill;
        button.m_border = c.border;
        graphics.log.clear();
        button.Draw(kDc);
        EXPECT_EQ(graphics.Drawing(), c.drawn) << c.name;
        EXPECT_EQ(graphics.log.front(), "open");
        EXPECT_EQ(graphics.log.back(), "close");
    }
}

TEST_F(UiTest, TextButtonCaptionFillsTheWholeRectangle)
{
    CNormalBtn* button = Add(new CNormalBtn(kWindow));
    EXPECT_FALSE(button->m_eraseBkgnd);
    EXPECT_EQ(button->m_state, BTN_NORMAL);
    button->m_rect = Rect{227, 288, 403, 342};
    button->m_fill.alpha = 0;
    button->m_border = BorderStyle{255, 0, 0, 0, 0, 1, 0xE6E6E6, 4};
    button->m_textStyle = TextStyle{kYaHei, 18, 0, 0xE6E6E6, 0};
    button->m_text = L"\u7ACB\u5373\u5B89\u88C5";
    root->Draw(kDc);
    EXPECT_EQ(graphics.Drawing(), (Lines{"outline FFE6E6E6/1 rounded 227,288,175,53 r 4,4",
                                         "text FFE6E6E6 box 227,288,176,54"}));
    ASSERT_EQ(graphics.texts.size(), 1u);
    EXPECT_EQ(graphics.texts[0].box.horizontal, TextAlign::Center);
    EXPECT_EQ(graphics.texts[0].box.vertical, TextAlign::Center);
    EXPECT_EQ(graphics.texts[0].font.sizePoints, 18.0f);
}
