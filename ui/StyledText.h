#pragma once
// Text drawing shared by labels and text buttons.
#include <string>

#include "platform/Graphics.h"
#include "platform/Types.h"
#include "ui/Dpi.h"
#include "ui/TextStyle.h"

// The font of a style on a screen of dpi: its family, its size in points
// and its style flags, scaled by dpi / 96.
FontSpec FontOf(const TextStyle& style, int32_t dpi = kBaseDpi);

// Draws text opaque in the style's colour, font and alignment into rect.
void DrawStyledText(ISurface& surface, const std::wstring& text, const TextStyle& style, const Rect& rect,
                    int32_t dpi = kBaseDpi);

// The width and height, in pixels, that text takes when drawn in style.
// False when there is no drawing interface or no font can be made.
bool MeasureText(const TextStyle& style, const std::wstring& text, float& width, float& height,
                 int32_t dpi = kBaseDpi);
