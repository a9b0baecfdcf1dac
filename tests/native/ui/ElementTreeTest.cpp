// The element tree: absolute positions, hit testing, sibling order, drawing
// order and repaint requests.
#include <string>
#include <vector>

#include "tests/native/ui/UiTestFixture.h"
#include "ui/CImage.h"
#include "ui/CNormalBtn.h"

namespace {

CImage* MakeImage(WindowHandle window, uint16_t resource, int32_t id, Rect rect)
{
    CImage* image = new CImage(window, resource);
    image->m_id = id;
    image->m_rect = rect;
    return image;
}

}  // namespace

TEST_F(UiTest, NestedElementIsDrawnInvalidatedAndHitInClientCoordinates)
{
    graphics.AddImage(7, 10, 10);
    CPane* pane = Add(new CPane(kWindow));
    pane->m_rect = Rect{10, 20, 110, 120};
    CImage* child = Add(MakeImage(kWindow, 7, 4, Rect{5, 5, 15, 15}), pane);
    child->m_eraseBkgnd = true;

    EXPECT_EQ(child->AbsoluteRect(), (Rect{15, 25, 25, 35}));
    root->Draw(kDc);
    EXPECT_EQ(graphics.Drawing(), std::vector<std::string>{"image 7 at 15,25 size 10,10"});
    EXPECT_EQ(graphics.lastDc, kDc);

    child->Invalidate();
    ASSERT_EQ(windows.repaints.size(), 1u);
    EXPECT_EQ(windows.repaints[0].window, kWindow);
    EXPECT_EQ(windows.repaints[0].rect, (Rect{15, 25, 25, 35}));
    EXPECT_TRUE(windows.repaints[0].erase);

    CUIBase* hit = nullptr;
    EXPECT_TRUE(root->HitTest(15, 25, &hit));
    EXPECT_EQ(hit, child);
    hit = nullptr;
    EXPECT_FALSE(root->HitTest(25, 35, &hit));
    EXPECT_EQ(hit, nullptr);
}

TEST_F(UiTest, HitTestFindsTheTopmostHittableElement)
{
    // A at the top left; B (id -1) over it; C, added last, over both.
    Add(MakeImage(kWindow, 0, 1, Rect{0, 0, 100, 100}));
    Add(MakeImage(kWindow, 0, -1, Rect{50, 50, 150, 150}));
    Add(MakeImage(kWindow, 0, 3, Rect{80, 80, 120, 120}));
    // A disabled button over an image.
    Add(MakeImage(kWindow, 0, 5, Rect{200, 0, 300, 100}));
    CNormalBtn* disabled = Add(new CNormalBtn(kWindow));
    disabled->m_id = 4;
    disabled->m_rect = Rect{200, 0, 300, 50};
    disabled->m_state = BTN_DISABLED;
    // An invisible pane with a hittable child, and a visible pane with an id.
    CPane* hidden = Add(new CPane(kWindow));
    hidden->m_id = 6;
    hidden->m_rect = Rect{400, 0, 500, 100};
    hidden->m_visible = false;
    Add(MakeImage(kWindow, 0, 7, Rect{0, 0, 100, 100}), hidden);
    CPane* shown = Add(new CPane(kWindow));
    shown->m_id = 8;
    shown->m_rect = Rect{400, 200, 500, 300};
    Add(MakeImage(kWindow, 0, 9, Rect{0, 0, 10, 10}), shown);

    struct Case {
        int32_t x, y;
        int32_t id;  // -100: nothing is hit
    };
    const Case cases[] = {
        {0, 0, 1},        // left and top edges are inside
        {100, 10, -100},  // right edge is outside
        {10, 100, -100},  // bottom edge is outside
        {60, 60, 1},      // through the element with id -1 to the one below
        {140, 140, -100}, // only the element with id -1 there
        {90, 90, 3},      // the later of two overlapping siblings
        {250, 10, 5},     // a disabled button lets the point through
        {450, 50, -100},  // an invisible pane hides its subtree
        {405, 205, 9},    // a child of a nested pane, translated
        {450, 250, 8},    // a pane with an id, no child there
        {-1, 0, -100},
    };
    for (const Case& c : cases) {
        CUIBase* const sentinel = root.get();
        CUIBase* hit = sentinel;
        const bool found = root->HitTest(c.x, c.y, &hit);
        if (c.id == -100) {
            EXPECT_FALSE(found) << c.x << "," << c.y;
            EXPECT_EQ(hit, sentinel) << "a miss stores nothing";
        } else {
            ASSERT_TRUE(found) << c.x << "," << c.y;
            EXPECT_EQ(hit->m_id, c.id) << c.x << "," << c.y;
        }
    }
}

