// The window's double buffer with real GDI and GDI+: what is painted
// reaches the target, through an off-screen bitmap when one can be made and
// straight onto the target when not, and a buffer for part of the target
// puts what is drawn in target coordinates at its place.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include "platform/win/OffscreenBitmap.h"
#include "platform/win/ScopedHandles.h"

namespace {

constexpr uint32_t kRed = 0x00FF0000;  // 0x00RRGGBB, as OffscreenBitmap reads it

TEST(PaintBuffered, PaintReachesTheTargetWithOrWithoutAnOffscreenBitmap)
{
    struct Case {
        const char* name;
        RECT area;
        bool buffered;
    };
    // 65536 x 65536 pixels of 32 bits do not fit a 32-bit address space.
    const Case cases[] = {{"fits", {0, 0, 8, 8}, true}, {"too large for a bitmap", {0, 0, 65536, 65536}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OffscreenBitmap target(8, 8);
        ASSERT_TRUE(target.Valid());
        target.Fill(0);
        HDC painted = nullptr;
        PaintBuffered(target.Dc(), c.area, [&](HDC dc) {
            painted = dc;
            ScopedGdiObject brush(CreateSolidBrush(RGB(0xFF, 0, 0)));
            RECT all{0, 0, 8, 8};
            FillRect(dc, &all, static_cast<HBRUSH>(brush.Get()));
        });
        EXPECT_EQ(painted != target.Dc(), c.buffered);
        const std::vector<uint32_t> pixels = target.ReadPixels();
        ASSERT_EQ(pixels.size(), 64u);
        for (uint32_t p : pixels)
            ASSERT_EQ(p, kRed);
    }
}

TEST(PaintBuffered, APartOfTheTargetGetsWhatIsDrawnThereInTargetCoordinates)
{
    OffscreenBitmap target(8, 8);
    ASSERT_TRUE(target.Valid());
    target.Fill(0);
    const RECT area{2, 3, 6, 7};
    PaintBuffered(target.Dc(), area, [](HDC dc) {
        // The whole target red with GDI, then with GDI+ a blue pixel at
        // (2, 3), the area's first, and one at (7, 7), outside it.
        ScopedGdiObject brush(CreateSolidBrush(RGB(0xFF, 0, 0)));
        RECT all{0, 0, 8, 8};
        FillRect(dc, &all, static_cast<HBRUSH>(brush.Get()));
        Gdiplus::GpGraphics* graphics = nullptr;
        ASSERT_EQ(Gdiplus::DllExports::GdipCreateFromHDC(dc, &graphics), Gdiplus::Ok);
        Gdiplus::GpSolidFill* blue = nullptr;
        ASSERT_EQ(Gdiplus::DllExports::GdipCreateSolidFill(0xFF0000FF, &blue), Gdiplus::Ok);
        Gdiplus::DllExports::GdipFillRectangleI(graphics, blue, 2, 3, 1, 1);
        Gdiplus::DllExports::GdipFillRectangleI(graphics, blue, 7, 7, 1, 1);
        Gdiplus::DllExports::GdipDeleteBrush(blue);
        Gdiplus::DllExports::GdipDeleteGraphics(graphics);
    });
    const std::vector<uint32_t> pixels = target.ReadPixels();
    ASSERT_EQ(pixels.size(), 64u);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inArea = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
            const uint32_t expected = (x == 2 && y == 3) ? 0x000000FFu : inArea ? kRed : 0u;
            EXPECT_EQ(pixels[y * 8 + x], expected) << "at (" << x << ", " << y << ")";
        }
    }
}

}  // namespace
