#pragma once
#include <cstdint>

// The background of a text button.
struct FillStyle {
    int32_t alpha = 255;        // 0 to 255; no background unless above 0
    int32_t colour = 0xFFFFFF;  // RGB, red in the lowest byte
    int32_t radius = 0;         // corner radius; 0 or less square
};
