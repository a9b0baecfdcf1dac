#pragma once
// The one place where the element toolkit is told which drawing interface
// and which window system it works with. The application installs the real
// ones at start-up, before it creates any element; each test installs its
// fakes. Neither is owned here. Until they are installed (or when null is
// installed) images do not load, nothing is drawn and nothing is invalidated.
#include <memory>

#include "platform/Graphics.h"
#include "platform/WindowSystem.h"

void SetUiPlatform(IGraphics* graphics, IWindowSystem* windows);

IGraphics* UiGraphics();
IWindowSystem* UiWindows();

// A drawing surface on dc from the installed drawing interface; null when
// there is none or it cannot open one.
std::unique_ptr<ISurface> OpenUiSurface(DeviceContext dc);
