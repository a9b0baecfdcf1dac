#pragma once
#include <cstdint>

#include "ui/CResImage.h"
#include "ui/CUIBase.h"

// A static picture, scaled into its rectangle (the aspect ratio is not kept).
class CImage : public CUIBase {
public:
    // Loads the picture from resource resourceId; the creator sets the
    // rectangle afterwards.
    CImage(WindowHandle window, uint16_t resourceId);

    void Draw(DeviceContext dc) override;
    void FitToContent() override;  // the picture's size

    CResImage m_image;
};
