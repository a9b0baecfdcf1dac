// Pictures decoded from the resources of this program with real GDI+.
#include <cstdlib>
#include <cstring>

#include "platform/win/GdiplusHandles.h"
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
    Snap();
    EXPECT_EQ(InkBounds(), (Rect{630, 453, 0, 0})) << "nothing drawn";
}

TEST_F(WinUiTest, BackgroundIsDrawnInItsOwnSizeWithItsTransparentFoot)
{
    CResImage background;
    ASSERT_TRUE(background.LoadFromResource(220));
    background.DrawAt(canvas.Dc(), 0, 0);
    Snap();
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
        Clear();
        CImageBtn* button = Add(new CImageBtn(nullptr, 250, 0));
        button->m_rect = Rect{10, 10, 0, 0};
        button->FitToContent();
        ASSERT_EQ(button->m_rect, (Rect{10, 10, 35, 14}));
        button->m_state = state;
        Paint();
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
    Paint();
    EXPECT_EQ(InkBounds(), (Rect{0, 0, 204, 40}));
    EXPECT_EQ(Rgb(100, 20), 0x0000FFu) << "third frame, scaled";
    EXPECT_EQ(Rgb(201, 20), 0xFF00FFu) << "the whole picture, leftover columns included";
}

namespace {

// Decodes resource id of this program with GDI+ alone, as a reference.
ScopedGpImage DecodeDirectly(uint16_t id)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2020));
    if (info == nullptr)
        return ScopedGpImage();
    const DWORD size = SizeofResource(module, info);
    const void* bytes = LockResource(LoadResource(module, info));
    ScopedGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE, size));
    if (bytes == nullptr || !block)
        return ScopedGpImage();
    ScopedGlobalLock lock = LockGlobal(block.Get());
    std::memcpy(lock.Get().data, bytes, size);
    ScopedStream stream;
    if (FAILED(CreateStreamOnHGlobal(block.Get(), FALSE, stream.Out())))
        return ScopedGpImage();
    Gdiplus::GpImage* image = nullptr;
    Gdiplus::DllExports::GdipLoadImageFromStream(stream.Get(), &image);
    // A bitmap of its own, so that it outlives the stream and the block.
    Gdiplus::GpBitmap* copy = nullptr;
    if (image != nullptr) {
        UINT w = 0, h = 0;
        Gdiplus::DllExports::GdipGetImageWidth(image, &w);
        Gdiplus::DllExports::GdipGetImageHeight(image, &h);
        Gdiplus::DllExports::GdipCloneBitmapAreaI(0, 0, static_cast<INT>(w), static_cast<INT>(h), PixelFormat32bppARGB,
                                                  static_cast<Gdiplus::GpBitmap*>(image), &copy);
        Gdiplus::DllExports::GdipDisposeImage(image);
    }
    return ScopedGpImage(copy);
}

}  // namespace

TEST_F(WinUiTest, SkinIsPaintedAsGdiplusPaintsTheDecodedPng)
{
    // Over a grey, so that every partly transparent pixel shows its blend.
    struct Case {
        uint16_t id;
        int32_t srcX, srcWidth;  // srcWidth 0: the whole picture
    };
    const Case cases[] = {{220, 0, 0}, {205, 0, 0}, {204, 0, 0}, {229, 0, 0}, {228, 0, 117},
                          {215, 50, 25}, {226, 25, 25}};
    std::vector<uint32_t> grey(630 * 453, 0x5A5A5Au);
    for (const Case& c : cases) {
        CResImage image;
        ASSERT_TRUE(image.LoadFromResource(c.id));
        int32_t w = 0, h = 0;
        image.GetSize(w, h);
        const int32_t sw = c.srcWidth == 0 ? w : c.srcWidth;

        ASSERT_TRUE(canvas.WritePixels(grey));
        ScopedGpImage reference = DecodeDirectly(c.id);
        ASSERT_TRUE(reference) << c.id;
        {
            Gdiplus::GpGraphics* raw = nullptr;
            ASSERT_EQ(Gdiplus::DllExports::GdipCreateFromHDC(canvas.Dc(), &raw), Gdiplus::Ok);
            ScopedGpGraphics g(raw);
            Gdiplus::DllExports::GdipDrawImageRectRectI(g.Get(), reference.Get(), 0, 0, sw, h, c.srcX, 0, sw, h,
                                                        Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
        }
        Snap();
        const std::vector<uint32_t> expected = pixels;

        ASSERT_TRUE(canvas.WritePixels(grey));
        if (c.srcWidth == 0)
            image.DrawAt(canvas.Dc(), 0, 0);
        else
            image.DrawPart(canvas.Dc(), Rect{0, 0, sw, h}, c.srcX, sw, h);
        Snap();

        int worst = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            for (int shift = 0; shift < 24; shift += 8) {
                const int d = std::abs(static_cast<int>((pixels[i] >> shift) & 0xFF) -
                                       static_cast<int>((expected[i] >> shift) & 0xFF));
                worst = d > worst ? d : worst;
            }
        }
        EXPECT_LE(worst, 1) << "picture " << c.id;
    }
}

TEST_F(WinUiTest, PixelsReadBackAreTheDecodedPngsBeforeAndAfterTheFirstDraw)
{
    // Pictures with opaque, partly transparent and fully transparent rows;
    // read while the decoded picture is kept and again from its bands alone.
    for (uint16_t id : {uint16_t{220}, uint16_t{205}, uint16_t{215}}) {
        CResImage image;
        ASSERT_TRUE(image.LoadFromResource(id));
        ScopedGpImage reference = DecodeDirectly(id);
        ASSERT_TRUE(reference) << id;
        int32_t w = 0, h = 0;
        image.GetSize(w, h);
        Gdiplus::GpRect all(0, 0, w, h);
        Gdiplus::BitmapData data = {};
        auto* bitmap = static_cast<Gdiplus::GpBitmap*>(reference.Get());
        ASSERT_EQ(Gdiplus::DllExports::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead,
                                                          PixelFormat32bppARGB, &data),
                  Gdiplus::Ok);
        for (const char* when : {"before", "after"}) {
            // The alpha everywhere, the colour where the picture is opaque
            // (elsewhere it may come premultiplied).
            int differing = 0;
            const bool read = image.ReadPixels([&](const uint32_t* pixels, int32_t stride) {
                for (int32_t y = 0; y < h; ++y) {
                    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(data.Scan0) +
                                                                        y * data.Stride);
                    for (int32_t x = 0; x < w; ++x) {
                        const uint32_t mask = (row[x] >> 24) == 0xFF ? 0xFFFFFFFFu : 0xFF000000u;
                        differing += (pixels[y * stride + x] & mask) != (row[x] & mask);
                    }
                }
            });
            EXPECT_TRUE(read) << id << " " << when;
            EXPECT_EQ(differing, 0) << "picture " << id << ", " << when << " the first draw";
            image.DrawAt(canvas.Dc(), 0, 0);
        }
        Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap, &data);
    }
}
