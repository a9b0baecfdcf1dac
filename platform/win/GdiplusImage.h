#pragma once
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <cstdint>
#include <memory>

#include "platform/Graphics.h"
#include "platform/win/GdiplusHandles.h"

// A GDI+ image decoded from a PNG resource, together with the copy of the
// resource bytes that its stream reads from: GDI+ may go back to the stream
// whenever the image is drawn, so the copy lives exactly as long as the
// image.
class GdiplusImage : public IImage {
public:
    // Decodes resource (kResourceType, id) of module; null when the resource
    // is missing, empty or cannot be decoded.
    static std::unique_ptr<GdiplusImage> FromResource(HMODULE module, uint16_t id);

    void GetSize(int32_t& width, int32_t& height) const override;
    Gdiplus::GpImage* Get() const { return m_image.Get(); }

private:
    GdiplusImage(ScopedGlobalMemory bytes, ScopedGpImage image)
        : m_bytes(std::move(bytes)), m_image(std::move(image))
    {
    }

    ScopedGlobalMemory m_bytes;  // declared first, so released after the image
    ScopedGpImage m_image;
};
