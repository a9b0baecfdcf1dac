#include "bench/app/ResourceImage.h"

#include <cstring>

#include "resources/resource.h"

using namespace Gdiplus::DllExports;

ScopedGpImage DecodeResourceImage(HINSTANCE instance, uint16_t id)
{
    HRSRC info = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(RT_LAUNCHER));
    if (info == nullptr)
        return ScopedGpImage();
    const DWORD size = SizeofResource(instance, info);
    HGLOBAL loaded = LoadResource(instance, info);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0)
        return ScopedGpImage();
    ScopedGlobalMemory copy(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!copy)
        return ScopedGpImage();
    {
        GlobalLockScope lock(copy.Get());
        if (lock.Data() == nullptr)
            return ScopedGpImage();
        std::memcpy(lock.Data(), bytes, size);
    }
    ScopedStream stream;
    if (CreateStreamOnHGlobal(copy.Get(), TRUE, stream.Out()) != S_OK)
        return ScopedGpImage();
    copy.Release();  // the stream frees it now
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromStream(stream.Get(), &bitmap) != Gdiplus::Ok)
        return ScopedGpImage();
    return ScopedGpImage(bitmap);
}
