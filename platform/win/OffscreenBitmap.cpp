#include "platform/win/OffscreenBitmap.h"

namespace {

// The screen's device context for the wrapper's lifetime.
class ScreenDc {
public:
    ScreenDc() : m_dc(GetDC(nullptr)) {}
    ~ScreenDc()
    {
        if (m_dc != nullptr)
            ReleaseDC(nullptr, m_dc);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

}  // namespace

OffscreenBitmap::OffscreenBitmap(int32_t width, int32_t height) : m_width(width), m_height(height)
{
    if (width <= 0 || height <= 0)
        return;
    ScreenDc screen;
    if (screen.Get() == nullptr)
        return;
    m_dc.Reset(CreateCompatibleDC(screen.Get()));
    m_bitmap.Reset(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!m_dc || !m_bitmap)
        return;
    m_previous = SelectObject(m_dc.Get(), m_bitmap.Get());
}

OffscreenBitmap::~OffscreenBitmap()
{
    if (m_previous != nullptr)
        SelectObject(m_dc.Get(), m_previous);
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
    SelectObject(m_dc.Get(), m_previous);
    const int rows = GetDIBits(m_dc.Get(), static_cast<HBITMAP>(m_bitmap.Get()), 0, static_cast<UINT>(m_height),
                               pixels.data(), &info, DIB_RGB_COLORS);
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
    SelectObject(m_dc.Get(), m_previous);
    const int rows = SetDIBits(m_dc.Get(), static_cast<HBITMAP>(m_bitmap.Get()), 0, static_cast<UINT>(m_height),
                               pixels.data(), &info, DIB_RGB_COLORS);
    SelectObject(m_dc.Get(), m_bitmap.Get());
    return rows == m_height;
}

void OffscreenBitmap::Fill(uint32_t rgb)
{
    if (!Valid())
        return;
    WritePixels(std::vector<uint32_t>(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), rgb));
}
