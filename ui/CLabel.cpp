#include "ui/CLabel.h"

#include <cmath>
#include <utility>

#include "ui/StyledText.h"
#include "ui/UiPlatform.h"

CLabel::CLabel(WindowHandle window) : CUIBase(window)
{
    m_eraseBkgnd = true;
}

void CLabel::Draw(DeviceContext dc)
{
    if (!m_visible)
        return;
    const Rect area = AbsoluteRect();
    std::unique_ptr<ISurface> surface = OpenUiSurface(dc);
    if (surface != nullptr && !m_text.empty())
        DrawStyledText(*surface, m_text, m_textStyle, area, m_dpi);
}

void CLabel::SetTextStyle(TextStyle style)
{
    m_textStyle = std::move(style);
}

void CLabel::SetText(std::wstring text, uint32_t update)
{
    const bool invalidate = (update & TEXT_REPAINT) != 0;
    const bool fit = (update & TEXT_FIT) != 0;
    m_text = std::move(text);
    if (invalidate)
        Invalidate();
    if (fit) {
        const Rect before = m_rect;
        FitToText();
        if (invalidate && m_rect != before)
            Invalidate();
    }
}

void CLabel::FitToText()
{
    float width = 0.0f;
    float height = 0.0f;
    if (!MeasureText(m_textStyle, m_text, width, height, m_dpi))
        return;
    // Rounded up: a rectangle a fraction of a pixel narrower than the text
    // would make the text wrap.
    m_rect.right = m_rect.left + static_cast<int32_t>(std::ceil(width));
    m_rect.bottom = m_rect.top + static_cast<int32_t>(std::ceil(height));
}
