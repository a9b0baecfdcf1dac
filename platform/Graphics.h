#pragma once
// The drawing seam of the element toolkit: decoded images, a drawing surface
// opened on a device context for one Draw, and text measurement. The
// elements name no imaging API; the Windows build implements this with the
// GDI+ flat interface (platform/win/GdiplusGraphics.h), tests with a fake
// that records every call.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Types.h"

// A colour as the drawing interface takes it: alpha in bits 24 to 31, then
// red, green and blue down to bit 0.
using Argb = uint32_t;

// Placement of text along one axis of its layout rectangle.
enum class TextAlign : int32_t { Near = 0, Center = 1, Far = 2 };

// A font: family name, size in points and style flags (0 is regular), and
// the screen's scale (its DPI / 96). The font is made sizePoints x 96 / 72 x
// scale pixels high, whatever DPI the device context reports, so that a
// size given in points is scaled once, by the screen's scale, and never a
// second time by the device's own DPI.
struct FontSpec {
    std::wstring family;
    float sizePoints = 0.0f;
    int32_t style = 0;
    float scale = 1.0f;
};

// Where text goes: its layout rectangle and the alignment on each axis.
struct TextBox {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    TextAlign horizontal = TextAlign::Center;
    TextAlign vertical = TextAlign::Center;
};

// A pen: its colour and its width in world units (pixels here).
struct PenSpec {
    Argb colour = 0;
    float width = 1.0f;
};

struct Line {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
};

// One decoded picture. Destroying it releases the picture and everything it
// was decoded from.
class IImage {
public:
    virtual ~IImage() = default;
    // Width and height in pixels; each 0 when its query fails.
    virtual void GetSize(int32_t& width, int32_t& height) const = 0;
    // Hands the pixels to reader in place, row by row: 32-bit values with
    // the alpha in the top byte (the colour bytes may be premultiplied),
    // stride counted in pixels. False, reader not called, when they cannot
    // be read.
    virtual bool ReadPixels(const std::function<void(const uint32_t* pixels, int32_t stride)>& reader) const = 0;
};

// A drawing surface open on one device context for the length of one Draw.
// Destroying it releases the surface. Each call makes its brushes, pens,
// paths, fonts and formats and releases them before it returns; a failing
// step leaves its part unpainted and reports nothing.
class ISurface {
public:
    virtual ~ISurface() = default;

    // The whole image scaled into (x, y, width, height).
    virtual void DrawImage(const IImage& image, int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    // The source rectangle (srcX, srcY, srcWidth, srcHeight), in the image's
    // pixels, scaled into the destination (x, y, width, height).
    virtual void DrawImagePart(const IImage& image, int32_t x, int32_t y, int32_t width, int32_t height,
                               int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight) = 0;

    virtual void FillRectangle(Argb colour, int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    virtual void DrawRectangle(const PenSpec& pen, int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    // Rounded rectangles have corner arcs of radii rx and ry. They switch the
    // surface to anti-aliased drawing, which stays on for everything drawn on
    // this surface afterwards.
    virtual void FillRoundedRectangle(Argb colour, int32_t x, int32_t y, int32_t width, int32_t height,
                                      int32_t rx, int32_t ry) = 0;
    virtual void DrawRoundedRectangle(const PenSpec& pen, int32_t x, int32_t y, int32_t width, int32_t height,
                                      int32_t rx, int32_t ry) = 0;
    // Every line with one pen.
    virtual void DrawLines(const PenSpec& pen, const std::vector<Line>& lines) = 0;

    // The text in the font, opaque colour and box given. When the font's
    // family is not installed the generic sans-serif family is used; when no
    // font can be made at all, nothing is drawn.
    virtual void DrawString(const std::wstring& text, const FontSpec& font, const TextBox& box, Argb colour) = 0;
};

class IGraphics {
public:
    virtual ~IGraphics() = default;

    // Decodes the picture stored as resource (kResourceType, id) of the
    // program. Null when the resource is missing or cannot be decoded.
    virtual std::unique_ptr<IImage> DecodeImage(uint16_t id) = 0;

    // Opens a drawing surface on the device context; null when it cannot.
    virtual std::unique_ptr<ISurface> OpenSurface(DeviceContext dc) = 0;

    // The part of the device context that drawing reaches now (the area
    // being repainted), in the coordinates drawing uses. False when that
    // cannot be told: then everything is drawn.
    virtual bool PaintArea(DeviceContext dc, Rect& area) = 0;

    // The size that DrawString needs to lay the text out on one line per
    // paragraph in this font and alignment, in pixels. False when no font
    // can be made.
    virtual bool MeasureString(const std::wstring& text, const FontSpec& font, TextAlign horizontal,
                               TextAlign vertical, float& width, float& height) = 0;
};
