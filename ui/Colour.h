#pragma once
#include <cstdint>

#include "platform/Graphics.h"

// Turns an RGB value laid out as a Windows colour reference (red in the
// lowest byte, then green, then blue; the highest byte ignored) and an alpha
// (only its low 8 bits count) into the drawing interface's ARGB.
constexpr Argb ToArgb(uint32_t alpha, uint32_t rgb)
{
    return ((alpha & 0xFFu) << 24) | ((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) | ((rgb >> 16) & 0xFFu);
}
