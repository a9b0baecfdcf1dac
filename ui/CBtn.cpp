#include "ui/CBtn.h"

bool CBtn::HitTest(int32_t x, int32_t y, CUIBase** out)
{
    if (m_state == BTN_DISABLED)
        return false;
    return CUIBase::HitTest(x, y, out);
}

void CBtn::OnMouseEnter()
{
    ChangeState(BTN_HOVER);
}

void CBtn::OnMouseLeave()
{
    ChangeState(BTN_NORMAL);
}

void CBtn::OnMouseDown()
{
    ChangeState(BTN_PRESSED);
}

void CBtn::OnMouseUp()
{
    ChangeState(BTN_NORMAL);
}

void CBtn::OnStateChanged()
{
    if (m_onStateChanged != nullptr)
        m_onStateChanged(this);
}

void CBtn::ChangeState(uint8_t state)
{
    if (m_state == BTN_DISABLED)
        return;
    m_state = state;
    OnStateChanged();
    Invalidate();
}
