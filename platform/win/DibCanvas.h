#pragma once
// An off-screen 32-bit picture that GDI and GDI+ can draw on: a top-down DIB
// section selected into a memory device context, with its pixels readable
// in place.
#include <windows.h>

#include <cstdint>

#include "platform/win/GdiplusHandles.h"

class DibCanvas {
public:
    // Starts with every pixel 0 (black, alpha 0). Check Valid().
    DibCanvas(int32_t width, int32_t height);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    bool Valid() const { return m_bits != nullptr; }
    HDC Dc() const { return m_dc.Get(); }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

    // The pixel as 0xAARRGGBB (blue in the lowest byte), after every pending
    // GDI drawing has reached the bits; 0 outside the canvas.
    uint32_t Pixel(int32_t x, int32_t y) const;
    // Sets every pixel to value (0xAARRGGBB).
    void Fill(uint32_t value);
    // Width x Height pixels, row after row from the top.
    const uint32_t* Bits() const;

private:
    int32_t m_width;
    int32_t m_height;
    ScopedMemoryDc m_dc;
    ScopedGdiObject m_bitmap;
    HGDIOBJ m_previous = nullptr;
    uint32_t* m_bits = nullptr;
};
