#pragma once
// An off-screen picture like the one the window paints into: a memory device
// context compatible with the screen and a compatible bitmap selected into
// it. Its pixels can be read back and written as a whole, and it is copied
// to a window by an explicit call.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/win/ScopedHandles.h"

class OffscreenBitmap {
public:
    // Check Valid(): it fails without a screen to be compatible with, or
    // when the system cannot make a bitmap of that size.
    OffscreenBitmap(int32_t width, int32_t height);

    bool Valid() const { return m_selection.Valid(); }
    HDC Dc() const { return m_dc.Get(); }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

    // Copies the whole picture to target with its top-left corner at (x, y).
    bool CopyTo(HDC target, int32_t x = 0, int32_t y = 0) const;

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
    // Released in reverse order: the bitmap is deselected before it is
    // deleted, and deleted before its device context.
    ScopedMemoryDc m_dc;
    ScopedBitmap m_bitmap;
    ScopedSelection m_selection;
};

// Paints an area of target without flicker: paint draws, in target's own
// coordinates, into an off-screen bitmap of the area's size only, which is
// then copied to the area in one step. A window that repaints its progress
// bar thus needs a bitmap of the bar, not of the whole window. When no
// off-screen bitmap can be made, paint draws straight onto target, so that
// the window is never left blank.
void PaintBuffered(HDC target, const RECT& area, const std::function<void(HDC dc)>& paint);
