#include "app/WindowShape.h"

#include <cstddef>

#include "ui/Dpi.h"

namespace {

constexpr uint32_t kMaxCutAlpha = 30;

bool Kept(uint32_t argb)
{
    return (argb >> 24) > kMaxCutAlpha;
}

}  // namespace

std::vector<Rect> OpaqueRuns(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride)
{
    std::vector<Rect> runs;
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * static_cast<size_t>(stride);
        int32_t x = 0;
        while (x < width) {
            while (x < width && !Kept(row[x]))
                ++x;
            if (x == width)
                break;
            int32_t start = x;
            while (x < width && Kept(row[x]))
                ++x;
            runs.push_back(Rect{start, y, x, y + 1});
        }
    }
    return runs;
}

std::vector<Rect> ScaleRuns(const std::vector<Rect>& runs, int32_t width, int32_t height, int32_t numerator,
                            int32_t denominator)
{
    if (numerator == denominator || numerator <= 0 || denominator <= 0 || height <= 0)
        return numerator == denominator ? runs : std::vector<Rect>();
    // Where each source row's runs begin in the list (runs come in row
    // order); an empty row keeps the end of the list.
    std::vector<size_t> rowStart(static_cast<size_t>(height) + 1, runs.size());
    for (size_t i = runs.size(); i-- > 0;) {
        if (runs[i].top >= 0 && runs[i].top < height)
            rowStart[static_cast<size_t>(runs[i].top)] = i;
    }

    std::vector<Rect> scaled;
    const int32_t scaledWidth = ScaleRounded(width, numerator, denominator);
    const int32_t scaledHeight = ScaleRounded(height, numerator, denominator);
    for (int32_t y = 0; y < scaledHeight; ++y) {
        // The source row under the centre of row y: floor((y + 0.5) x d / n).
        const int64_t source = (static_cast<int64_t>(2 * y + 1) * denominator) / (2 * static_cast<int64_t>(numerator));
        if (source >= height)
            break;
        for (size_t i = rowStart[static_cast<size_t>(source)]; i < runs.size() && runs[i].top == source; ++i) {
            const int32_t left = ScaleRounded(runs[i].left, numerator, denominator);
            const int32_t right = scaledWidth - ScaleRounded(width - runs[i].right, numerator, denominator);
            if (right > left)
                scaled.push_back(Rect{left, y, right, y + 1});
        }
    }
    return scaled;
}
