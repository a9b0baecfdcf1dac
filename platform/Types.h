#pragma once
#include <cstdint>

// Opaque handles of the platform: a window (HWND) and a device context (HDC)
// on Windows, anything a fake chooses in tests.
using WindowHandle = void*;
using DeviceContext = void*;

// A rectangle: right and bottom exclusive; a point is inside when
// left <= x < right and top <= y < bottom.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool Contains(int32_t x, int32_t y) const { return left <= x && x < right && top <= y && y < bottom; }
    Rect Offset(int32_t dx, int32_t dy) const { return Rect{left + dx, top + dy, right + dx, bottom + dy}; }
    // True when the two share a pixel (an empty rectangle shares none).
    bool Intersects(const Rect& o) const
    {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom && left < right && top < bottom;
    }
    bool operator==(const Rect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};
