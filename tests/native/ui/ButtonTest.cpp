// The button state machine shared by image buttons and text buttons.
#include <vector>

#include "tests/native/ui/UiTestFixture.h"
#include "ui/CImageBtn.h"
#include "ui/CNormalBtn.h"

namespace {

// What the state-change callback saw: the button, its state, and how many
// repaints had been requested when it ran.
struct CallbackCall {
    CBtn* button;
    uint8_t state;
    size_t repaintsBefore;
};
std::vector<CallbackCall> g_calls;
RecordingWindowSystem* g_windows = nullptr;

void RecordCallback(CBtn* button)
{
    g_calls.push_back(CallbackCall{button, button->m_state, g_windows->repaints.size()});
}

class ButtonTest : public UiTest {
protected:
    ButtonTest()
    {
        g_calls.clear();
        g_windows = &windows;
    }
    ~ButtonTest() override { g_windows = nullptr; }
};

enum class Event { Enter, Leave, Down, Up };

void Fire(CBtn& button, Event event)
{
    switch (event) {
    case Event::Enter: button.OnMouseEnter(); break;
    case Event::Leave: button.OnMouseLeave(); break;
    case Event::Down: button.OnMouseDown(); break;
    case Event::Up: button.OnMouseUp(); break;
    }
}

}  // namespace

TEST_F(ButtonTest, EveryEventStoresItsStateThenCallsBackThenRepaints)
{
    const uint8_t targets[] = {BTN_HOVER, BTN_NORMAL, BTN_PRESSED, BTN_NORMAL};
    for (uint8_t from : {BTN_NORMAL, BTN_HOVER, BTN_PRESSED}) {
        for (int e = 0; e < 4; ++e) {
            // Both kinds of button share the machine; same-state moves count too.
            CNormalBtn text(kWindow);
            CImageBtn image(kWindow, 0, 0);
            for (CBtn* button : {static_cast<CBtn*>(&text), static_cast<CBtn*>(&image)}) {
                button->m_rect = Rect{10, 10, 20, 20};
                button->m_state = from;
                button->m_onStateChanged = RecordCallback;
                g_calls.clear();
                windows.repaints.clear();

                Fire(*button, static_cast<Event>(e));

                EXPECT_EQ(button->m_state, targets[e]) << int(from) << " event " << e;
                ASSERT_EQ(g_calls.size(), 1u);
                EXPECT_EQ(g_calls[0].button, button);
                EXPECT_EQ(g_calls[0].state, targets[e]);
                EXPECT_EQ(g_calls[0].repaintsBefore, 0u) << "callback before the repaint";
                ASSERT_EQ(windows.repaints.size(), 1u);
                EXPECT_EQ(windows.repaints[0].rect, (Rect{10, 10, 20, 20}));
            }
        }
    }
}

TEST_F(ButtonTest, WithoutCallbackTheStateStillChangesAndRepaints)
{
    CNormalBtn button(kWindow);
    button.OnMouseDown();
    EXPECT_EQ(button.m_state, BTN_PRESSED);
    EXPECT_EQ(windows.repaints.size(), 1u);
}

TEST_F(ButtonTest, AClickLeavesTheButtonNormalUnderThePointer)
{
    CNormalBtn button(kWindow);
    button.OnMouseEnter();
    button.OnMouseDown();
    button.OnMouseUp();
    EXPECT_EQ(button.m_state, BTN_NORMAL);
}

TEST_F(ButtonTest, DisabledButtonIgnoresTheMouseAndIsNeverHit)
{
    CImageBtn* button = Add(new CImageBtn(kWindow, 0, 2));
    button->m_rect = Rect{0, 0, 50, 50};
    button->m_state = BTN_DISABLED;
    button->m_onStateChanged = RecordCallback;
    for (int e = 0; e < 4; ++e)
        Fire(*button, static_cast<Event>(e));
    EXPECT_EQ(button->m_state, BTN_DISABLED);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_TRUE(windows.repaints.empty());
    CUIBase* hit = nullptr;
    EXPECT_FALSE(button->HitTest(10, 10, &hit));

    button->m_state = BTN_NORMAL;
    EXPECT_TRUE(button->HitTest(10, 10, &hit));
    EXPECT_EQ(hit, button);
    button->m_id = -1;
    EXPECT_FALSE(button->HitTest(10, 10, &hit));
}
