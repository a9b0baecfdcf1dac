#include "ui/UiPlatform.h"

namespace {
IGraphics* g_graphics = nullptr;
IWindowSystem* g_windows = nullptr;
}

void SetUiPlatform(IGraphics* graphics, IWindowSystem* windows)
{
    g_graphics = graphics;
    g_windows = windows;
}

IGraphics* UiGraphics()
{
    return g_graphics;
}

IWindowSystem* UiWindows()
{
    return g_windows;
}

std::unique_ptr<ISurface> OpenUiSurface(DeviceContext dc)
{
    if (g_graphics == nullptr)
        return nullptr;
    return g_graphics->OpenSurface(dc);
}
