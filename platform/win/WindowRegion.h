#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/Types.h"

class CResImage;

// One region made of row runs (see OpaqueRuns) of a width x height image.
// The caller owns the region.
HRGN CreateRegionFromRuns(const std::vector<Rect>& runs, int32_t width, int32_t height);

// The region of the pixels of an already decoded picture whose alpha is
// above 30, in the picture's coordinates; null when the holder is empty or
// its pixels cannot be read. The caller owns the region.
HRGN CreateRegionFromImage(const CResImage& image);
