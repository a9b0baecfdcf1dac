#include "platform/win/GdiplusText.h"

using namespace Gdiplus::DllExports;

namespace {

ScopedGpFont FontOfFamily(Gdiplus::GpFontFamily* family, const FontSpec& spec)
{
    // In pixels: a size in points would be scaled again by the device
    // context's own DPI, on top of the screen's scale the font already
    // carries (FontSpec::scale).
    const double pixels = static_cast<double>(spec.sizePoints) * 96.0 / 72.0 * static_cast<double>(spec.scale);
    Gdiplus::GpFont* font = nullptr;
    if (GdipCreateFont(family, static_cast<Gdiplus::REAL>(pixels), spec.style, Gdiplus::UnitPixel, &font) !=
        Gdiplus::Ok)
        font = nullptr;
    return ScopedGpFont(font);
}

}  // namespace

ScopedGpFont CreateGdiplusFont(const FontSpec& spec)
{
    {
        Gdiplus::GpFontFamily* named = nullptr;
        if (GdipCreateFontFamilyFromName(spec.family.c_str(), nullptr, &named) == Gdiplus::Ok && named != nullptr) {
            ScopedGpFontFamily family(named);
            ScopedGpFont font = FontOfFamily(family.Get(), spec);
            if (font)
                return font;
        }
    }
    Gdiplus::GpFontFamily* generic = nullptr;
    if (GdipGetGenericFontFamilySansSerif(&generic) != Gdiplus::Ok || generic == nullptr)
        return ScopedGpFont();
    ScopedGpFontFamily family(generic);
    return FontOfFamily(family.Get(), spec);
}

ScopedGpStringFormat CreateGdiplusFormat(TextAlign horizontal, TextAlign vertical)
{
    Gdiplus::GpStringFormat* format = nullptr;
    if (GdipCreateStringFormat(0, LANG_NEUTRAL, &format) != Gdiplus::Ok || format == nullptr)
        return ScopedGpStringFormat();
    ScopedGpStringFormat result(format);
    GdipSetStringFormatAlign(format, static_cast<Gdiplus::StringAlignment>(horizontal));
    GdipSetStringFormatLineAlign(format, static_cast<Gdiplus::StringAlignment>(vertical));
    return result;
}
