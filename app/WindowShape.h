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

// The same shape, width x height, scaled by numerator / denominator (both
// above 0) to the scaled width and height (each rounded): each row of the
// result takes the runs of the source row under the row's centre; a run's
// left edge is its distance from the left side scaled and rounded, its
// right edge its distance from the right side, so that a symmetric shape
// stays symmetric. Runs that round to nothing are dropped. Equal numerator
// and denominator give the runs unchanged.
std::vector<Rect> ScaleRuns(const std::vector<Rect>& runs, int32_t width, int32_t height, int32_t numerator,
                            int32_t denominator);
