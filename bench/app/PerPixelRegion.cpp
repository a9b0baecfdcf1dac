#include "bench/app/PerPixelRegion.h"

#include "bench/app/ResourceImage.h"

using namespace Gdiplus::DllExports;

HRGN CreatePerPixelRegion(HINSTANCE instance, uint16_t id)
{
    ScopedGpImage image = DecodeResourceImage(instance, id);
    if (!image)
        return nullptr;
    auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image.Get());
    UINT width = 0;
    UINT height = 0;
    GdipGetImageWidth(image.Get(), &width);
    GdipGetImageHeight(image.Get(), &height);
    HRGN region = CreateRectRgn(0, 0, static_cast<int>(width), static_cast<int>(height));
    if (region == nullptr)
        return nullptr;
    Gdiplus::ARGB last = 0xFF000000;
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            Gdiplus::ARGB pixel = 0;
            if (GdipBitmapGetPixel(bitmap, static_cast<INT>(x), static_cast<INT>(y), &pixel) == Gdiplus::Ok)
                last = pixel;
            if ((last >> 24) > 30)
                continue;
            HRGN dot = CreateRectRgn(static_cast<int>(x), static_cast<int>(y), static_cast<int>(x) + 1,
                                     static_cast<int>(y) + 1);
            if (dot == nullptr)
                continue;
            CombineRgn(region, region, dot, RGN_XOR);
            DeleteObject(dot);
        }
    }
    return region;
}
