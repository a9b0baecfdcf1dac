#pragma once
#include <windows.h>

#include <cstdint>

#include "platform/win/GdiplusHandles.h"

// A GDI+ bitmap decoded from PNG resource (2020, id) of a module, through a
// stream over a movable copy of its bytes (the stream frees the copy, and
// GDI+ keeps the stream while the bitmap lives). Empty when the resource is
// missing or cannot be decoded. GDI+ must be running.
class ResourceImage {
public:
    ResourceImage(HINSTANCE instance, uint16_t id);

    bool Valid() const { return m_image.Valid(); }
    Gdiplus::GpBitmap* Bitmap() const { return static_cast<Gdiplus::GpBitmap*>(m_image.Get()); }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

    // The colour of pixel (x, y) when that pixel is opaque, so that it shows
    // on the screen exactly as in the image; false otherwise.
    bool OpaquePixel(int32_t x, int32_t y, COLORREF& colour) const;

private:
    ScopedGpImage m_image;
    int32_t m_width = 0;
    int32_t m_height = 0;
};
