#pragma once
#include <cstdint>

#include "ui/CBtn.h"
#include "ui/CResImage.h"

// A button drawn from a strip of four equal frames side by side, one per
// state in the order normal, hover, pressed, disabled. The frame width is
// the strip's width divided by 4; leftover columns are never shown.
class CImageBtn : public CBtn {
public:
    // Loads the strip from resource resourceId, of the set drawn at dpi, and
    // sets the command id.
    CImageBtn(WindowHandle window, uint16_t resourceId, int32_t id, int32_t dpi = kBaseDpi);

    // The frame of m_state, scaled into the rectangle.
    void Draw(DeviceContext dc) override;
    void FitToContent() override;  // one frame's size at the element's DPI
    void SetDpi(int32_t dpi) override;  // and the picture set drawn at it

    CResImage m_image;
};
