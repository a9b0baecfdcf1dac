#pragma once
#include <windows.h>

#include <cstdint>

// The window region of a PNG resource (type 2020) by the plain per-pixel
// rule, as a yardstick for CreateRegionFromImage: start from the image's
// whole rectangle, read every pixel with GdipBitmapGetPixel (a failed read
// repeats the last value read, opaque black before the first) and remove
// each pixel whose alpha is 30 or less by combining a 1 x 1 rectangle with
// exclusive or. Null when the resource is missing or cannot be decoded. The
// caller owns the region. GDI+ must be running.
HRGN CreatePerPixelRegion(HINSTANCE instance, uint16_t id);
