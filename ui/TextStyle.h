#pragma once
#include <cstdint>
#include <string>

#include "platform/Graphics.h"

// Alignment flags of TextStyle::align. The low four bits place the text
// horizontally: exactly ALIGN_LEFT or ALIGN_RIGHT, anything else centres.
// Bits 4 to 7 place it vertically: exactly ALIGN_TOP or ALIGN_BOTTOM,
// anything else centres. So 0 centres both ways and 0x11 is the top left.
constexpr uint32_t ALIGN_LEFT = 0x01;
constexpr uint32_t ALIGN_RIGHT = 0x04;
constexpr uint32_t ALIGN_TOP = 0x10;
constexpr uint32_t ALIGN_BOTTOM = 0x40;

// How a text looks.
struct TextStyle {
    std::wstring family = L"\u5FAE\u8F6F\u96C5\u9ED1";  // 微软雅黑
    int32_t size = 12;         // points
    int32_t style = 0;         // font style flags, 0 regular
    uint32_t colour = 0xFFFFFF;  // RGB, red in the lowest byte; drawn opaque
    uint32_t align = 0;        // ALIGN_* flags
};

TextAlign HorizontalAlign(uint32_t align);
TextAlign VerticalAlign(uint32_t align);
