#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/Types.h"
#include "ui/Dpi.h"

class CBtn;
class CImage;
class CImageBtn;
class CLabel;
class CNormalBtn;
class CPane;
class CProgress;
class IWindowSystem;

// Element ids: what a click on the element does (negative ids are never hit).
constexpr int32_t ID_CLOSE = 0;
constexpr int32_t ID_MINIMIZE = 1;
constexpr int32_t ID_INSTALL = 2;
constexpr int32_t ID_PICTURE = 3;  // the banner: no action

// The screen's elements, in the order the screen builder adds them to the
// root pane, published by the builder; null until the screen exists. Not
// owned: the root pane owns them. They are the one way to reach an element:
// the launcher flow changes the last four, the layout places every one and
// the screen reader lists them.
extern CImage* g_symbolImage;
extern CLabel* g_nameLabel;
extern CImageBtn* g_closeButton;
extern CImageBtn* g_minimizeButton;
extern CImage* g_bannerImage;
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

// The resource ids of the skin's pictures of the set drawn at dpi, the
// background first (for decoding ahead of the window).
std::vector<uint16_t> SkinPictureIds(int32_t dpi);

// The window's size at 96 DPI; at other DPIs it is scaled by DPI / 96.
constexpr int32_t kScreenWidth = 630;
constexpr int32_t kScreenHeight = 453;

// Builds the launcher's element tree for the window: symbol, game name,
// close and minimise buttons, banner, install button, and the hidden
// progress bar, percentage and status line, laid out for dpi (see
// LayOutLauncherScreen). Publishes the element globals.
std::unique_ptr<CPane> BuildLauncherScreen(WindowHandle window, IWindowSystem& windows,
                                           const std::wstring& gameName, int32_t dpi = kBaseDpi);

// Lays the published screen out for dpi (nothing when none is published;
// root is the pane that holds it): the root pane takes the window's
// client rectangle, every element its 96 DPI rectangle with each edge
// scaled by dpi / 96, and draws its lines, text and pictures for dpi.
// Requests no repaint.
void LayOutLauncherScreen(CPane& root, WindowHandle window, IWindowSystem& windows, int32_t dpi);

// Forgets the published elements (before the tree is destroyed).
void ClearScreenGlobals();

// The install button's look for its current state: a thin light-grey
// rounded outline, blue under the pointer, darker blue while pressed.
void ApplyInstallButtonStyle(CBtn* button);
