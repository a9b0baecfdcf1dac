#include "platform/win/GdiplusSurface.h"

#include "platform/win/GdiplusImage.h"
#include "platform/win/GdiplusText.h"

using namespace Gdiplus::DllExports;

namespace {

const GdiplusImage& ImageOf(const IImage& image)
{
    // Every picture this surface meets was decoded by GdiplusGraphics.
    return static_cast<const GdiplusImage&>(image);
}

ScopedGpBrush SolidBrush(Argb colour)
{
    Gdiplus::GpSolidFill* brush = nullptr;
    if (GdipCreateSolidFill(colour, &brush) != Gdiplus::Ok)
        brush = nullptr;
    return ScopedGpBrush(brush);
}

ScopedGpPen Pen(const PenSpec& spec)
{
    Gdiplus::GpPen* pen = nullptr;
    if (GdipCreatePen1(spec.colour, spec.width, Gdiplus::UnitWorld, &pen) != Gdiplus::Ok)
        pen = nullptr;
    return ScopedGpPen(pen);
}

// Four quarter arcs in boxes 2rx by 2ry at the corners, clockwise from the
// top left, joined by the straight edges.
ScopedGpPath RoundedPath(int32_t x, int32_t y, int32_t w, int32_t h, int32_t rx, int32_t ry)
{
    Gdiplus::GpPath* raw = nullptr;
    if (GdipCreatePath(Gdiplus::FillModeAlternate, &raw) != Gdiplus::Ok)
        return ScopedGpPath();
    ScopedGpPath path(raw);
    const int32_t dx = 2 * rx;
    const int32_t dy = 2 * ry;
    GdipAddPathArcI(raw, x, y, dx, dy, 180.0f, 90.0f);
    GdipAddPathLineI(raw, x + rx, y, x + w - rx, y);
    GdipAddPathArcI(raw, x + w - dx, y, dx, dy, 270.0f, 90.0f);
    GdipAddPathLineI(raw, x + w, y + ry, x + w, y + h - ry);
    GdipAddPathArcI(raw, x + w - dx, y + h - dy, dx, dy, 0.0f, 90.0f);
    GdipAddPathLineI(raw, x + w - rx, y + h, x + rx, y + h);
    GdipAddPathArcI(raw, x, y + h - dy, dx, dy, 90.0f, 90.0f);
    GdipAddPathLineI(raw, x, y + h - ry, x, y + ry);
    GdipClosePathFigure(raw);
    return path;
}

}  // namespace

std::unique_ptr<GdiplusSurface> GdiplusSurface::Open(HDC dc)
{
    Gdiplus::GpGraphics* graphics = nullptr;
    if (dc == nullptr || GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok || graphics == nullptr)
        return nullptr;
    RECT visible = {0, 0, 0, 0};
    const bool knowsVisible = GetClipBox(dc, &visible) != ERROR;
    return std::unique_ptr<GdiplusSurface>(new GdiplusSurface(ScopedGpGraphics(graphics), visible, knowsVisible));
}

void GdiplusSurface::DrawImage(const IImage& image, int32_t x, int32_t y, int32_t width, int32_t height)
{
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    image.GetSize(imageWidth, imageHeight);
    ImageOf(image).Draw(m_graphics.Get(), x, y, width, height, 0, 0, imageWidth, imageHeight, Visible());
}

void GdiplusSurface::DrawImagePart(const IImage& image, int32_t x, int32_t y, int32_t width, int32_t height,
                                   int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight)
{
    ImageOf(image).Draw(m_graphics.Get(), x, y, width, height, srcX, srcY, srcWidth, srcHeight, Visible());
}

void GdiplusSurface::FillRectangle(Argb colour, int32_t x, int32_t y, int32_t width, int32_t height)
{
    ScopedGpBrush brush = SolidBrush(colour);
    if (brush)
        GdipFillRectangleI(m_graphics.Get(), brush.Get(), x, y, width, height);
}

void GdiplusSurface::DrawRectangle(const PenSpec& spec, int32_t x, int32_t y, int32_t width, int32_t height)
{
    ScopedGpPen pen = Pen(spec);
    if (pen)
        GdipDrawRectangleI(m_graphics.Get(), pen.Get(), x, y, width, height);
}

void GdiplusSurface::FillRoundedRectangle(Argb colour, int32_t x, int32_t y, int32_t width, int32_t height,
                                          int32_t rx, int32_t ry)
{
    ScopedGpBrush brush = SolidBrush(colour);
    ScopedGpPath path = RoundedPath(x, y, width, height, rx, ry);
    GdipSetSmoothingMode(m_graphics.Get(), Gdiplus::SmoothingModeHighQuality);
    if (brush && path)
        GdipFillPath(m_graphics.Get(), brush.Get(), path.Get());
}

void GdiplusSurface::DrawRoundedRectangle(const PenSpec& spec, int32_t x, int32_t y, int32_t width, int32_t height,
                                          int32_t rx, int32_t ry)
{
    ScopedGpPen pen = Pen(spec);
    ScopedGpPath path = RoundedPath(x, y, width, height, rx, ry);
    GdipSetSmoothingMode(m_graphics.Get(), Gdiplus::SmoothingModeHighQuality);
    if (pen && path)
        GdipDrawPath(m_graphics.Get(), pen.Get(), path.Get());
}

void GdiplusSurface::DrawLines(const PenSpec& spec, const std::vector<Line>& lines)
{
    ScopedGpPen pen = Pen(spec);
    if (!pen)
        return;
    for (const Line& line : lines)
        GdipDrawLineI(m_graphics.Get(), pen.Get(), line.x1, line.y1, line.x2, line.y2);
}

void GdiplusSurface::DrawString(const std::wstring& text, const FontSpec& fontSpec, const TextBox& box,
                                Argb colour)
{
    ScopedGpFont font = CreateGdiplusFont(fontSpec);
    if (!font)
        return;
    ScopedGpStringFormat format = CreateGdiplusFormat(box.horizontal, box.vertical);
    ScopedGpBrush brush = SolidBrush(colour);
    const Gdiplus::RectF layout(box.x, box.y, box.width, box.height);
    GdipDrawString(m_graphics.Get(), text.c_str(), -1, font.Get(), &layout, format.Get(), brush.Get());
}
