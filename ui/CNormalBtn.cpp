#include "ui/CNormalBtn.h"

#include <vector>

#include "ui/Colour.h"
#include "ui/StyledText.h"
#include "ui/UiPlatform.h"

namespace {

// The single sides of a border thinner than one pixel, in the order left,
// top, right, bottom; each only when its field is above 0.
std::vector<Line> SideLines(const BorderStyle& border, int32_t x, int32_t y, int32_t w, int32_t h)
{
    std::vector<Line> lines;
    if (border.left > 0)
        lines.push_back(Line{x, y, x, y + h});
    if (border.top > 0)
        lines.push_back(Line{x, y, x + w, y});
    if (border.right > 0)
        lines.push_back(Line{x + w - border.right, y, x + w - border.right, y + h});
    if (border.bottom > 0)
        lines.push_back(Line{x, y + h - border.bottom, x + w, y + h - border.bottom});
    return lines;
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
        if (m_fill.radius > 0)
            surface->FillRoundedRectangle(colour, x, y, w, h, m_fill.radius, m_fill.radius);
        else
            surface->FillRectangle(colour, x, y, w, h);
    }

    if (m_border.alpha > 0) {
        const PenSpec pen{ToArgb(static_cast<uint32_t>(m_border.alpha), static_cast<uint32_t>(m_border.colour)),
                          static_cast<float>(m_border.width)};
        if (m_border.width >= 1) {
            // The pen is centred on the outline: pulling the right and bottom
            // edges in by its width keeps the outline inside the rectangle.
            const int32_t ow = w - m_border.width;
            const int32_t oh = h - m_border.width;
            if (m_border.radius > 0)
                surface->DrawRoundedRectangle(pen, x, y, ow, oh, m_border.radius, m_border.radius);
            else
                surface->DrawRectangle(pen, x, y, ow, oh);
        } else {
            const std::vector<Line> lines = SideLines(m_border, x, y, w, h);
            if (!lines.empty())
                surface->DrawLines(pen, lines);
        }
    }

    if (!m_text.empty())
        DrawStyledText(*surface, m_text, m_textStyle, area);
}
