#pragma once
// The launcher's complete screen as an element tree, for the paint benchmark
// and the screenshot program: every element, picture, rectangle, text and
// style of the launcher's screen layout, built for a client area of
// clientWidth x clientHeight. The drawing interface must be installed
// (SetUiPlatform) before it is called.
#include <cstdint>
#include <memory>

#include "platform/Types.h"
#include "ui/CBtn.h"
#include "ui/CLabel.h"
#include "ui/CNormalBtn.h"
#include "ui/CPane.h"
#include "ui/CProgress.h"

struct LauncherScreenTree {
    std::unique_ptr<CPane> root;
    // Not owned: elements of root that the launcher changes while it works.
    CNormalBtn* installButton = nullptr;
    CProgress* progressBar = nullptr;
    CLabel* percentLabel = nullptr;
    CLabel* statusLabel = nullptr;
};

LauncherScreenTree BuildLauncherScreenTree(WindowHandle window, int32_t clientWidth, int32_t clientHeight);

// The install button's look for its current state: a thin light outline
// when normal or disabled, filled blue under the pointer, darker blue while
// pressed; the caption always the same.
void StyleInstallButton(CBtn* button);

// Shows the download in progress as the launcher does: the install button
// hidden, the bar at fraction, the percentage and the status line shown.
void ShowDownload(LauncherScreenTree& screen, double fraction);
