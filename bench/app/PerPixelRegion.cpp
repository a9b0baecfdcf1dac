#include "bench/app/PerPixelRegion.h"

#include "bench/app/ResourceImage.h"

using namespace Gdiplus::DllExports;

HRGN CreatePerPixelRegion(HINSTANCE instance, uint16_t id)
{
    ResourceImage image(instance, id);
    if (!image.Valid())
        return nullptr;
    HRGN region = CreateRectRgn(0, 0, image.Width(), image.Height());
    if (region == nullptr)
        return nullptr;
    Gdiplus::ARGB last = 0xFF000000;
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) {
            Gdiplus::ARGB pixel = 0;
            if (GdipBitmapGetPixel(image.Bitmap(), x, y, &pixel) == Gdiplus::Ok)
                last = pixel;
            if ((last >> 24) > 30)
                continue;
            ScopedRegion dot(CreateRectRgn(x, y, x + 1, y + 1));
            if (!dot)
                continue;
            CombineRgn(region, region, dot.Get(), RGN_XOR);
        }
    }
    return region;
}
