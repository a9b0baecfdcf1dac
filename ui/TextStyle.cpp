#include "ui/TextStyle.h"

namespace {

// One axis: a four-bit field that is exactly `nearValue` or `farValue`
// aligns to that edge; any other value centres.
TextAlign AxisAlign(uint32_t field, uint32_t nearValue, uint32_t farValue)
{
    if (field == nearValue)
        return TextAlign::Near;
    if (field == farValue)
        return TextAlign::Far;
    return TextAlign::Center;
}

}  // namespace

TextAlign HorizontalAlign(uint32_t align)
{
    return AxisAlign(align & 0x0F, ALIGN_LEFT, ALIGN_RIGHT);
}

TextAlign VerticalAlign(uint32_t align)
{
    return AxisAlign(align & 0xF0, ALIGN_TOP, ALIGN_BOTTOM);
}
