#include "platform/win/DibCanvas.h"

DibCanvas::DibCanvas(int32_t width, int32_t height) : m_width(width), m_height(height)
{
    if (width <= 0 || height <= 0)
        return;
    m_dc.Reset(CreateCompatibleDC(nullptr));
    if (!m_dc)
        return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap.Reset(CreateDIBSection(m_dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!m_bitmap || bits == nullptr)
        return;
    m_previous = SelectObject(m_dc.Get(), m_bitmap.Get());
    if (m_previous == nullptr)
        return;
    m_bits = static_cast<uint32_t*>(bits);
}

DibCanvas::~DibCanvas()
{
    if (m_previous != nullptr)
        SelectObject(m_dc.Get(), m_previous);
}

uint32_t DibCanvas::Pixel(int32_t x, int32_t y) const
{
    if (m_bits == nullptr || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    GdiFlush();
    return m_bits[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
}

void DibCanvas::Fill(uint32_t value)
{
    if (m_bits == nullptr)
        return;
    GdiFlush();
    const size_t count = static_cast<size_t>(m_width) * static_cast<size_t>(m_height);
    for (size_t i = 0; i < count; ++i)
        m_bits[i] = value;
}

const uint32_t* DibCanvas::Bits() const
{
    GdiFlush();
    return m_bits;
}
