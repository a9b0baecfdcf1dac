#include "app/AccessibleScreen.h"

#include "app/LauncherApp.h"
#include "app/ScreenLayout.h"
#include "ui/CLabel.h"
#include "ui/CNormalBtn.h"
#include "ui/CPane.h"

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
    if (!app.rootPane || app.rootPane->m_children.size() != kSlotCount)
        return items;
    const auto& children = app.rootPane->m_children;
    auto label = [&children](ScreenSlot slot) { return static_cast<const CLabel*>(children[slot].get()); };
    for (size_t slot = 0; slot < kSlotCount; ++slot) {
        const CUIBase* element = children[slot].get();
        if (!element->m_visible)
            continue;
        switch (slot) {
        case kSlotName:
            items.push_back(Item(element, AccessibleRole::StaticText, label(kSlotName)->m_text));
            break;
        case kSlotClose:
            items.push_back(Button(element, L"关闭"));
            break;
        case kSlotMinimize:
            items.push_back(Button(element, L"最小化"));
            break;
        case kSlotBanner:
            items.push_back(Item(element, AccessibleRole::Graphic, app.config.GetValue(L"pack", L"k_name")));
            break;
        case kSlotInstall:
            items.push_back(Button(element, static_cast<const CNormalBtn*>(element)->m_text));
            break;
        case kSlotProgress: {
            AccessibleItem bar = Item(element, AccessibleRole::ProgressBar, L"下载进度");
            bar.value = label(kSlotPercent)->m_text;
            items.push_back(std::move(bar));
            break;
        }
        case kSlotStatus:
            items.push_back(Item(element, AccessibleRole::StaticText, label(kSlotStatus)->m_text));
            break;
        default:  // the emblem is decoration; the percentage is the bar's value
            break;
        }
    }
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
