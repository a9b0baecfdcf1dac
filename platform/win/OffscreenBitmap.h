#pragma once
// An off-screen picture like the one the window paints into: a memory device
// context compatible with the screen and a compatible bitmap selected into
// it. Its pixels can be read back and written as a whole.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/win/GdiplusHandles.h"

class OffscreenBitmap {
public:
    // Check Valid(): it fails without a screen to be compatible with.
    OffscreenBitmap(int32_t width, int32_t height);
    ~OffscreenBitmap();
    OffscreenBitmap(const OffscreenBitmap&) = delete;
    OffscreenBitmap& operator=(const OffscreenBitmap&) = delete;

    bool Valid() const { return m_previous != nullptr; }
    HDC Dc() const { return m_dc.Get(); }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

    // Every pixel as 0x00RRGGBB, row after row from the top; empty when the
    // bitmap cannot be read.
    std::vector<uint32_t> ReadPixels() const;
    // Replaces every pixel; pixels holds Width() x Height() values 0x00RRGGBB.
    bool WritePixels(const std::vector<uint32_t>& pixels);
    // Paints every pixel in one colour (0x00RRGGBB).
    void Fill(uint32_t rgb);

private:
    BITMAPINFO Format() const;

    int32_t m_width;
    int32_t m_height;
    ScopedMemoryDc m_dc;
    ScopedGdiObject m_bitmap;
    HGDIOBJ m_previous = nullptr;
};
