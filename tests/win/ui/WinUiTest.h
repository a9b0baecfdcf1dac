#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "platform/win/DibCanvas.h"
#include "platform/win/GdiplusGraphics.h"
#include "tests/fakes/RecordingWindowSystem.h"
#include "ui/CPane.h"
#include "ui/UiPlatform.h"

// Real GDI+ on the pictures of this test program, a root pane of the
// launcher's client size, and an off-screen canvas of the same size that
// starts opaque black.
class WinUiTest : public ::testing::Test {
protected:
    WinUiTest() : graphics(GetModuleHandleW(nullptr)), canvas(630, 453)
    {
        SetUiPlatform(&graphics, &windows);
        root = std::make_unique<CPane>(nullptr);
        root->m_rect = Rect{0, 0, 630, 453};
        canvas.Fill(kBlack);
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

    // The pixel without its alpha byte: 0xRRGGBB.
    uint32_t Rgb(int32_t x, int32_t y) const { return canvas.Pixel(x, y) & 0xFFFFFFu; }

    // The smallest rectangle holding every pixel that is not `background`.
    Rect InkBounds(uint32_t background = kBlack & 0xFFFFFFu) const
    {
        const uint32_t* bits = canvas.Bits();
        Rect ink{canvas.Width(), canvas.Height(), 0, 0};
        for (int32_t y = 0; y < canvas.Height(); ++y) {
            for (int32_t x = 0; x < canvas.Width(); ++x) {
                if ((bits[y * canvas.Width() + x] & 0xFFFFFFu) == background)
                    continue;
                ink.left = x < ink.left ? x : ink.left;
                ink.top = y < ink.top ? y : ink.top;
                ink.right = x + 1 > ink.right ? x + 1 : ink.right;
                ink.bottom = y + 1 > ink.bottom ? y + 1 : ink.bottom;
            }
        }
        return ink;
    }

    static constexpr uint32_t kBlack = 0xFF000000u;
    GdiplusGraphics graphics;
    RecordingWindowSystem windows;
    DibCanvas canvas;
    std::unique_ptr<CPane> root;
};

inline std::ostream& operator<<(std::ostream& out, const Rect& r)
{
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
