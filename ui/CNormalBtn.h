#pragma once
#include <string>

#include "ui/BorderStyle.h"
#include "ui/CBtn.h"
#include "ui/FillStyle.h"
#include "ui/TextStyle.h"

// A text button: an optionally rounded background, an outline and a caption.
// Draw never looks at m_state; a look per state comes from the state-change
// callback, which rewrites the three styles. The styles are in 96 DPI
// pixels and points; Draw scales widths, radii and the font by m_dpi / 96
// (a width of 1 or more stays at least 1).
class CNormalBtn : public CBtn {
public:
    explicit CNormalBtn(WindowHandle window) : CBtn(window) {}

    void Draw(DeviceContext dc) override;

    BorderStyle m_border;
    FillStyle m_fill;
    TextStyle m_textStyle;
    std::wstring m_text;
    // Draws the keyboard focus outline: a one-pixel (at 96 DPI) frame in the
    // text's colour, kFocusInset pixels (at 96 DPI) inside the button's edge.
    bool m_focusCue = false;
    static constexpr int32_t kFocusInset = 4;
};
