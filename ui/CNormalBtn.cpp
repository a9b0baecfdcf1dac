#include "ui/CNormalBtn.h"

#include <vector>

#include "ui/Colour.h"
#include "ui/StyledText.h"
#include "ui/UiPlatform.h"

namespace {

// The single sides of a border thinner than one pixel, in the order left,
// top, right, bottom; each only when its field is above 0. The right and
// bottom insets are scaled to dpi.
std::vector<Line> SideLines(const BorderStyle& border, int32_t x, int32_t y, int32_t w, int32_t h, int32_t dpi)
{
    std::vector<Line> lines;
    const int32_t right = ScaleByDpi(border.right, dpi);
    const int32_t bottom = ScaleByDpi(border.bottom, dpi);
    if (border.left > 0)
        lines.push_back(Line{x, y, x, y + h});
    if (border.top > 0)
        lines.push_back(Line{x, y, x + w, y});
    if (border.right > 0)
        lines.push_back(Line{x + w - right, y, x + w - right, y + h});
    if (border.bottom > 0)
        lines.push_back(Line{x, y + h - bottom, x + w, y + h - bottom});
    return lines;
}

// A line width scaled to dpi; a visible width stays at least one pixel.
int32_t LineWidth(int32_t width, int32_t dpi)
{
    const int32_t scaled = ScaleByDpi(width, dpi);
    return width >= 1 && scaled < 1 ? 1 : scaled;
}

}  // namespace

void CNormalBtn::Draw(DeviceContext dc)
{
    if (!m_visible)
        return;
    std::unique_ptr<ISurface> surface = OpenUiSurface(dc);
    if (surface == nullptr)
        return;
    const Rect area = AbsoluteRect();
    const int32_t x = area.left;
    const int32_t y = area.top;
    const int32_t w = area.Width();
    const int32_t h = area.Height();

    if (m_fill.alpha > 0) {
        const Argb colour = ToArgb(static_cast<uint32_t>(m_fill.alpha), static_cast<uint32_t>(m_fill.colour));
        const int32_t radius = ScaleByDpi(m_fill.radius, m_dpi);
        if (m_fill.radius > 0)
            surface->FillRoundedRectangle(colour, x, y, w, h, radius, radius);
        else
            surface->FillRectangle(colour, x, y, w, h);
    }

    if (m_border.alpha > 0) {
        const int32_t width = LineWidth(m_border.width, m_dpi);
        const PenSpec pen{ToArgb(static_cast<uint32_t>(m_border.alpha), static_cast<uint32_t>(m_border.colour)),
                          static_cast<float>(width)};
        if (m_border.width >= 1) {
            // The pen is centred on the outline: pulling the right and bottom
            // edges in by its width keeps the outline inside the rectangle.
            const int32_t ow = w - width;
            const int32_t oh = h - width;
            const int32_t radius = ScaleByDpi(m_border.radius, m_dpi);
            if (m_border.radius > 0)
                surface->DrawRoundedRectangle(pen, x, y, ow, oh, radius, radius);
            else
                surface->DrawRectangle(pen, x, y, ow, oh);
        } else {
            const std::vector<Line> lines = SideLines(m_border, x, y, w, h, m_dpi);
            if (!lines.empty())
                surface->DrawLines(pen, lines);
        }
    }

    if (m_focusCue) {
        // Four filled bars rather than a pen: they stay sharp when a rounded
        // shape has switched the surface to anti-aliasing.
        const int32_t inset = ScaleByDpi(kFocusInset, m_dpi);
        const int32_t t = LineWidth(1, m_dpi);
        const int32_t fx = x + inset;
        const int32_t fy = y + inset;
        const int32_t fw = w - 2 * inset;
        const int32_t fh = h - 2 * inset;
        if (fw > 2 * t && fh > 2 * t) {
            const Argb colour = ToArgb(0xFF, m_textStyle.colour);
            surface->FillRectangle(colour, fx, fy, fw, t);
            surface->FillRectangle(colour, fx, fy + fh - t, fw, t);
            surface->FillRectangle(colour, fx, fy + t, t, fh - 2 * t);
            surface->FillRectangle(colour, fx + fw - t, fy + t, t, fh - 2 * t);
        }
    }

    if (!m_text.empty())
        DrawStyledText(*surface, m_text, m_textStyle, area, m_dpi);
}
