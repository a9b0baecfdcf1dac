#include "ui/CImageBtn.h"

#include "ui/Dpi.h"

CImageBtn::CImageBtn(WindowHandle window, uint16_t resourceId, int32_t id, int32_t dpi) : CBtn(window)
{
    m_id = id;
    m_dpi = dpi;
    m_image.LoadForDpi(resourceId, dpi);
}

void CImageBtn::SetDpi(int32_t dpi)
{
    CBtn::SetDpi(dpi);
    m_image.SelectForDpi(dpi);
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
    m_image.GetDesignSize(width, height);
    m_rect.right = m_rect.left + ScaleByDpi(width / 4, m_dpi);
    m_rect.bottom = m_rect.top + ScaleByDpi(height, m_dpi);
}
