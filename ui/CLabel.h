#pragma once
#include <cstdint>
#include <string>

#include "ui/CUIBase.h"
#include "ui/TextStyle.h"

// A text in its rectangle. An empty text draws nothing.
class CLabel : public CUIBase {
public:
    // Default style ("微软雅黑", 12 points, white, centred); erases its
    // background when it asks for a repaint.
    explicit CLabel(WindowHandle window);

    void Draw(DeviceContext dc) override;

    // Copies the style; requests no repaint.
    void SetTextStyle(TextStyle style);

    // What SetText does besides replacing the text (flags; 0 for nothing
    // more). TEXT_REPAINT: the element's area is repainted. TEXT_FIT: the
    // rectangle is then resized (left and top kept) to the size the text
    // takes when drawn; with both, when the rectangle changed, its new area
    // is repainted too, so a label that grows shows its whole text at once.
    static constexpr uint32_t TEXT_REPAINT = 0x01;
    static constexpr uint32_t TEXT_FIT = 0x02;
    void SetText(std::wstring text, uint32_t update = 0);

    TextStyle m_textStyle;
    std::wstring m_text;

private:
    void FitToText();
};
