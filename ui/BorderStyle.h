#pragma once
#include <cstdint>

// The outline of a text button.
struct BorderStyle {
    int32_t alpha = 0;   // 0 to 255; no outline unless above 0
    // With a width below 1 only single sides are drawn: top and left when
    // above 0, right and bottom that many pixels in from their edge.
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t left = 0;
    int32_t width = -1;  // 1 or more: the whole outline as one rectangle
    int32_t colour = 0xFFFFFF;  // RGB, red in the lowest byte
    int32_t radius = 0;  // corner radius of the whole outline; 0 or less square

    // No outline at all.
    static BorderStyle None() { return BorderStyle{}; }
    // The whole outline as one rectangle width pixels wide.
    static BorderStyle Outline(int32_t alpha, int32_t width, int32_t colour, int32_t radius)
    {
        BorderStyle border;
        border.alpha = alpha;
        border.width = width;
        border.colour = colour;
        border.radius = radius;
        return border;
    }
};
