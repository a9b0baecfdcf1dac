#include "platform/win/GdiplusGraphics.h"

#include "platform/win/GdiplusHandles.h"
#include "platform/win/GdiplusImage.h"
#include "platform/win/GdiplusSurface.h"
#include "platform/win/GdiplusText.h"

using namespace Gdiplus::DllExports;

GdiplusGraphics::~GdiplusGraphics()
{
    FinishPreload();
}

void GdiplusGraphics::Preload(std::vector<uint16_t> ids)
{
    if (m_preload != nullptr)
        return;
    m_preloadIds = std::move(ids);
    // Without a thread nothing is lost: each picture is decoded when asked for.
    m_preload = SystemThreads().Start(&GdiplusGraphics::PreloadRoutine, this);
}

uint32_t GdiplusGraphics::PreloadRoutine(void* self)
{
    auto* graphics = static_cast<GdiplusGraphics*>(self);
    for (uint16_t id : graphics->m_preloadIds) {
        std::unique_ptr<IImage> image = GdiplusImage::FromResource(graphics->m_module, id);
        if (image)
            graphics->m_preloaded[id] = std::move(image);
    }
    return 0;
}

void GdiplusGraphics::FinishPreload()
{
    if (m_preload == nullptr)
        return;
    m_preload->WaitForEnd();
    m_preload.reset();
}

std::unique_ptr<IImage> GdiplusGraphics::DecodeImage(uint16_t id)
{
    FinishPreload();
    auto preloaded = m_preloaded.find(id);
    if (preloaded != m_preloaded.end()) {
        std::unique_ptr<IImage> image = std::move(preloaded->second);
        m_preloaded.erase(preloaded);
        return image;
    }
    return GdiplusImage::FromResource(m_module, id);
}

std::unique_ptr<ISurface> GdiplusGraphics::OpenSurface(DeviceContext dc)
{
    return GdiplusSurface::Open(static_cast<HDC>(dc));
}

bool GdiplusGraphics::MeasureString(const std::wstring& text, const FontSpec& fontSpec, TextAlign horizontal,
                                    TextAlign vertical, float& width, float& height)
{
    // Measured on a surface like the screen's, with the same font (in points)
    // and format that DrawString uses, so the size is the one drawn.
    ScopedMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc)
        return false;
    Gdiplus::GpGraphics* raw = nullptr;
    if (GdipCreateFromHDC(dc.Get(), &raw) != Gdiplus::Ok || raw == nullptr)
        return false;
    ScopedGpGraphics graphics(raw);
    ScopedGpFont font = CreateGdiplusFont(fontSpec);
    if (!font)
        return false;
    ScopedGpStringFormat format = CreateGdiplusFormat(horizontal, vertical);
    const Gdiplus::RectF unbounded(0.0f, 0.0f, 0.0f, 0.0f);
    Gdiplus::RectF bounds(0.0f, 0.0f, 0.0f, 0.0f);
    if (GdipMeasureString(graphics.Get(), text.c_str(), -1, font.Get(), &unbounded, format.Get(), &bounds, nullptr,
                          nullptr) != Gdiplus::Ok)
        return false;
    width = bounds.Width;
    height = bounds.Height;
    return true;
}

bool GdiplusGraphics::PaintArea(DeviceContext dc, Rect& area)
{
    // The clip box is in logical coordinates, which GDI+ takes over: for an
    // off-screen bitmap of a part of the window, that part.
    RECT box;
    const int kind = GetClipBox(static_cast<HDC>(dc), &box);
    if (kind == ERROR)
        return false;
    area = kind == NULLREGION ? Rect{0, 0, 0, 0} : Rect{box.left, box.top, box.right, box.bottom};
    return true;
}
