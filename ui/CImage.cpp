#include "ui/CImage.h"

#include "ui/Dpi.h"

CImage::CImage(WindowHandle window, uint16_t resourceId, int32_t dpi) : CUIBase(window)
{
    m_dpi = dpi;
    m_image.LoadForDpi(resourceId, dpi);
}

void CImage::SetDpi(int32_t dpi)
{
    CUIBase::SetDpi(dpi);
    m_image.SelectForDpi(dpi);
}

void CImage::Draw(DeviceContext dc)
{
    if (!m_visible)
        return;
    m_image.Draw(dc, AbsoluteRect());
}

void CImage::FitToContent()
{
    int32_t width = 0;
    int32_t height = 0;
    m_image.GetDesignSize(width, height);
    m_rect.right = m_rect.left + ScaleByDpi(width, m_dpi);
    m_rect.bottom = m_rect.top + ScaleByDpi(height, m_dpi);
}
