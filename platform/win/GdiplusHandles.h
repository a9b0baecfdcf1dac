#pragma once
// The GDI+ flat objects the drawing code uses, each released with its own
// delete function (see ScopedHandles.h).
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include "platform/win/ScopedHandles.h"

using ScopedGpGraphics = ScopedHandle<Gdiplus::GpGraphics*, &Gdiplus::DllExports::GdipDeleteGraphics>;
using ScopedGpImage = ScopedHandle<Gdiplus::GpImage*, &Gdiplus::DllExports::GdipDisposeImage>;
using ScopedGpFontFamily = ScopedHandle<Gdiplus::GpFontFamily*, &Gdiplus::DllExports::GdipDeleteFontFamily>;
using ScopedGpFont = ScopedHandle<Gdiplus::GpFont*, &Gdiplus::DllExports::GdipDeleteFont>;
using ScopedGpStringFormat = ScopedHandle<Gdiplus::GpStringFormat*, &Gdiplus::DllExports::GdipDeleteStringFormat>;
using ScopedGpBrush = ScopedHandle<Gdiplus::GpBrush*, &Gdiplus::DllExports::GdipDeleteBrush>;
using ScopedGpPen = ScopedHandle<Gdiplus::GpPen*, &Gdiplus::DllExports::GdipDeletePen>;
using ScopedGpPath = ScopedHandle<Gdiplus::GpPath*, &Gdiplus::DllExports::GdipDeletePath>;
using ScopedGpImageAttributes =
    ScopedHandle<Gdiplus::GpImageAttributes*, &Gdiplus::DllExports::GdipDisposeImageAttributes>;
