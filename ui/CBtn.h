#pragma once
#include <cstdint>

#include "ui/CUIBase.h"

// Button states; an image button draws the frame with this index.
constexpr uint8_t BTN_NORMAL = 0;
constexpr uint8_t BTN_HOVER = 1;
constexpr uint8_t BTN_PRESSED = 2;
constexpr uint8_t BTN_DISABLED = 3;

class CBtn;

// Called with the button after each state change, before its repaint is
// requested, so that the style it sets is the one painted.
using StateChangedCallback = void (*)(CBtn* button);

// The button base: the mouse moves it between normal, hover and pressed; a
// disabled button ignores the mouse and is never hit. The toolkit itself
// never enters or leaves the disabled state.
class CBtn : public CUIBase {
public:
    bool HitTest(int32_t x, int32_t y, CUIBase** out) override;
    void OnMouseEnter() override;  // to hover
    void OnMouseLeave() override;  // to normal
    void OnMouseDown() override;   // to pressed
    void OnMouseUp() override;     // to normal
    // Calls m_onStateChanged with this button when it is set.
    virtual void OnStateChanged();

    uint8_t m_state = BTN_NORMAL;
    StateChangedCallback m_onStateChanged = nullptr;

protected:
    explicit CBtn(WindowHandle window) : CUIBase(window) {}

private:
    // Stores the state (even when it is the current one), runs the callback
    // and requests the repaint; does nothing at all while disabled.
    void ChangeState(uint8_t state);
};
