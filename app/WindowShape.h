#pragma once
#include <cstdint>
#include <vector>

#include "platform/Types.h"

// The window's shape from the background image: a pixel belongs to the
// window when its alpha is above 30. Returns the shape as horizontal runs
// (one rectangle per run of kept pixels in a row), in row order, which a
// region is built from in one step. pixels are 32-bit ARGB values, row by
// row, stride counted in pixels.
std::vector<Rect> OpaqueRuns(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride);

// The same shape, height rows high, scaled by numerator / denominator (both
// above 0): the result is height x numerator / denominator rows high
// (rounded), each of its rows takes the runs of the source row under the
// row's centre, and each run's left and right edges are scaled and rounded
// (runs that round to nothing are dropped). Equal numerator and denominator
// give the runs unchanged.
std::vector<Rect> ScaleRuns(const std::vector<Rect>& runs, int32_t height, int32_t numerator, int32_t denominator);
