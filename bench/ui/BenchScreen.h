#pragma once
// The launcher's complete screen for the paint benchmark and the screenshot
// program: the application's own layout (BuildLauncherScreen) built for an
// off-screen window of 630 x 453 at 96 DPI (each edge scaled by DPI / 96 at
// another DPI) with the shipped game name, so that both
// programs draw exactly what the launcher draws. The layout publishes the
// install button, progress bar and labels as g_installButton and friends
// (app/ScreenLayout.h). The drawing interface must be installed
// (SetUiPlatform) before a BenchScreen is made.
#include <memory>

#include "bench/ui/OffscreenWindowSystem.h"
#include "ui/CPane.h"
#include "ui/Dpi.h"

class BenchScreen {
public:
    explicit BenchScreen(int32_t dpi = kBaseDpi);
    ~BenchScreen();
    BenchScreen(const BenchScreen&) = delete;
    BenchScreen& operator=(const BenchScreen&) = delete;

    CPane& Root() { return *m_root; }

    // Shows a download in progress as the launcher does: the install button
    // hidden, the bar at fraction, the percentage and the status line shown.
    void ShowDownload(double fraction);

private:
    OffscreenWindowSystem m_windows;
    std::unique_ptr<CPane> m_root;
};
