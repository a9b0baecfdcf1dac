#include "ui/Dpi.h"

namespace {

int32_t ValidDpi(int32_t dpi)
{
    return dpi > 0 ? dpi : kBaseDpi;
}

// numerator / denominator rounded to the nearest integer, halves away from
// zero; denominator above 0.
int32_t RoundedQuotient(int64_t numerator, int64_t denominator)
{
    if (numerator >= 0)
        return static_cast<int32_t>((numerator + denominator / 2) / denominator);
    return -static_cast<int32_t>((-numerator + denominator / 2) / denominator);
}

}  // namespace

int32_t ScaleRounded(int32_t value, int32_t numerator, int32_t denominator)
{
    return RoundedQuotient(static_cast<int64_t>(value) * numerator, denominator);
}

int32_t ScaleByDpi(int32_t value, int32_t dpi)
{
    return ScaleRounded(value, ValidDpi(dpi), kBaseDpi);
}

int32_t UnscaleByDpi(int32_t value, int32_t dpi)
{
    return ScaleRounded(value, kBaseDpi, ValidDpi(dpi));
}

Rect ScaleRectByDpi(const Rect& rect, int32_t dpi)
{
    return Rect{ScaleByDpi(rect.left, dpi), ScaleByDpi(rect.top, dpi), ScaleByDpi(rect.right, dpi),
                ScaleByDpi(rect.bottom, dpi)};
}

int32_t PictureSetForDpi(int32_t dpi)
{
    return ValidDpi(dpi) > kBaseDpi ? 2 : 1;
}

float FontScaleForDpi(int32_t dpi)
{
    return static_cast<float>(ValidDpi(dpi)) / static_cast<float>(kBaseDpi);
}
