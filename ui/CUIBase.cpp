#include "ui/CUIBase.h"

#include "ui/CPane.h"
#include "ui/UiPlatform.h"

bool CUIBase::HitTest(int32_t x, int32_t y, CUIBase** out)
{
    if (!m_visible || m_id < 0 || !m_rect.Contains(x, y))
        return false;
    if (out != nullptr)
        *out = this;
    return true;
}

Rect CUIBase::AbsoluteRect() const
{
    int32_t dx = 0;
    int32_t dy = 0;
    for (const CPane* p = m_parent; p != nullptr; p = p->m_parent) {
        dx += p->m_rect.left;
        dy += p->m_rect.top;
    }
    return m_rect.Offset(dx, dy);
}

void CUIBase::Invalidate()
{
    IWindowSystem* windows = UiWindows();
    if (windows == nullptr || m_hWnd == nullptr || !windows->IsWindow(m_hWnd))
        return;
    const Rect area = AbsoluteRect();
    windows->InvalidateRect(m_hWnd, &area, m_eraseBkgnd);
}
