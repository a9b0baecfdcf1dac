#pragma once
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Graphics.h"
#include "platform/win/GdiplusHandles.h"

// A picture decoded with GDI+ from a PNG resource.
//
// The picture is kept once, in the form it is drawn from: cut into bands of
// rows for drawing in its own size, opaque rows as a plain 32-bit RGB
// bitmap, which GDI+ copies, rows with some transparency premultiplied,
// which it blends, and fully transparent rows not at all. Drawing in its
// own size then costs a copy for the opaque part instead of blending every
// pixel, and gives the same pixels. The decoded picture, and the copy of
// the resource bytes it was decoded from (GDI+ may read from the stream for
// as long as the image it decoded exists), stay until the first draw in its
// own size: the window's region is read from them before that. Then they
// are released. A picture that cannot be cut is kept whole.
//
// Drawn in another size (the window above 96 DPI), a part of the picture is
// scaled once, with high-quality filtering, into a picture of that size,
// cut into bands the same way and kept: the next paints copy it. Copies at
// the scale of the window's earlier DPI are dropped when one at a new scale
// is made; making one decodes the whole picture again if it was released.
class GdiplusImage : public IImage {
public:
    // Decodes resource (kResourceType, id) of module; null when the resource
    // is missing, empty or cannot be decoded.
    static std::unique_ptr<GdiplusImage> FromResource(HMODULE module, uint16_t id);

    void GetSize(int32_t& width, int32_t& height) const override;
    bool ReadPixels(const std::function<void(const uint32_t* pixels, int32_t stride)>& reader) const override;

    // Draws the source rectangle (sx, sy, sw, sh) of the picture, in pixels,
    // scaled into (x, y, w, h) (GdipDrawImageRectRectI). With visible, the
    // part of the surface that a repaint reaches, only what lies inside it
    // is drawn (the same pixels there).
    void Draw(Gdiplus::GpGraphics* graphics, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
              int32_t sw, int32_t sh, const RECT* visible = nullptr) const;

private:
    // Draws a part of the picture into a rectangle of another size.
    void DrawScaled(Gdiplus::GpGraphics* graphics, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                    int32_t sw, int32_t sh) const;

    struct Band {
        int32_t top = 0;
        int32_t height = 0;
        ScopedGpImage bitmap;  // empty for fully transparent rows
    };

    // The source rectangle (sx, sy, sw, sh) scaled to w x h, in bands.
    struct ScaledCopy {
        int32_t w, h, sx, sy, sw, sh;
        std::vector<Band> bands;
    };

    // Cuts a 32-bit bitmap of width x height into bands of rows; false (and
    // bands unchanged) when it cannot.
    static bool CutIntoBands(Gdiplus::GpImage* image, int32_t width, int32_t height, std::vector<Band>& bands);
    // Draws the source rectangle (sx, sy, sw, sh) of a banded picture in its
    // own size at (x, y), the part inside visible only when it is given.
    static void DrawBands(Gdiplus::GpGraphics* graphics, const std::vector<Band>& bands, int32_t x, int32_t y,
                          int32_t sx, int32_t sy, int32_t sw, int32_t sh, const RECT* visible);
    // The kept scaled copy for these rectangles, made now when there is
    // none; null when it cannot be made.
    const ScaledCopy* ScaledCopyFor(int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw, int32_t sh) const;

    GdiplusImage(HMODULE module, uint16_t id, ScopedGlobalMemory bytes, ScopedGpImage decoded);
    static bool Decode(HMODULE module, uint16_t id, ScopedGlobalMemory& bytes, ScopedGpImage& decoded);
    void PrepareForDrawing();
    // The whole picture, decoded again when it was released; false when
    // that fails.
    bool HaveWhole() const;

    HMODULE m_module;
    uint16_t m_id;
    mutable ScopedGlobalMemory m_bytes;  // declared first, so released after the image
    mutable ScopedGpImage m_image;       // the whole picture, when kept
    std::vector<Band> m_bands;           // top to bottom; empty when it could not be cut
    mutable std::vector<ScaledCopy> m_scaled;  // all at the scale of the latest scaled draw
    int32_t m_width = 0;
    int32_t m_height = 0;
};
