#pragma once
// Owning wrappers for the GDI+ flat objects, the global memory, stream and
// GDI objects the drawing code uses; each is released exactly once, in its
// destructor.
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include "platform/win/ScopedHandles.h"

template <typename T, Gdiplus::GpStatus(WINGDIPAPI* Delete)(T*)>
struct GdiplusTraits {
    static T* Invalid() { return nullptr; }
    static bool Valid(T* p) { return p != nullptr; }
    static void Close(T* p) { Delete(p); }
};

using ScopedGpGraphics = ScopedHandle<Gdiplus::GpGraphics*,
                                      GdiplusTraits<Gdiplus::GpGraphics, Gdiplus::DllExports::GdipDeleteGraphics>>;
using ScopedGpImage = ScopedHandle<Gdiplus::GpImage*,
                                   GdiplusTraits<Gdiplus::GpImage, Gdiplus::DllExports::GdipDisposeImage>>;
using ScopedGpFontFamily = ScopedHandle<
    Gdiplus::GpFontFamily*, GdiplusTraits<Gdiplus::GpFontFamily, Gdiplus::DllExports::GdipDeleteFontFamily>>;
using ScopedGpFont = ScopedHandle<Gdiplus::GpFont*,
                                  GdiplusTraits<Gdiplus::GpFont, Gdiplus::DllExports::GdipDeleteFont>>;
using ScopedGpStringFormat = ScopedHandle<
    Gdiplus::GpStringFormat*, GdiplusTraits<Gdiplus::GpStringFormat, Gdiplus::DllExports::GdipDeleteStringFormat>>;
using ScopedGpBrush = ScopedHandle<Gdiplus::GpBrush*,
                                   GdiplusTraits<Gdiplus::GpBrush, Gdiplus::DllExports::GdipDeleteBrush>>;
using ScopedGpPen = ScopedHandle<Gdiplus::GpPen*, GdiplusTraits<Gdiplus::GpPen, Gdiplus::DllExports::GdipDeletePen>>;
using ScopedGpPath = ScopedHandle<Gdiplus::GpPath*,
                                  GdiplusTraits<Gdiplus::GpPath, Gdiplus::DllExports::GdipDeletePath>>;

struct GlobalMemoryTraits {
    static HGLOBAL Invalid() { return nullptr; }
    static bool Valid(HGLOBAL h) { return h != nullptr; }
    static void Close(HGLOBAL h) { GlobalFree(h); }
};
using ScopedGlobalMemory = ScopedHandle<HGLOBAL, GlobalMemoryTraits>;

struct StreamTraits {
    static IStream* Invalid() { return nullptr; }
    static bool Valid(IStream* s) { return s != nullptr; }
    static void Close(IStream* s) { s->Release(); }
};
using ScopedStream = ScopedHandle<IStream*, StreamTraits>;

struct MemoryDcTraits {
    static HDC Invalid() { return nullptr; }
    static bool Valid(HDC h) { return h != nullptr; }
    static void Close(HDC h) { DeleteDC(h); }
};
using ScopedMemoryDc = ScopedHandle<HDC, MemoryDcTraits>;

struct GdiObjectTraits {
    static HGDIOBJ Invalid() { return nullptr; }
    static bool Valid(HGDIOBJ h) { return h != nullptr; }
    static void Close(HGDIOBJ h) { DeleteObject(h); }
};
using ScopedGdiObject = ScopedHandle<HGDIOBJ, GdiObjectTraits>;

// A lock on a global memory block, held for the wrapper's lifetime.
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL block) : m_block(block), m_data(GlobalLock(block)) {}
    ~GlobalLockScope()
    {
        if (m_data != nullptr)
            GlobalUnlock(m_block);
    }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    void* Data() const { return m_data; }

private:
    HGLOBAL m_block;
    void* m_data;
};
