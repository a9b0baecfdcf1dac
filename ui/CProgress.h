#pragma once
#include <cstdint>

#include "ui/CResImage.h"
#include "ui/CUIBase.h"

// Width of the completed part of something full wide at fraction:
// full x fraction truncated towards zero, never more than full. Callers
// pass only fractions above 0.
int32_t CompletedWidth(int32_t full, double fraction);

// A progress bar: the track picture across the whole element and over it
// the completed part of the bar picture, as wide as the completed fraction
// of the element.
class CProgress : public CUIBase {
public:
    // Loads the track and the bar pictures of the set drawn at dpi; the
    // fraction starts at 0.
    CProgress(WindowHandle window, uint16_t trackId, uint16_t barId, int32_t dpi = kBaseDpi);

    void Draw(DeviceContext dc) override;
    void FitToContent() override;  // the track picture's size at the element's DPI
    void SetDpi(int32_t dpi) override;  // and the picture set drawn at it

    CResImage m_track;
    CResImage m_bar;
    // 0.0 is nothing, 1.0 is all. The owner keeps it in that range and calls
    // Invalidate after changing it; a value above 1 draws the full bar.
    double m_fraction = 0.0;
};
