#include "ui/CResImage.h"

#include "ui/Dpi.h"
#include "ui/UiPlatform.h"

bool CResImage::LoadFromResource(uint16_t id)
{
    Reset();
    m_id = id;
    m_set = 1;
    IGraphics* graphics = UiGraphics();
    if (graphics == nullptr)
        return false;
    m_image = graphics->DecodeImage(id);
    return m_image != nullptr;
}

bool CResImage::LoadForDpi(uint16_t id, int32_t dpi)
{
    if (PictureSetForDpi(dpi) == 2) {
        Reset();
        m_id = id;
        IGraphics* graphics = UiGraphics();
        if (graphics != nullptr)
            m_image = graphics->DecodeImage(static_cast<uint16_t>(id + kDoubleSizePictureOffset));
        if (m_image != nullptr) {
            m_set = 2;
            return true;
        }
    }
    return LoadFromResource(id);
}

bool CResImage::SelectForDpi(int32_t dpi)
{
    if (m_id != 0 && m_set != PictureSetForDpi(dpi))
        LoadForDpi(m_id, dpi);
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

void CResImage::GetDesignSize(int32_t& width, int32_t& height) const
{
    GetSize(width, height);
    width /= m_set;
    height /= m_set;
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
