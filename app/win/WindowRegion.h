#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/Types.h"
#include "platform/win/ScopedHandles.h"
#include "ui/Dpi.h"

class CResImage;

// One region made of row runs (see OpaqueRuns) of a width x height image.
ScopedRegion CreateRegionFromRuns(const std::vector<Rect>& runs, int32_t width, int32_t height);

// The region of the pixels of an already decoded picture whose alpha is
// above 30, scaled from the picture's set to dpi (see ScaleRuns); empty when
// the holder is empty or its pixels cannot be read.
ScopedRegion CreateRegionFromImage(const CResImage& image, int32_t dpi = kBaseDpi);
