// The window's double buffer with real GDI: what is painted reaches the
// target, through an off-screen bitmap when one can be made and straight
// onto the target when not.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/win/OffscreenBitmap.h"
#include "platform/win/ScopedHandles.h"

namespace {

constexpr uint32_t kRed = 0x00FF0000;  // 0x00RRGGBB, as OffscreenBitmap reads it

TEST(PaintBuffered, PaintReachesTheTargetWithOrWithoutAnOffscreenBitmap)
{
    struct Case {
        const char* name;
        int32_t width;
        int32_t height;
        bool buffered;
    };
    // 65536 x 65536 pixels of 32 bits do not fit a 32-bit address space.
    const Case cases[] = {{"fits", 8, 8, true}, {"too large for a bitmap", 65536, 65536, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OffscreenBitmap target(8, 8);
        ASSERT_TRUE(target.Valid());
        target.Fill(0);
        HDC painted = nullptr;
        PaintBuffered(target.Dc(), c.width, c.height, [&](HDC dc) {
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

}  // namespace
