#include "ui/StyledText.h"

#include "ui/Colour.h"
#include "ui/UiPlatform.h"

FontSpec FontOf(const TextStyle& style, int32_t dpi)
{
    return FontSpec{style.family, static_cast<float>(style.size), style.style, FontScaleForDpi(dpi)};
}

void DrawStyledText(ISurface& surface, const std::wstring& text, const TextStyle& style, const Rect& rect,
                    int32_t dpi)
{
    TextBox box;
    box.x = static_cast<float>(rect.left);
    box.y = static_cast<float>(rect.top);
    box.width = static_cast<float>(rect.Width());
    box.height = static_cast<float>(rect.Height());
    box.horizontal = HorizontalAlign(style.align);
    box.vertical = VerticalAlign(style.align);
    surface.DrawString(text, FontOf(style, dpi), box, ToArgb(0xFF, style.colour));
}

bool MeasureText(const TextStyle& style, const std::wstring& text, float& width, float& height, int32_t dpi)
{
    IGraphics* graphics = UiGraphics();
    if (graphics == nullptr)
        return false;
    return graphics->MeasureString(text, FontOf(style, dpi), HorizontalAlign(style.align), VerticalAlign(style.align),
                                   width, height);
}
