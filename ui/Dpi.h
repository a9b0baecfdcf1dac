#pragma once
// Screen scale: the window is designed at 96 DPI and drawn at the DPI of
// the screen it is on, every length scaled by DPI / 96. Lengths are scaled
// one edge at a time, so that elements that touch at 96 DPI still touch.
#include <cstdint>

#include "platform/Types.h"

constexpr int32_t kBaseDpi = 96;

// Resource ids of the pictures drawn at 200 %: the 100 % picture's id plus
// this.
constexpr uint16_t kDoubleSizePictureOffset = 100;

// value x numerator / denominator, rounded to the nearest integer (halves
// away from zero); denominator above 0. Every length the window scales is
// rounded by this one rule.
int32_t ScaleRounded(int32_t value, int32_t numerator, int32_t denominator);

// value x dpi / 96, rounded to the nearest integer (halves away from zero).
// A dpi of 0 or less counts as 96.
int32_t ScaleByDpi(int32_t value, int32_t dpi);
// The inverse: value x 96 / dpi, rounded the same way.
int32_t UnscaleByDpi(int32_t value, int32_t dpi);
// Each edge scaled by ScaleByDpi.
Rect ScaleRectByDpi(const Rect& rect, int32_t dpi);

// The picture set drawn at dpi: 1 (the 100 % pictures) up to 96 DPI, 2 (the
// 200 % pictures, scaled down or, above 192 DPI, up) above it.
int32_t PictureSetForDpi(int32_t dpi);

// Pixels per point at dpi, relative to 96 DPI: a font of s points is drawn
// s x 96 / 72 x FontScaleForDpi(dpi) pixels high.
float FontScaleForDpi(int32_t dpi);
