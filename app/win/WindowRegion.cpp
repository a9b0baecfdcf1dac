// The window's shape from the alpha channel of the background picture: the
// picture the window paints anyway, read once, turned into row runs and made
// into one region in a single call.
#include "app/win/WindowRegion.h"

#include "app/WindowShape.h"
#include "ui/CResImage.h"
#include "ui/Dpi.h"

ScopedRegion CreateRegionFromRuns(const std::vector<Rect>& runs, int32_t width, int32_t height)
{
    // A header followed by the rectangles.
    std::vector<uint8_t> buffer(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* region = reinterpret_cast<RGNDATA*>(buffer.data());
    region->rdh.dwSize = sizeof(RGNDATAHEADER);
    region->rdh.iType = RDH_RECTANGLES;
    region->rdh.nCount = static_cast<DWORD>(runs.size());
    region->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    region->rdh.rcBound = RECT{0, 0, width, height};
    auto* rects = reinterpret_cast<RECT*>(region->Buffer);
    for (size_t i = 0; i < runs.size(); ++i)
        rects[i] = RECT{runs[i].left, runs[i].top, runs[i].right, runs[i].bottom};
    return ScopedRegion(ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), region));
}

ScopedRegion CreateRegionFromImage(const CResImage& image, int32_t dpi)
{
    int32_t width = 0;
    int32_t height = 0;
    image.GetSize(width, height);
    std::vector<Rect> runs;
    if (width <= 0 || height <= 0 ||
        !image.ReadPixels([&](const uint32_t* pixels, int32_t stride) {
            runs = OpaqueRuns(pixels, width, height, stride);
        }))
        return ScopedRegion();
    // A picture of set s is drawn at dpi / (96 x s) of its size.
    const int32_t numerator = dpi > 0 ? dpi : kBaseDpi;
    const int32_t denominator = kBaseDpi * image.Set();
    const std::vector<Rect> scaled = ScaleRuns(runs, width, height, numerator, denominator);
    return CreateRegionFromRuns(scaled, ScaleRounded(width, numerator, denominator),
                                ScaleRounded(height, numerator, denominator));
}
