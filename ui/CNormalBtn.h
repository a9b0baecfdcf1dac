#pragma once
#include <string>

#include "ui/BorderStyle.h"
#include "ui/CBtn.h"
#include "ui/FillStyle.h"
#include "ui/TextStyle.h"

// A text button: an optionally rounded background, an outline and a caption.
// Draw never looks at m_state; a look per state comes from the state-change
// callback, which rewrites the three styles.
class CNormalBtn : public CBtn {
public:
    explicit CNormalBtn(WindowHandle window) : CBtn(window) {}

    void Draw(DeviceContext dc) override;

    BorderStyle m_border;
    FillStyle m_fill;
    TextStyle m_textStyle;
    std::wstring m_text;
};
