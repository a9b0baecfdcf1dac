#include "platform/win/OffscreenBitmap.h"

OffscreenBitmap::OffscreenBitmap(int32_t width, int32_t height) : m_width(width), m_height(height)
{
    if (width <= 0 || height <= 0)
        return;
    ScopedWindowDc screen = GetWindowDc(nullptr);
    if (!screen)
        return;
    m_dc.Reset(CreateCompatibleDC(screen.Get().dc));
    m_bitmap.Reset(CreateCompatibleBitmap(screen.Get().dc, width, height));
    if (!m_dc || !m_bitmap)
        return;
    m_selection = SelectInto(m_dc.Get(), m_bitmap.Get());
}

bool OffscreenBitmap::CopyTo(HDC target, int32_t x, int32_t y) const
{
    return Valid() && BitBlt(target, x, y, m_width, m_height, m_dc.Get(), 0, 0, SRCCOPY);
}

BITMAPINFO OffscreenBitmap::Format() const
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

std::vector<uint32_t> OffscreenBitmap::ReadPixels() const
{
    if (!Valid())
        return {};
    std::vector<uint32_t> pixels(static_cast<size_t>(m_width) * static_cast<size_t>(m_height));
    BITMAPINFO info = Format();
    // The bitmap may not be selected while it is read.
    SelectObject(m_dc.Get(), m_selection.Get().previous);
    const int rows = GetDIBits(m_dc.Get(), m_bitmap.Get(), 0, static_cast<UINT>(m_height), pixels.data(), &info,
                               DIB_RGB_COLORS);
    SelectObject(m_dc.Get(), m_bitmap.Get());
    if (rows != m_height)
        return {};
    for (uint32_t& p : pixels)
        p &= 0x00FFFFFFu;
    return pixels;
}

bool OffscreenBitmap::WritePixels(const std::vector<uint32_t>& pixels)
{
    if (!Valid() || pixels.size() != static_cast<size_t>(m_width) * static_cast<size_t>(m_height))
        return false;
    BITMAPINFO info = Format();
    // The bitmap may not be selected while it is written.
    SelectObject(m_dc.Get(), m_selection.Get().previous);
    const int rows = SetDIBits(m_dc.Get(), m_bitmap.Get(), 0, static_cast<UINT>(m_height), pixels.data(), &info,
                               DIB_RGB_COLORS);
    SelectObject(m_dc.Get(), m_bitmap.Get());
    return rows == m_height;
}

void OffscreenBitmap::Fill(uint32_t rgb)
{
    if (!Valid())
        return;
    WritePixels(std::vector<uint32_t>(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), rgb));
}

void PaintBuffered(HDC target, const RECT& area, const std::function<void(HDC dc)>& paint)
{
    OffscreenBitmap buffer(area.right - area.left, area.bottom - area.top);
    if (!buffer.Valid()) {
        paint(target);
        return;
    }
    // The bitmap's (0, 0) is the area's top-left corner: drawing in target
    // coordinates lands in the bitmap (GDI+ takes the origin over from the
    // device context when it makes its graphics), and what lies outside
    // the area is clipped away.
    SetViewportOrgEx(buffer.Dc(), -area.left, -area.top, nullptr);
    paint(buffer.Dc());
    SetViewportOrgEx(buffer.Dc(), 0, 0, nullptr);
    buffer.CopyTo(target, area.left, area.top);
}
