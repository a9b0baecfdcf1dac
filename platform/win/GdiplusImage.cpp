#include "platform/win/GdiplusImage.h"

#include <cstring>

#include "platform/Resources.h"

using namespace Gdiplus::DllExports;

namespace {

struct LoadedResourceTraits {
    static HGLOBAL Invalid() { return nullptr; }
    static bool Valid(HGLOBAL h) { return h != nullptr; }
    static void Close(HGLOBAL h) { FreeResource(h); }
};
using ScopedLoadedResource = ScopedHandle<HGLOBAL, LoadedResourceTraits>;

}  // namespace

std::unique_ptr<GdiplusImage> GdiplusImage::FromResource(HMODULE module, uint16_t id)
{
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(kResourceType));
    if (info == nullptr)
        return nullptr;
    const DWORD size = SizeofResource(module, info);
    ScopedLoadedResource resource(LoadResource(module, info));
    if (!resource || size == 0)
        return nullptr;
    const void* bytes = LockResource(resource.Get());
    if (bytes == nullptr)
        return nullptr;

    // A stream over global memory wants a movable block; the stream must not
    // free it, since the image keeps reading from it.
    ScopedGlobalMemory copy(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!copy)
        return nullptr;
    ScopedGpImage image;
    {
        GlobalLockScope lock(copy.Get());
        if (lock.Data() == nullptr)
            return nullptr;
        std::memcpy(lock.Data(), bytes, size);
        ScopedStream stream;
        if (FAILED(CreateStreamOnHGlobal(copy.Get(), FALSE, stream.Out())))
            return nullptr;
        Gdiplus::GpImage* decoded = nullptr;
        if (GdipLoadImageFromStream(stream.Get(), &decoded) != Gdiplus::Ok || decoded == nullptr)
            return nullptr;
        image.Reset(decoded);
    }
    return std::unique_ptr<GdiplusImage>(new GdiplusImage(std::move(copy), std::move(image)));
}

void GdiplusImage::GetSize(int32_t& width, int32_t& height) const
{
    UINT w = 0;
    UINT h = 0;
    GdipGetImageWidth(m_image.Get(), &w);
    GdipGetImageHeight(m_image.Get(), &h);
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
}
