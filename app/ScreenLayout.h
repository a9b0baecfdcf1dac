#pragma once
#include <memory>
#include <string>

#include "platform/Types.h"

class CBtn;
class CLabel;
class CNormalBtn;
class CPane;
class CProgress;
class IWindowSystem;

// The four elements the launcher flow changes, published by the screen
// builder; null until the screen exists. Not owned: the root pane owns them.
extern CNormalBtn* g_installButton;
extern CProgress* g_progressBar;
extern CLabel* g_percentLabel;
extern CLabel* g_statusLabel;

// Skin images of the screen (resource type 2020).
constexpr uint16_t kImageSymbol = 204;
constexpr uint16_t kImageClose = 215;
constexpr uint16_t kImageMinimize = 226;
constexpr uint16_t kImageBanner = 205;
constexpr uint16_t kImageTrack = 229;
constexpr uint16_t kImageBar = 228;
constexpr uint16_t kImageBackground = 220;

// Builds the launcher's element tree for the window: symbol, game name,
// close and minimise buttons, banner, install button, and the hidden
// progress bar, percentage and status line. Publishes the four globals.
std::unique_ptr<CPane> BuildLauncherScreen(WindowHandle window, IWindowSystem& windows,
                                           const std::wstring& gameName);

// Forgets the published elements (before the tree is destroyed).
void ClearScreenGlobals();

// The install button's look for its current state: a thin light-grey
// rounded outline, blue under the pointer, darker blue while pressed.
void ApplyInstallButtonStyle(CBtn* button);
