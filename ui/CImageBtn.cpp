#include "ui/CImageBtn.h"

CImageBtn::CImageBtn(WindowHandle window, uint16_t resourceId, int32_t id) : CBtn(window)
{
    m_id = id;
    m_image.LoadFromResource(resourceId);
}

void CImageBtn::Draw(DeviceContext dc)
{
    if (!m_visible)
        return;
    int32_t width = 0;
    int32_t height = 0;
    m_image.GetSize(width, height);
    const int32_t frameWidth = width / 4;
    m_image.DrawPart(dc, AbsoluteRect(), m_state * frameWidth, frameWidth, height);
}

void CImageBtn::FitToContent()
{
    int32_t width = 0;
    int32_t height = 0;
    m_image.GetSize(width, height);
    m_rect.right = m_rect.left + width / 4;
    m_rect.bottom = m_rect.top + height;
}
