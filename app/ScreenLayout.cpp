#include "app/ScreenLayout.h"

#include "platform/WindowSystem.h"
#include "tasks/StatusTexts.h"
#include "ui/Dpi.h"
#include "ui/CImage.h"
#include "ui/CImageBtn.h"
#include "ui/CLabel.h"
#include "ui/CNormalBtn.h"
#include "ui/CPane.h"
#include "ui/CProgress.h"

CImage* g_symbolImage = nullptr;
CLabel* g_nameLabel = nullptr;
CImageBtn* g_closeButton = nullptr;
CImageBtn* g_minimizeButton = nullptr;
CImage* g_bannerImage = nullptr;
CNormalBtn* g_installButton = nullptr;
CProgress* g_progressBar = nullptr;
CLabel* g_percentLabel = nullptr;
CLabel* g_statusLabel = nullptr;

namespace {

const wchar_t kFontFamily[] = L"微软雅黑";

TextStyle NameStyle()
{
    TextStyle style;
    style.family = kFontFamily;
    style.size = 9;
    style.style = 0;
    style.colour = 0xB4B4B4;
    style.align = ALIGN_LEFT | ALIGN_TOP;
    return style;
}

// Appends a child to the root pane, which takes ownership.
template <typename T>
T* Add(CPane& root, std::unique_ptr<T> element)
{
    T* raw = element.get();
    element->m_parent = &root;
    root.AddChild(element.release());
    return raw;
}

}  // namespace

std::unique_ptr<CPane> BuildLauncherScreen(WindowHandle window, IWindowSystem& windows,
                                           const std::wstring& gameName, int32_t dpi)
{
    auto root = std::make_unique<CPane>(window);
    root->m_id = -1;
    const TextStyle nameStyle = NameStyle();

    g_symbolImage = Add(*root, std::make_unique<CImage>(window, kImageSymbol, dpi));

    auto name = std::make_unique<CLabel>(window);
    name->SetText(gameName);
    name->SetTextStyle(nameStyle);
    g_nameLabel = Add(*root, std::move(name));

    auto close = std::make_unique<CImageBtn>(window, kImageClose, ID_CLOSE, dpi);
    close->m_eraseBkgnd = true;
    g_closeButton = Add(*root, std::move(close));

    auto minimize = std::make_unique<CImageBtn>(window, kImageMinimize, ID_MINIMIZE, dpi);
    minimize->m_eraseBkgnd = true;
    g_minimizeButton = Add(*root, std::move(minimize));

    auto banner = std::make_unique<CImage>(window, kImageBanner, dpi);
    banner->m_id = ID_PICTURE;
    g_bannerImage = Add(*root, std::move(banner));

    auto install = std::make_unique<CNormalBtn>(window);
    install->m_text = L"立即安装";
    install->m_id = ID_INSTALL;
    install->m_eraseBkgnd = true;
    ApplyInstallButtonStyle(install.get());
    install->m_onStateChanged = ApplyInstallButtonStyle;
    g_installButton = Add(*root, std::move(install));

    auto progress = std::make_unique<CProgress>(window, kImageTrack, kImageBar, dpi);
    progress->m_fraction = 0.0;
    progress->m_visible = false;
    g_progressBar = Add(*root, std::move(progress));

    auto percent = std::make_unique<CLabel>(window);
    percent->SetText(L"0%");
    percent->SetTextStyle(nameStyle);
    percent->m_visible = false;
    g_percentLabel = Add(*root, std::move(percent));

    auto status = std::make_unique<CLabel>(window);
    status->SetText(status::kStarting);
    TextStyle statusStyle = nameStyle;
    statusStyle.size = 8;
    status->SetTextStyle(statusStyle);
    status->m_visible = false;
    g_statusLabel = Add(*root, std::move(status));

    LayOutLauncherScreen(*root, window, windows, dpi);
    return root;
}

void LayOutLauncherScreen(CPane& root, WindowHandle window, IWindowSystem& windows, int32_t dpi)
{
    if (g_statusLabel == nullptr || g_statusLabel->m_parent != &root)
        return;
    root.SetDpi(dpi);
    Rect client;
    if (window != nullptr && windows.IsWindow(window) && windows.GetClientRect(window, client))
        root.m_rect = client;
    // Everything below is in 96 DPI pixels, as designed; each rectangle is
    // scaled once, edge by edge, when it is stored.
    const int32_t cw = UnscaleByDpi(root.m_rect.Width(), dpi);
    auto place = [dpi](CUIBase* element, const Rect& design) { element->m_rect = ScaleRectByDpi(design, dpi); };
    int32_t w = 0;
    int32_t h = 0;

    g_symbolImage->m_image.GetDesignSize(w, h);
    place(g_symbolImage, Rect{20, 16, 20 + w, 16 + h});

    place(g_nameLabel, Rect{38, 12, 188, 28});

    g_closeButton->m_image.GetDesignSize(w, h);
    const Rect close{cw - 16 - w / 4, 8, cw - 16, h + 8};
    place(g_closeButton, close);

    g_minimizeButton->m_image.GetDesignSize(w, h);
    place(g_minimizeButton, Rect{close.left - 2 - w / 4, 8, close.left - 2, h + 8});

    g_bannerImage->m_image.GetDesignSize(w, h);
    const int32_t bannerLeft = (cw - w) / 2;
    place(g_bannerImage, Rect{bannerLeft, 40, bannerLeft + w, 40 + h});

    const int32_t installLeft = (cw - 176) / 2;
    place(g_installButton, Rect{installLeft, 288, installLeft + 176, 342});

    g_progressBar->m_track.GetDesignSize(w, h);
    const int32_t trackWidth = w;
    place(g_progressBar, Rect{66, 328, 66 + w, 328 + h});

    place(g_percentLabel, Rect{trackWidth + 78, 322, trackWidth + 118, 338});
    place(g_statusLabel, Rect{66, 342, 466, 358});
}

std::vector<uint16_t> SkinPictureIds(int32_t dpi)
{
    std::vector<uint16_t> ids{kImageBackground, kImageSymbol, kImageClose, kImageMinimize,
                              kImageBanner,     kImageTrack,  kImageBar};
    if (PictureSetForDpi(dpi) == 2) {
        for (uint16_t& id : ids)
            id = static_cast<uint16_t>(id + kDoubleSizePictureOffset);
    }
    return ids;
}

void ClearScreenGlobals()
{
    g_symbolImage = nullptr;
    g_nameLabel = nullptr;
    g_closeButton = nullptr;
    g_minimizeButton = nullptr;
    g_bannerImage = nullptr;
    g_installButton = nullptr;
    g_progressBar = nullptr;
    g_percentLabel = nullptr;
    g_statusLabel = nullptr;
}

void ApplyInstallButtonStyle(CBtn* button)
{
    auto* b = static_cast<CNormalBtn*>(button);
    switch (b->m_state) {
    case BTN_HOVER:
        b->m_border = BorderStyle::None();
        b->m_fill = FillStyle{255, 0xFFAE00, 4};
        break;
    case BTN_PRESSED:
        b->m_border = BorderStyle::None();
        b->m_fill = FillStyle{255, 0xB37A00, 4};
        break;
    default:  // normal and disabled
        b->m_border = BorderStyle::Outline(255, 1, 0xE6E6E6, 4);
        b->m_fill = FillStyle{0, 0xFFFFFF, 0};
        break;
    }
    b->m_textStyle.family = kFontFamily;
    b->m_textStyle.size = 18;
    b->m_textStyle.style = 0;
    b->m_textStyle.colour = 0xE6E6E6;
    b->m_textStyle.align = 0;
}
