#pragma once
#include <memory>
#include <vector>

#include "ui/CUIBase.h"

// A container of elements. It paints nothing of its own: its children are
// drawn in order (later ones on top) and hit-tested in reverse order.
class CPane : public CUIBase {
public:
    explicit CPane(WindowHandle window) : CUIBase(window) {}

    void Draw(DeviceContext dc) override;
    bool HitTest(int32_t x, int32_t y, CUIBase** out) override;
    // The pane and every child.
    void SetDpi(int32_t dpi) override;

    // Takes ownership of child, sets its parent to this pane, appends it and
    // re-sorts the children by ascending m_zOrder; children with equal
    // z-order keep the order in which they were added. Null, or an element
    // already in this pane, is ignored.
    void AddChild(CUIBase* child);

    // Owned; ascending m_zOrder.
    std::vector<std::unique_ptr<CUIBase>> m_children;
};