TEST_F(UiTest, AddChildKeepsSiblingsSortedStablyByZOrder)
{
    // Enough siblings that an unstable sort would show.
    std::vector<CUIBase*> added;
    std::vector<int32_t> expected[3];
    for (int32_t i = 0; i < 40; ++i) {
        const int32_t z = (i * 7) % 3 - 1;
        CImage* image = MakeImage(kWindow, 0, i, Rect{0, 0, 1, 1});
        image->m_zOrder = z;
        added.push_back(Add(image));
        expected[z + 1].push_back(i);
    }
    std::vector<int32_t> ids;
    for (const auto& child : root->m_children) {
        ids.push_back(child->m_id);
        EXPECT_EQ(child->m_parent, root.get());
    }
    std::vector<int32_t> sorted = expected[0];
    sorted.insert(sorted.end(), expected[1].begin(), expected[1].end());
    sorted.insert(sorted.end(), expected[2].begin(), expected[2].end());
    EXPECT_EQ(ids, sorted);

    // Adding nothing, or an element already there, changes nothing.
    root->AddChild(nullptr);
    root->AddChild(added[0]);
    EXPECT_EQ(root->m_children.size(), 40u);
}

TEST_F(UiTest, PaneDrawsChildrenInOrderAndAnInvisiblePaneNothing)
{
    graphics.AddImage(1, 5, 5);
    graphics.AddImage(2, 5, 5);
    Add(MakeImage(kWindow, 1, -1, Rect{0, 0, 5, 5}));
    CPane* pane = Add(new CPane(kWindow));
    pane->m_rect = Rect{100, 100, 200, 200};
    Add(MakeImage(kWindow, 2, -1, Rect{0, 0, 5, 5}), pane);

    root->Draw(kDc);
    EXPECT_EQ(graphics.Drawing(), (std::vector<std::string>{"image 1 at 0,0 size 5,5", "image 2 at 100,100 size 5,5"}));

    graphics.log.clear();
    pane->m_visible = false;
    root->Draw(kDc);
    EXPECT_EQ(graphics.Drawing(), std::vector<std::string>{"image 1 at 0,0 size 5,5"});

    graphics.log.clear();
    root->m_visible = false;
    root->Draw(kDc);
    EXPECT_TRUE(graphics.log.empty());
}

TEST_F(UiTest, ARepaintOfAPartDrawsOnlyTheChildrenThatReachIntoIt)
{
    graphics.AddImage(1, 5, 5);
    graphics.AddImage(2, 5, 5);
    Add(MakeImage(kWindow, 1, -1, Rect{0, 0, 5, 5}));
    CPane* pane = Add(new CPane(kWindow));
    pane->m_rect = Rect{100, 100, 200, 200};
    Add(MakeImage(kWindow, 2, -1, Rect{0, 0, 5, 5}), pane);
    graphics.paintAreaKnown = true;

    struct Case {
        Rect area;
        std::vector<std::string> drawn;
    };
    const Case cases[] = {
        {Rect{0, 0, 630, 453}, {"image 1 at 0,0 size 5,5", "image 2 at 100,100 size 5,5"}},
        {Rect{102, 102, 103, 103}, {"image 2 at 100,100 size 5,5"}},
        {Rect{4, 4, 5, 5}, {"image 1 at 0,0 size 5,5"}},  // the last pixel of the first
        {Rect{5, 5, 100, 100}, {}},                      // between the two, touching both
        {Rect{0, 0, 0, 0}, {}},                          // nothing to repaint
    };
    for (const Case& c : cases) {
        graphics.log.clear();
        graphics.paintArea = c.area;
        root->Draw(kDc);
        EXPECT_EQ(graphics.Drawing(), c.drawn) << c.area.left << "," << c.area.top;
    }
}

TEST_F(UiTest, InvalidateNeedsALiveWindowButNotVisibility)
{
    CImage* image = Add(MakeImage(kWindow, 0, -1, Rect{1, 2, 3, 4}));
    image->m_visible = false;
    image->Invalidate();
    ASSERT_EQ(windows.repaints.size(), 1u);
    EXPECT_EQ(windows.repaints[0].rect, (Rect{1, 2, 3, 4}));
    EXPECT_FALSE(windows.repaints[0].erase);

    windows.live.clear();
    image->Invalidate();
    image->m_hWnd = nullptr;
    image->Invalidate();
    SetUiPlatform(&graphics, nullptr);
    image->Invalidate();
    EXPECT_EQ(windows.repaints.size(), 1u);
}
