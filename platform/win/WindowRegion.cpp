// The window's shape from the alpha channel of a skin image: decoded once,
// read in one locked block, turned into row runs and made into one region.
#include "platform/win/WindowRegion.h"

#include <objidl.h>

#include <gdiplus.h>

#include <vector>

#include "app/WindowShape.h"
#include "resources/resource.h"

using namespace Gdiplus::DllExports;

namespace {

// A GDI+ bitmap decoded from the bytes of a resource, through a stream on a
// movable global copy that the stream frees.
class ResourceBitmap {
public:
    ResourceBitmap(HINSTANCE instance, uint16_t id)
    {
        HRSRC info = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(RT_LAUNCHER));
        if (info == nullptr)
            return;
        DWORD size = SizeofResource(instance, info);
        HGLOBAL data = LoadResource(instance, info);
        const void* bytes = data != nullptr ? LockResource(data) : nullptr;
        if (bytes == nullptr || size == 0)
            return;
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
        if (copy == nullptr)
            return;
        void* target = GlobalLock(copy);
        if (target == nullptr) {
            GlobalFree(copy);
            return;
        }
        CopyMemory(target, bytes, size);
        GlobalUnlock(copy);
        IStream* stream = nullptr;
        if (CreateStreamOnHGlobal(copy, TRUE, &stream) != S_OK) {
            GlobalFree(copy);
            return;
        }
        GdipCreateBitmapFromStream(stream, &m_bitmap);
        stream->Release();
    }
    ~ResourceBitmap()
    {
        if (m_bitmap != nullptr)
            GdipDisposeImage(m_bitmap);
    }
    ResourceBitmap(const ResourceBitmap&) = delete;
    ResourceBitmap& operator=(const ResourceBitmap&) = delete;
    Gdiplus::GpBitmap* Get() const { return m_bitmap; }

private:
    Gdiplus::GpBitmap* m_bitmap = nullptr;
};

}  // namespace

HRGN CreateRegionFromImage(HINSTANCE instance, uint16_t id)
{
    ResourceBitmap bitmap(instance, id);
    if (bitmap.Get() == nullptr)
        return nullptr;
    UINT width = 0;
    UINT height = 0;
    GdipGetImageWidth(bitmap.Get(), &width);
    GdipGetImageHeight(bitmap.Get(), &height);
    Gdiplus::GpRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    Gdiplus::BitmapData data{};
    if (GdipBitmapLockBits(bitmap.Get(), &all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) !=
        Gdiplus::Ok)
        return nullptr;
    std::vector<Rect> runs = OpaqueRuns(static_cast<const uint32_t*>(data.Scan0), static_cast<int32_t>(width),
                                        static_cast<int32_t>(height), data.Stride / 4);
    GdipBitmapUnlockBits(bitmap.Get(), &data);

    // One region from all runs at once: a header followed by the rectangles.
    std::vector<uint8_t> buffer(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* region = reinterpret_cast<RGNDATA*>(buffer.data());
    region->rdh.dwSize = sizeof(RGNDATAHEADER);
    region->rdh.iType = RDH_RECTANGLES;
    region->rdh.nCount = static_cast<DWORD>(runs.size());
    region->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    region->rdh.rcBound = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    auto* rects = reinterpret_cast<RECT*>(region->Buffer);
    for (size_t i = 0; i < runs.size(); ++i)
        rects[i] = RECT{runs[i].left, runs[i].top, runs[i].right, runs[i].bottom};
    return ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), region);
}
