#include "ui/CImage.h"

CImage::CImage(WindowHandle window, uint16_t resourceId) : CUIBase(window)
{
    m_image.LoadFromResource(resourceId);
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
    m_image.GetSize(width, height);
    m_rect.right = m_rect.left + width;
    m_rect.bottom = m_rect.top + height;
}
