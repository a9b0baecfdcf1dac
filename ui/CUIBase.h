#pragma once
// The element base: every visible thing on the launcher's window is an
// element with a rectangle relative to its parent pane, drawn onto the
// window's off-screen device context and asked which element lies under the
// mouse.
#include <cstdint>

#include "platform/Types.h"
#include "ui/Dpi.h"

class CPane;

class CUIBase {
public:
    virtual ~CUIBase() = default;
    CUIBase(const CUIBase&) = delete;
    CUIBase& operator=(const CUIBase&) = delete;

    // Paints the element onto dc; an invisible element paints nothing.
    virtual void Draw(DeviceContext dc) = 0;
    // Finds the element under (x, y), given in the parent's coordinates. On
    // true the element found is stored through out; on false nothing is.
    virtual bool HitTest(int32_t x, int32_t y, CUIBase** out);
    virtual void OnMouseEnter() {}
    virtual void OnMouseLeave() {}
    virtual void OnMouseDown() {}
    virtual void OnMouseUp() {}
    // Sets the rectangle's size from the element's picture, keeping left and
    // top; elements without a picture keep their rectangle.
    virtual void FitToContent() {}
    // The screen's DPI changed: the element draws its lines, text and
    // pictures for it from now on (its rectangle is its owner's to set).
    virtual void SetDpi(int32_t dpi) { m_dpi = dpi; }

    // m_rect moved by the left and top edges of every ancestor: the
    // element's place in the window's client coordinates.
    Rect AbsoluteRect() const;

    // Asks the owner window to repaint the element's area (whether or not the
    // element is visible), erasing first when m_eraseBkgnd is set. Does
    // nothing when the window is not set or no longer exists.
    void Invalidate();

    int32_t m_id = -1;          // command id; negative ids are never hit
    WindowHandle m_hWnd;        // window asked to repaint; not owned
    Rect m_rect;                // in the parent's coordinates
    CPane* m_parent = nullptr;  // not owned; null for the root pane
    bool m_visible = true;
    int32_t m_zOrder = 0;       // sort key among siblings, ascending
    bool m_eraseBkgnd = false;
    int32_t m_dpi = kBaseDpi;   // line widths, radii and fonts are scaled by m_dpi / 96

protected:
    explicit CUIBase(WindowHandle window) : m_hWnd(window) {}
};
