// Draws the launcher's screen with real GDI+ into off-screen bitmaps and
// saves them as PNG files for a person to look at:
//   screen-normal.png    as the window opens
//   screen-hover.png     the pointer over the install and close buttons
//   screen-pressed.png   the install button held down
//   screen-download.png  a download at 45 %
// Usage: ui_screenshot.exe <folder>. The area outside the window's shape
// (where the background picture is transparent) shows as a grey checkerboard.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/ScreenLayout.h"
#include "bench/ui/BenchScreen.h"
#include "platform/win/OffscreenBitmap.h"
#include "platform/win/GdiplusGraphics.h"
#include "platform/win/GdiplusHandles.h"
#include "platform/win/GdiplusSession.h"
#include "ui/CImageBtn.h"
#include "ui/CNormalBtn.h"
#include "ui/CResImage.h"
#include "ui/UiPlatform.h"

using namespace Gdiplus::DllExports;

namespace {

// GDI+'s PNG encoder.
const CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

void FillCheckerboard(OffscreenBitmap& canvas)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(canvas.Width()) * static_cast<size_t>(canvas.Height()));
    for (int32_t y = 0; y < canvas.Height(); ++y) {
        for (int32_t x = 0; x < canvas.Width(); ++x) {
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            pixels[static_cast<size_t>(y) * static_cast<size_t>(canvas.Width()) + static_cast<size_t>(x)] =
                light ? 0xC8C8C8u : 0x9A9A9Au;
        }
    }
    canvas.WritePixels(pixels);
}

bool SavePng(const OffscreenBitmap& canvas, const std::wstring& path)
{
    std::vector<uint32_t> pixels = canvas.ReadPixels();
    if (pixels.empty())
        return false;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(canvas.Width(), canvas.Height(), canvas.Width() * 4, PixelFormat32bppRGB,
                                  reinterpret_cast<BYTE*>(pixels.data()), &bitmap) != Gdiplus::Ok)
        return false;
    ScopedGpImage image(bitmap);
    return GdipSaveImageToFile(image.Get(), path.c_str(), &kPngEncoder, nullptr) == Gdiplus::Ok;
}

std::wstring Widen(const char* text)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: ui_screenshot.exe <folder>\n");
        return 2;
    }
    const std::wstring folder = Widen(argv[1]);
    GdiplusSession gdiplus;
    if (!gdiplus.Started()) {
        std::fprintf(stderr, "GDI+ did not start\n");
        return 1;
    }
    GdiplusGraphics graphics(GetModuleHandleW(nullptr));
    SetUiPlatform(&graphics, nullptr);
    int failures = 0;
    {
        CResImage background;
        background.LoadFromResource(kImageBackground);
        BenchScreen screen;
        OffscreenBitmap canvas(630, 453);

        auto shoot = [&](const wchar_t* name) {
            FillCheckerboard(canvas);
            background.DrawAt(canvas.Dc(), 0, 0);
            screen.Root().Draw(canvas.Dc());
            const std::wstring path = folder + L"\\" + name;
            if (!SavePng(canvas, path)) {
                std::fprintf(stderr, "could not write %ls\n", path.c_str());
                ++failures;
            } else {
                std::printf("wrote %ls\n", path.c_str());
            }
        };

        shoot(L"screen-normal.png");
        g_installButton->OnMouseEnter();
        static_cast<CImageBtn*>(screen.Root().m_children[2].get())->OnMouseEnter();  // close button
        shoot(L"screen-hover.png");
        g_installButton->OnMouseDown();
        shoot(L"screen-pressed.png");
        g_installButton->OnMouseUp();
        screen.ShowDownload(0.45);
        shoot(L"screen-download.png");
    }
    SetUiPlatform(nullptr, nullptr);
    return failures == 0 ? 0 : 1;
}
