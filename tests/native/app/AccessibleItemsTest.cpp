// What a screen reader is told: the accessible children of the screen,
// their default actions, hit testing and the change notifications.
#include <gtest/gtest.h>

#include "app/AccessibleItems.h"
#include "tests/native/app/AppFixture.h"

namespace {

using Accessible = AppFixture;
using Event = std::pair<AccessibleEvent, int32_t>;

struct Expected {
    AccessibleRole role;
    std::wstring name;
    std::wstring value;
    std::wstring action;
    int32_t command;
    Rect rect;
};

void ExpectItems(const std::vector<AccessibleItem>& items, const std::vector<Expected>& expected)
{
    ASSERT_EQ(items.size(), expected.size());
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE("child " + std::to_string(i + 1));
        EXPECT_EQ(items[i].role, expected[i].role);
        EXPECT_EQ(items[i].name, expected[i].name);
        EXPECT_EQ(items[i].value, expected[i].value);
        EXPECT_EQ(items[i].defaultAction, expected[i].action);
        EXPECT_EQ(items[i].command, expected[i].command);
        EXPECT_EQ(items[i].rect, expected[i].rect);
    }
}

TEST_F(Accessible, ChildrenAreTheVisibleElementsWithTheirRolesNamesAndActions)
{
    LauncherApp& launcher = Start();
    const auto B = AccessibleRole::PushButton, T = AccessibleRole::StaticText, G = AccessibleRole::Graphic,
               P = AccessibleRole::ProgressBar;
    ExpectItems(AccessibleItems(launcher), {
                                               {T, L"Orvantis", L"", L"", -1, {38, 12, 188, 28}},
                                               {B, L"关闭", L"", L"按下", ID_CLOSE, {589, 8, 614, 33}},
                                               {B, L"最小化", L"", L"按下", ID_MINIMIZE, {562, 8, 587, 33}},
                                               {G, L"Orvantis", L"", L"", -1, {20, 40, 610, 262}},
                                               {B, L"立即安装", L"", L"按下", ID_INSTALL, {227, 288, 403, 342}},
                                           });
    EXPECT_EQ(AccessibleChildAt(launcher, 315, 315), 5);
    EXPECT_EQ(AccessibleChildAt(launcher, 600, 20), 2);
    EXPECT_EQ(AccessibleChildAt(launcher, 8, 300), 0) << "bare background";
    EXPECT_EQ(AccessibleChildAt(launcher, 25, 20), 0) << "the emblem is decoration";

    // The install button's default action, as the window runs it: the
    // download starts and the children change.
    http.attemptConnectResult = 1;
    launcher.Activate(AccessibleItems(launcher)[4].command);
    g_percentLabel->SetText(L"37%");
    g_statusLabel->SetText(L"正在下载(37/100)");
    ExpectItems(AccessibleItems(launcher), {
                                               {T, L"Orvantis", L"", L"", -1, {38, 12, 188, 28}},
                                               {B, L"关闭", L"", L"按下", ID_CLOSE, {589, 8, 614, 33}},
                                               {B, L"最小化", L"", L"按下", ID_MINIMIZE, {562, 8, 587, 33}},
                                               {G, L"Orvantis", L"", L"", -1, {20, 40, 610, 262}},
                                               {P, L"下载进度", L"37%", L"", -1, {66, 328, 534, 331}},
                                               {T, L"正在下载(37/100)", L"", L"", -1, {66, 342, 466, 358}},
                                           });
    EXPECT_EQ(AccessibleChildAt(launcher, 315, 315), 0) << "the hidden button is gone";
    EXPECT_EQ(AccessibleChildId(launcher, g_statusLabel), 6);
    EXPECT_EQ(AccessibleChildId(launcher, g_installButton), 0);

    // The other default actions do what their clicks do.
    launcher.Activate(AccessibleItems(launcher)[2].command);
    EXPECT_EQ(windows.minimized, 1);
    launcher.Activate(AccessibleItems(launcher)[1].command);
    EXPECT_EQ(windows.destroyed, 1);
    EXPECT_TRUE(AccessibleItems(launcher).size() == 6u) << "the tree outlives the window until Release";
}

TEST_F(Accessible, NoScreenNoChildren)
{
    LauncherApp launcher(platform);
    EXPECT_TRUE(AccessibleItems(launcher).empty());
    EXPECT_EQ(AccessibleChildAt(launcher, 315, 315), 0);
}

TEST_F(Accessible, StatusAndBarChangesAreAnnouncedWithTheirChildIds)
{
    http.SetBody(100, {60, 40});
    files.PutFile(kStartProgram, {1});
    Start();
    Click(315, 315);
    PumpUntilDone();
    const std::vector<Event>& events = windows.accessible;
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), Event(AccessibleEvent::Reorder, 0)) << "the install button left, the bar came";
    int values = 0;
    int names = 0;
    for (const Event& e : events) {
        if (e.first == AccessibleEvent::ValueChange) {
            EXPECT_EQ(e.second, 5) << "the progress bar";
            ++values;
        }
        if (e.first == AccessibleEvent::NameChange) {
            EXPECT_EQ(e.second, 6) << "the status line";
            ++names;
        }
    }
    // Progress 60 and 100, and the finished download; then the status
    // lines of the download and of the installation.
    EXPECT_GE(values, 3);
    EXPECT_GE(names, 4);
    EXPECT_EQ(events.back(), Event(AccessibleEvent::NameChange, 6)) << "安装完毕";
}

TEST_F(Accessible, AFailureTextIsAnnounced)
{
    Start();
    // A failure that is not tried again: the road ends without a pause.
    http.responses = {FakeHttpClient::Response::OpenFailure(12007)};
    Click(315, 315);
    FakeAppWindowSystem::Message m{};
    // Until the failed worker has been removed.
    while (!app->Tasks().Threads().empty() && windows.Next(m))
        app->OnTaskEvent(m.wParam, m.lParam);
    EXPECT_NE(g_statusLabel->m_text.find(L"12007"), std::wstring::npos) << "the failure text";
    ASSERT_FALSE(windows.accessible.empty());
    EXPECT_EQ(windows.accessible.back(), Event(AccessibleEvent::NameChange, 6));
    EXPECT_EQ(AccessibleItems(*app)[5].name, g_statusLabel->m_text);
}

}  // namespace
