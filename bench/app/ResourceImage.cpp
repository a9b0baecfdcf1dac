#include "bench/app/ResourceImage.h"

#include <cstring>

#include "resources/resource.h"

using namespace Gdiplus::DllExports;

ResourceImage::ResourceImage(HINSTANCE instance, uint16_t id)
{
    HRSRC info = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(RT_LAUNCHER));
    if (info == nullptr)
        return;
    const DWORD size = SizeofResource(instance, info);
    HGLOBAL loaded = LoadResource(instance, info);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0)
        return;
    ScopedGlobalMemory copy(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!copy)
        return;
    {
        ScopedGlobalLock lock = LockGlobal(copy.Get());
        if (lock.Get().data == nullptr)
            return;
        std::memcpy(lock.Get().data, bytes, size);
    }
    ScopedStream stream;
    if (CreateStreamOnHGlobal(copy.Get(), TRUE, stream.Out()) != S_OK)
        return;
    copy.Release();  // the stream frees it now
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromStream(stream.Get(), &bitmap) != Gdiplus::Ok)
        return;
    m_image.Reset(bitmap);
    UINT width = 0;
    UINT height = 0;
    GdipGetImageWidth(bitmap, &width);
    GdipGetImageHeight(bitmap, &height);
    m_width = static_cast<int32_t>(width);
    m_height = static_cast<int32_t>(height);
}

bool ResourceImage::OpaquePixel(int32_t x, int32_t y, COLORREF& colour) const
{
    Gdiplus::ARGB argb = 0;
    if (!Valid() || GdipBitmapGetPixel(Bitmap(), x, y, &argb) != Gdiplus::Ok || (argb >> 24) != 0xFF)
        return false;
    colour = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
    return true;
}
