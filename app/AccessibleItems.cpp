#include "app/AccessibleItems.h"

#include "app/LauncherApp.h"
#include "app/ScreenLayout.h"
#include "ui/CImage.h"
#include "ui/CImageBtn.h"
#include "ui/CLabel.h"
#include "ui/CNormalBtn.h"
#include "ui/CProgress.h"

namespace {

const wchar_t kPress[] = L"按下";

AccessibleItem Item(const CUIBase* element, AccessibleRole role, std::wstring name)
{
    AccessibleItem item;
    item.element = element;
    item.role = role;
    item.name = std::move(name);
    item.rect = element->AbsoluteRect();
    return item;
}

AccessibleItem Button(const CUIBase* element, std::wstring name)
{
    AccessibleItem item = Item(element, AccessibleRole::PushButton, std::move(name));
    item.defaultAction = kPress;
    item.command = element->m_id;
    return item;
}

}  // namespace

std::vector<AccessibleItem> AccessibleItems(const LauncherApp& app)
{
    std::vector<AccessibleItem> items;
    if (app.Screen() == nullptr)
        return items;
    // The emblem is decoration; the percentage is the bar's value.
    if (g_nameLabel->m_visible)
        items.push_back(Item(g_nameLabel, AccessibleRole::StaticText, g_nameLabel->m_text));
    if (g_closeButton->m_visible)
        items.push_back(Button(g_closeButton, L"关闭"));
    if (g_minimizeButton->m_visible)
        items.push_back(Button(g_minimizeButton, L"最小化"));
    if (g_bannerImage->m_visible)
        items.push_back(Item(g_bannerImage, AccessibleRole::Graphic, app.Settings().gameName));
    if (g_installButton->m_visible)
        items.push_back(Button(g_installButton, g_installButton->m_text));
    if (g_progressBar->m_visible) {
        AccessibleItem bar = Item(g_progressBar, AccessibleRole::ProgressBar, L"下载进度");
        bar.value = g_percentLabel->m_text;
        items.push_back(std::move(bar));
    }
    if (g_statusLabel->m_visible)
        items.push_back(Item(g_statusLabel, AccessibleRole::StaticText, g_statusLabel->m_text));
    return items;
}

int32_t AccessibleChildId(const LauncherApp& app, const CUIBase* element)
{
    const std::vector<AccessibleItem> items = AccessibleItems(app);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].element == element)
            return static_cast<int32_t>(i + 1);
    }
    return 0;
}

int32_t AccessibleChildAt(const LauncherApp& app, int32_t x, int32_t y)
{
    const std::vector<AccessibleItem> items = AccessibleItems(app);
    // Later elements are drawn on top: the last one that holds the point.
    for (size_t i = items.size(); i-- > 0;) {
        if (items[i].rect.Contains(x, y))
            return static_cast<int32_t>(i + 1);
    }
    return 0;
}
