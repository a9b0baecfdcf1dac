#pragma once
#include <cstdint>

#include "ui/CResImage.h"
#include "ui/CUIBase.h"

// A static picture, scaled into its rectangle (the aspect ratio is not kept).
class CImage : public CUIBase {
public:
    // Loads the picture from resource resourceId, of the set drawn at dpi;
    // the creator sets the rectangle afterwards.
    CImage(WindowHandle window, uint16_t resourceId, int32_t dpi = kBaseDpi);

    void Draw(DeviceContext dc) override;
    void FitToContent() override;  // the picture's size at the element's DPI
    void SetDpi(int32_t dpi) override;  // and the picture set drawn at it

    CResImage m_image;
};
