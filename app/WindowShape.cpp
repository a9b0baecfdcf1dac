#include "app/WindowShape.h"

#include <cstddef>

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
