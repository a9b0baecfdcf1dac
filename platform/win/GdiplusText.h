#pragma once
// Fonts and string formats for text drawing and measuring.
#include "platform/Graphics.h"
#include "platform/win/GdiplusHandles.h"

// A font of spec's family, size (made in pixels: points x 96 / 72 x the
// spec's scale) and style; when that family is not installed or gives no
// font, of the generic sans-serif family. Empty when neither gives a font.
ScopedGpFont CreateGdiplusFont(const FontSpec& spec);

// A format with no flags and the neutral language, placing text as given.
ScopedGpStringFormat CreateGdiplusFormat(TextAlign horizontal, TextAlign vertical);
