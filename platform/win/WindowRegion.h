#pragma once
#include <windows.h>

#include <cstdint>

// The region of the pixels of a PNG resource (type 2020) whose alpha is
// above 30, in the image's coordinates; null when the resource is missing
// or cannot be decoded. The caller owns the region. GDI+ must be running.
HRGN CreateRegionFromImage(HINSTANCE instance, uint16_t id);
