#pragma once
#include <gtest/gtest.h>

#include "tests/fakes/FakeGraphics.h"
#include "tests/fakes/RecordingWindowSystem.h"
#include "ui/CPane.h"
#include "ui/UiPlatform.h"

// Installs a recording drawing interface and window system for one test,
// with one live window and a root pane covering its 630 x 453 client area.
class UiTest : public ::testing::Test {
protected:
    UiTest()
    {
        windows.live.insert(kWindow);
        SetUiPlatform(&graphics, &windows);
        root = std::make_unique<CPane>(kWindow);
        root->m_rect = Rect{0, 0, 630, 453};
    }
    ~UiTest() override
    {
        root.reset();
        SetUiPlatform(nullptr, nullptr);
    }

    // Adds element to parent (the root pane by default) and returns it.
    template <typename T>
    T* Add(T* element, CPane* parent = nullptr)
    {
        (parent != nullptr ? parent : root.get())->AddChild(element);
        return element;
    }

    static constexpr uintptr_t kWindowValue = 0x1000;
    const WindowHandle kWindow = reinterpret_cast<WindowHandle>(kWindowValue);
    const DeviceContext kDc = reinterpret_cast<DeviceContext>(0x2000);
    FakeGraphics graphics;
    RecordingWindowSystem windows;
    std::unique_ptr<CPane> root;
};
