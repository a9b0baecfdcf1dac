#include "ui/CPane.h"

#include <algorithm>

#include "ui/UiPlatform.h"

void CPane::Draw(DeviceContext dc)
{
    if (!m_visible)
        return;
    // A repaint of a part of the window (the progress bar, the status line)
    // draws only the children that reach into it; each draws inside its
    // own rectangle.
    Rect area;
    IGraphics* graphics = UiGraphics();
    const bool partial = graphics != nullptr && graphics->PaintArea(dc, area);
    for (const std::unique_ptr<CUIBase>& child : m_children) {
        if (partial && !child->AbsoluteRect().Intersects(area))
            continue;
        child->Draw(dc);
    }
}

bool CPane::HitTest(int32_t x, int32_t y, CUIBase** out)
{
    if (!m_visible || !m_rect.Contains(x, y))
        return false;
    const int32_t localX = x - m_rect.left;
    const int32_t localY = y - m_rect.top;
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        if ((*it)->HitTest(localX, localY, out))
            return true;
    }
    if (m_id < 0)
        return false;
    if (out != nullptr)
        *out = this;
    return true;
}

void CPane::SetDpi(int32_t dpi)
{
    CUIBase::SetDpi(dpi);
    for (const std::unique_ptr<CUIBase>& child : m_children)
        child->SetDpi(dpi);
}

void CPane::AddChild(CUIBase* child)
{
    if (child == nullptr)
        return;
    for (const std::unique_ptr<CUIBase>& existing : m_children) {
        if (existing.get() == child)
            return;
    }
    child->m_parent = this;
    m_children.emplace_back(child);
    if (m_children.size() >= 2) {
        std::stable_sort(m_children.begin(), m_children.end(),
                         [](const std::unique_ptr<CUIBase>& a, const std::unique_ptr<CUIBase>& b) {
                             return a->m_zOrder < b->m_zOrder;
                         });
    }
}
