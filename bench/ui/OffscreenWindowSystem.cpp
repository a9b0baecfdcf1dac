#include "bench/ui/OffscreenWindowSystem.h"

OffscreenWindowSystem::OffscreenWindowSystem(int32_t width, int32_t height) : m_client{0, 0, width, height} {}

WindowHandle OffscreenWindowSystem::Window()
{
    // The object's own address: unique and never null.
    return this;
}

bool OffscreenWindowSystem::IsWindow(WindowHandle window)
{
    return window == Window();
}

void OffscreenWindowSystem::InvalidateRect(WindowHandle, const Rect*, bool) {}

void OffscreenWindowSystem::UpdateWindow(WindowHandle) {}

bool OffscreenWindowSystem::GetClientRect(WindowHandle window, Rect& rect)
{
    if (!IsWindow(window))
        return false;
    rect = m_client;
    return true;
}

void OffscreenWindowSystem::DestroyWindow(WindowHandle) {}

void OffscreenWindowSystem::Minimize(WindowHandle) {}

void OffscreenWindowSystem::PostMessage(WindowHandle, uint32_t, uintptr_t, uintptr_t) {}
