#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/win/OffscreenBitmap.h"
#include "platform/win/GdiplusGraphics.h"
#include "tests/fakes/RecordingWindowSystem.h"
#include "ui/CPane.h"
#include "ui/UiPlatform.h"

// Real GDI+ on the pictures of this test program, a root pane of the
// launcher's client size, and an off-screen bitmap of the same size, like
// the one the window paints into, that starts black.
class WinUiTest : public ::testing::Test {
protected:
    WinUiTest() : graphics(GetModuleHandleW(nullptr)), canvas(630, 453)
    {
        SetUiPlatform(&graphics, &windows);
        root = std::make_unique<CPane>(nullptr);
        root->m_rect = Rect{0, 0, 630, 453};
        canvas.Fill(0);
    }
    ~WinUiTest() override
    {
        root.reset();
        SetUiPlatform(nullptr, nullptr);
    }

    template <typename T>
    T* Add(T* element)
    {
        root->AddChild(element);
        return element;
    }

    // Paints the root pane and reads the bitmap back.
    void Paint()
    {
        root->Draw(canvas.Dc());
        Snap();
    }
    // Reads the bitmap back after drawing on it.
    void Snap()
    {
        pixels = canvas.ReadPixels();
        ASSERT_EQ(pixels.size(), 630u * 453u);
    }
    // Black again.
    void Clear()
    {
        canvas.Fill(0);
        pixels.assign(630 * 453, 0);
    }

    // A pixel as 0xRRGGBB, as last read back.
    uint32_t Rgb(int32_t x, int32_t y) const
    {
        if (x < 0 || y < 0 || x >= 630 || y >= 453 || pixels.empty())
            return 0xDEADBEEFu;
        return pixels[static_cast<size_t>(y) * 630 + static_cast<size_t>(x)];
    }

    // The smallest rectangle holding every pixel that is not `background`.
    Rect InkBounds(uint32_t background = 0) const
    {
        Rect ink{630, 453, 0, 0};
        for (int32_t y = 0; y < 453; ++y) {
            for (int32_t x = 0; x < 630; ++x) {
                if (Rgb(x, y) == background)
                    continue;
                ink.left = x < ink.left ? x : ink.left;
                ink.top = y < ink.top ? y : ink.top;
                ink.right = x + 1 > ink.right ? x + 1 : ink.right;
                ink.bottom = y + 1 > ink.bottom ? y + 1 : ink.bottom;
            }
        }
        return ink;
    }

    GdiplusGraphics graphics;
    RecordingWindowSystem windows;
    OffscreenBitmap canvas;
    std::vector<uint32_t> pixels;
    std::unique_ptr<CPane> root;
};

inline std::ostream& operator<<(std::ostream& out, const Rect& r)
{
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
