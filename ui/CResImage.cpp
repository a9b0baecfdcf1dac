#include "ui/CResImage.h"

#include "ui/UiPlatform.h"

bool CResImage::LoadFromResource(uint16_t id)
{
    Reset();
    IGraphics* graphics = UiGraphics();
    if (graphics == nullptr)
        return false;
    m_image = graphics->DecodeImage(id);
    return m_image != nullptr;
}

void CResImage::Reset()
{
    m_image.reset();
}

void CResImage::GetSize(int32_t& width, int32_t& height) const
{
    width = 0;
    height = 0;
    if (m_image != nullptr)
        m_image->GetSize(width, height);
}

bool CResImage::ReadPixels(const std::function<void(const uint32_t* pixels, int32_t stride)>& reader) const
{
    return m_image != nullptr && m_image->ReadPixels(reader);
}

void CResImage::Draw(DeviceContext dc, const Rect& dest) const
{
    if (m_image == nullptr)
        return;
    std::unique_ptr<ISurface> surface = OpenUiSurface(dc);
    if (surface != nullptr)
        surface->DrawImage(*m_image, dest.left, dest.top, dest.Width(), dest.Height());
}

void CResImage::DrawAt(DeviceContext dc, int32_t x, int32_t y) const
{
    int32_t width = 0;
    int32_t height = 0;
    GetSize(width, height);
    Draw(dc, Rect{x, y, x + width, y + height});
}

void CResImage::DrawPart(DeviceContext dc, const Rect& dest, int32_t srcX, int32_t srcWidth,
                         int32_t srcHeight) const
{
    if (m_image == nullptr)
        return;
    std::unique_ptr<ISurface> surface = OpenUiSurface(dc);
    if (surface != nullptr)
        surface->DrawImagePart(*m_image, dest.left, dest.top, dest.Width(), dest.Height(), srcX, 0, srcWidth,
                               srcHeight);
}
