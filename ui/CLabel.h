#pragma once
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

    // Replaces the text. With invalidate, the element's area is repainted.
    // With fit, the rectangle is then resized (left and top kept) to the
    // size the text takes when drawn; when both are set and the rectangle
    // changed, its new area is repainted too, so a label that grows shows
    // its whole text at once.
    void SetText(bool invalidate, bool fit, std::wstring text);

    TextStyle m_textStyle;
    std::wstring m_text;

private:
    void FitToText();
};
