#include "bench/ui/BenchScreen.h"

#include <string>

#include "app/ScreenLayout.h"
#include "ui/CLabel.h"
#include "ui/CNormalBtn.h"
#include "ui/CProgress.h"

namespace {

constexpr int32_t kClientWidth = 630;
constexpr int32_t kClientHeight = 453;
const wchar_t kGameName[] = L"\u5965\u51E1\u8482\u65AF";  // the shipped configuration's "k_name"

}  // namespace

BenchScreen::BenchScreen(int32_t dpi)
    : m_windows(ScaleByDpi(kClientWidth, dpi), ScaleByDpi(kClientHeight, dpi)),
      m_root(BuildLauncherScreen(m_windows.Window(), m_windows, kGameName, dpi))
{
}

BenchScreen::~BenchScreen()
{
    ClearScreenGlobals();
}

void BenchScreen::ShowDownload(double fraction)
{
    g_installButton->m_visible = false;
    g_progressBar->m_visible = true;
    g_percentLabel->m_visible = true;
    g_statusLabel->m_visible = true;
    g_progressBar->m_fraction = fraction;
    g_percentLabel->m_text = std::to_wstring(static_cast<int>(fraction * 100.0)) + L"%";
}
