#pragma once
#include <windows.h>

#include <memory>

#include "platform/Graphics.h"
#include "platform/win/GdiplusHandles.h"

// A GDI+ drawing surface on a device context, released when destroyed.
// Every call makes its brush, pen, path, font and format and releases them
// before it returns; status codes are not inspected, so a failing step
// leaves its part unpainted.
class GdiplusSurface : public ISurface {
public:
    // Null when GDI+ cannot open a surface on dc.
    static std::unique_ptr<GdiplusSurface> Open(HDC dc);

    void DrawImage(const IImage& image, int32_t x, int32_t y, int32_t width, int32_t height) override;
    void DrawImagePart(const IImage& image, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                       int32_t srcY, int32_t srcWidth, int32_t srcHeight) override;
    void FillRectangle(Argb colour, int32_t x, int32_t y, int32_t width, int32_t height) override;
    void DrawRectangle(const PenSpec& pen, int32_t x, int32_t y, int32_t width, int32_t height) override;
    void FillRoundedRectangle(Argb colour, int32_t x, int32_t y, int32_t width, int32_t height, int32_t rx,
                              int32_t ry) override;
    void DrawRoundedRectangle(const PenSpec& pen, int32_t x, int32_t y, int32_t width, int32_t height, int32_t rx,
                              int32_t ry) override;
    void DrawLines(const PenSpec& pen, const std::vector<Line>& lines) override;
    void DrawString(const std::wstring& text, const FontSpec& font, const TextBox& box, Argb colour) override;

private:
    GdiplusSurface(ScopedGpGraphics graphics, const RECT& visible, bool knowsVisible)
        : m_graphics(std::move(graphics)), m_visible(visible), m_knowsVisible(knowsVisible)
    {
    }
    const RECT* Visible() const { return m_knowsVisible ? &m_visible : nullptr; }

    ScopedGpGraphics m_graphics;
    // The device context's clip box when the surface was opened: pictures
    // are drawn only where a repaint reaches.
    RECT m_visible;
    bool m_knowsVisible;
};
