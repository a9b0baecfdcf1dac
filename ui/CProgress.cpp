#include "ui/CProgress.h"

#include "ui/Dpi.h"

int32_t CompletedWidth(int32_t full, double fraction)
{
    const double width = static_cast<double>(full) * fraction;
    // Compared before the conversion, so that a huge fraction cannot
    // overflow the integer.
    if (width >= static_cast<double>(full))
        return full;
    return static_cast<int32_t>(width);
}

CProgress::CProgress(WindowHandle window, uint16_t trackId, uint16_t barId, int32_t dpi) : CUIBase(window)
{
    m_dpi = dpi;
    m_track.LoadForDpi(trackId, dpi);
    m_bar.LoadForDpi(barId, dpi);
}

void CProgress::SetDpi(int32_t dpi)
{
    CUIBase::SetDpi(dpi);
    m_track.SelectForDpi(dpi);
    m_bar.SelectForDpi(dpi);
}

void CProgress::Draw(DeviceContext dc)
{
    if (!m_visible)
        return;
    const Rect area = AbsoluteRect();
    m_track.Draw(dc, area);

    if (!(m_fraction > 0.0))
        return;
    int32_t barWidth = 0;
    int32_t barHeight = 0;
    m_bar.GetSize(barWidth, barHeight);
    const int32_t sourceWidth = CompletedWidth(barWidth, m_fraction);
    const int32_t destWidth = CompletedWidth(area.Width(), m_fraction);
    // A part of no width paints no pixel: skip the surface altogether.
    if (sourceWidth <= 0 || destWidth <= 0)
        return;
    m_bar.DrawPart(dc, Rect{area.left, area.top, area.left + destWidth, area.bottom}, 0, sourceWidth,
                   barHeight);
}

void CProgress::FitToContent()
{
    int32_t width = 0;
    int32_t height = 0;
    m_track.GetDesignSize(width, height);
    m_rect.right = m_rect.left + ScaleByDpi(width, m_dpi);
    m_rect.bottom = m_rect.top + ScaleByDpi(height, m_dpi);
}
