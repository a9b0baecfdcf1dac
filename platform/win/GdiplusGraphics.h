#pragma once
// The drawing seam on Windows: the GDI+ flat interface. Pictures are decoded
// from the resources of one module; every surface is a GDI+ drawing surface
// created on the device context for one Draw; brushes, pens, paths, fonts
// and string formats are made and released inside each call.
#include <windows.h>

#include "platform/Graphics.h"

class GdiplusGraphics : public IGraphics {
public:
    // module: the module whose resources (type 2020) hold the pictures.
    // GDI+ must be started while this is used (GdiplusSession).
    explicit GdiplusGraphics(HMODULE module) : m_module(module) {}

    std::unique_ptr<IImage> DecodeImage(uint16_t id) override;
    std::unique_ptr<ISurface> OpenSurface(DeviceContext dc) override;
    bool MeasureString(const std::wstring& text, const FontSpec& font, TextAlign horizontal, TextAlign vertical,
                       float& width, float& height) override;

private:
    HMODULE m_module;
};
