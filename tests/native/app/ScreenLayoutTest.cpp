#include <gtest/gtest.h>

#include "tests/native/app/AppFixture.h"
#include "ui/CImage.h"
#include "ui/CImageBtn.h"
#include "ui/CResImage.h"
#include "ui/Dpi.h"

namespace {

struct Expected {
    int32_t id;
    Rect rect;
    bool visible;
    bool erase;
};

using ScreenLayout = AppFixture;

void ExpectTree(const CPane& root, const std::vector<Expected>& expected)
{
    ASSERT_EQ(root.m_children.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const CUIBase* e = root.m_children[i].get();
        SCOPED_TRACE("element " + std::to_string(i + 1));
        EXPECT_EQ(e->m_id, expected[i].id);
        EXPECT_EQ(e->m_rect, expected[i].rect);
        EXPECT_EQ(e->m_visible, expected[i].visible);
        EXPECT_EQ(e->m_eraseBkgnd, expected[i].erase);
        EXPECT_EQ(e->m_parent, &root);
        EXPECT_EQ(e->m_zOrder, 0);
    }
}

TEST_F(ScreenLayout, ShippedImagesGiveTheScreensRectangles)
{
    LauncherApp& launcher = Start();
    ASSERT_NE(launcher.Screen(), nullptr);
    EXPECT_EQ(launcher.Screen()->m_rect, (Rect{0, 0, 630, 453}));
    EXPECT_EQ(launcher.Screen()->m_id, -1);
    ExpectTree(*launcher.Screen(), {
                                       {-1, {20, 16, 32, 27}, true, false},
                                       {-1, {38, 12, 188, 28}, true, true},
                                       {0, {589, 8, 614, 33}, true, true},
                                       {1, {562, 8, 587, 33}, true, true},
                                       {3, {20, 40, 610, 262}, true, false},
                                       {2, {227, 288, 403, 342}, true, true},
                                       {-1, {66, 328, 534, 331}, false, false},
                                       {-1, {546, 322, 586, 338}, false, true},
                                       {-1, {66, 342, 466, 358}, false, true},
                                   });
    const auto& children = launcher.Screen()->m_children;
    EXPECT_EQ(children[0].get(), g_symbolImage);
    EXPECT_EQ(children[1].get(), g_nameLabel);
    EXPECT_EQ(children[2].get(), g_closeButton);
    EXPECT_EQ(children[3].get(), g_minimizeButton);
    EXPECT_EQ(children[4].get(), g_bannerImage);
    EXPECT_EQ(children[5].get(), g_installButton);
    EXPECT_EQ(children[6].get(), g_progressBar);
    EXPECT_EQ(children[7].get(), g_percentLabel);
    EXPECT_EQ(children[8].get(), g_statusLabel);
    EXPECT_EQ(g_nameLabel->m_text, L"Orvantis");
    EXPECT_EQ(g_installButton->m_text, L"立即安装");
    EXPECT_EQ(g_percentLabel->m_text, L"0%");
    EXPECT_EQ(g_statusLabel->m_text, L"开始下载...");
    EXPECT_EQ(g_progressBar->m_fraction, 0.0);

    const TextStyle& name = g_nameLabel->m_textStyle;
    EXPECT_EQ(name.family, L"微软雅黑");
    EXPECT_EQ(name.size, 9);
    EXPECT_EQ(name.colour, 0xB4B4B4u);
    EXPECT_EQ(name.align, 0x11u);
    EXPECT_EQ(g_percentLabel->m_textStyle.size, 9);
    EXPECT_EQ(g_statusLabel->m_textStyle.size, 8);
    EXPECT_EQ(g_statusLabel->m_textStyle.colour, 0xB4B4B4u);
    // Nothing was repainted while the screen was built.
    EXPECT_TRUE(windows.repaints.empty());
}

TEST_F(ScreenLayout, MissingImagesGiveEmptyRectanglesAtTheirAnchors)
{
    graphics = FakeGraphics();  // no pictures at all
    LauncherApp& launcher = Start();
    ExpectTree(*launcher.Screen(), {
                                       {-1, {20, 16, 20, 16}, true, false},
                                       {-1, {38, 12, 188, 28}, true, true},
                                       {0, {614, 8, 614, 8}, true, true},
                                       {1, {612, 8, 612, 8}, true, true},
                                       {3, {315, 40, 315, 40}, true, false},
                                       {2, {227, 288, 403, 342}, true, true},
                                       {-1, {66, 328, 66, 328}, false, false},
                                       {-1, {78, 322, 118, 338}, false, true},
                                       {-1, {66, 342, 466, 358}, false, true},
                                   });
}

TEST_F(ScreenLayout, MissingConfigurationLeavesTheNameEmpty)
{
    resources.resources.clear();
    Start();
    EXPECT_EQ(g_nameLabel->m_text, L"");
}

// The 96 DPI rectangles of the shipped screen, in slot order.
const std::vector<Rect> kRectsAt96 = {{20, 16, 32, 27},   {38, 12, 188, 28},  {589, 8, 614, 33},
                                      {562, 8, 587, 33},  {20, 40, 610, 262}, {227, 288, 403, 342},
                                      {66, 328, 534, 331}, {546, 322, 586, 338}, {66, 342, 466, 358}};

TEST_F(ScreenLayout, EveryRectangleIsItsDesignScaledEdgeByEdgeWithTheDoubleSizePictures)
{
    for (auto [id, w, h] : {std::tuple<uint16_t, int32_t, int32_t>{304, 24, 22},
                            {315, 200, 50}, {326, 200, 50}, {305, 1180, 444},
                            {329, 936, 6}, {328, 936, 6}, {320, 1260, 986}})
        graphics.AddImage(id, w, h);
    for (int32_t dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        const int32_t width = ScaleByDpi(630, dpi);
        const int32_t height = ScaleByDpi(453, dpi);
        windows.client = Rect{0, 0, width, height};
        auto root = BuildLauncherScreen(kWindow, windows, L"Orvantis", dpi);
        EXPECT_EQ(root->m_rect, (Rect{0, 0, width, height}));
        ASSERT_EQ(root->m_children.size(), kRectsAt96.size());
        for (size_t i = 0; i < kRectsAt96.size(); ++i) {
            EXPECT_EQ(root->m_children[i]->m_rect, ScaleRectByDpi(kRectsAt96[i], dpi)) << "slot " << i;
            EXPECT_EQ(root->m_children[i]->m_dpi, dpi) << "slot " << i;
        }
        const int32_t expectedSet = dpi > 96 ? 2 : 1;
        EXPECT_EQ(g_bannerImage->m_image.Set(), expectedSet);
        ClearScreenGlobals();
    }
    // One case by hand, so that the rule above cannot hide a wrong rule.
    windows.client = Rect{0, 0, 788, 566};
    auto root = BuildLauncherScreen(kWindow, windows, L"Orvantis", 120);
    EXPECT_EQ(g_closeButton->m_rect, (Rect{736, 10, 768, 41}));
    EXPECT_EQ(g_installButton->m_rect, (Rect{284, 360, 504, 428}));
    EXPECT_EQ(g_percentLabel->m_rect, (Rect{683, 403, 733, 423}));
    ClearScreenGlobals();
}

TEST_F(ScreenLayout, DpiChangeLaysTheLiveScreenOutAgainAndRepaintsIt)
{
    for (auto [id, w, h] : {std::tuple<uint16_t, int32_t, int32_t>{305, 1180, 444}, {320, 1260, 986}})
        graphics.AddImage(id, w, h);
    LauncherApp& launcher = Start();
    ASSERT_NE(launcher.Background(), nullptr);
    EXPECT_EQ(launcher.Background()->Set(), 1);
    Click(315, 315);  // the screen changes: button hidden, bar shown
    windows.repaints.clear();
    windows.client = Rect{0, 0, 945, 680};
    launcher.SetDpi(144);
    EXPECT_EQ(launcher.Screen()->m_rect, (Rect{0, 0, 945, 680}));
    for (size_t i = 0; i < kRectsAt96.size(); ++i)
        EXPECT_EQ(launcher.Screen()->m_children[i]->m_rect, ScaleRectByDpi(kRectsAt96[i], 144)) << "slot " << i;
    EXPECT_FALSE(g_installButton->m_visible) << "state survives the change";
    EXPECT_TRUE(g_progressBar->m_visible);
    ASSERT_FALSE(windows.repaints.empty());
    EXPECT_TRUE(windows.repaints.back().whole);

    // The background: the 200 % picture, drawn at the window's size.
    EXPECT_EQ(launcher.Background()->Set(), 2);
    graphics.log.clear();
    launcher.Paint(reinterpret_cast<DeviceContext>(0x2000));
    ASSERT_FALSE(graphics.Drawing().empty());
    EXPECT_EQ(graphics.Drawing()[0], "image 320 at 0,0 size 945,740");
    launcher.Release();
}

TEST_F(ScreenLayout, InstallButtonStyleFollowsItsState)
{
    Start();
    struct StyleCase {
        uint8_t state;
        BorderStyle border;
        FillStyle fill;
    };
    const StyleCase cases[] = {
        {BTN_NORMAL, {255, 0, 0, 0, 0, 1, 0xE6E6E6, 4}, {0, 0xFFFFFF, 0}},
        {BTN_DISABLED, {255, 0, 0, 0, 0, 1, 0xE6E6E6, 4}, {0, 0xFFFFFF, 0}},
        {BTN_HOVER, {0, 0, 0, 0, 0, -1, 0xFFFFFF, 0}, {255, 0xFFAE00, 4}},
        {BTN_PRESSED, {0, 0, 0, 0, 0, -1, 0xFFFFFF, 0}, {255, 0xB37A00, 4}},
    };
    for (const StyleCase& c : cases) {
        SCOPED_TRACE(int(c.state));
        g_installButton->m_state = c.state;
        ApplyInstallButtonStyle(g_installButton);
        const BorderStyle& b = g_installButton->m_border;
        EXPECT_EQ((std::vector<int32_t>{b.alpha, b.top, b.right, b.bottom, b.left, b.width, b.colour, b.radius}),
                  (std::vector<int32_t>{c.border.alpha, c.border.top, c.border.right, c.border.bottom,
                                        c.border.left, c.border.width, c.border.colour, c.border.radius}));
        EXPECT_EQ(g_installButton->m_fill.alpha, c.fill.alpha);
        EXPECT_EQ(g_installButton->m_fill.colour, c.fill.colour);
        EXPECT_EQ(g_installButton->m_fill.radius, c.fill.radius);
        EXPECT_EQ(g_installButton->m_textStyle.family, L"微软雅黑");
        EXPECT_EQ(g_installButton->m_textStyle.size, 18);
        EXPECT_EQ(g_installButton->m_textStyle.colour, 0xE6E6E6u);
        EXPECT_EQ(g_installButton->m_textStyle.align, 0u);
    }
    // Installed as the callback: the mouse restyles it before the repaint.
    g_installButton->m_state = BTN_NORMAL;
    g_installButton->OnMouseEnter();
    EXPECT_EQ(g_installButton->m_fill.colour, 0xFFAE00);
}

}  // namespace
