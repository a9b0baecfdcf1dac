// The taskbar button's part of the road: its states through a fake button.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/TaskbarProgress.h"
#include "tests/fakes/FakeTaskbarButton.h"
#include "tests/native/app/AppFixture.h"

namespace {

using Calls = std::vector<std::string>;
const WindowHandle kButtonWindow = reinterpret_cast<WindowHandle>(0x1000);

TEST(TaskbarProgress, EachStepShowsItsStateAndValue)
{
    FakeTaskbarButton button;
    TaskbarProgress progress;
    progress.Connect(&button, kButtonWindow);
    progress.Connecting();
    progress.Progress(0, 0);          // no total yet: still moving
    progress.Progress(60, 100);
    progress.Progress(130, 100);      // more than announced: a full bar
    progress.Working();
    progress.Finished();
    EXPECT_EQ(button.calls, (Calls{"attach", "state indeterminate", "state indeterminate", "value 60/100",
                                   "state normal", "value 100/100", "state normal", "state indeterminate",
                                   "state none"}));
}

TEST(TaskbarProgress, FailureShowsTheErrorAtTheLastValueOrAFullBar)
{
    struct Case {
        bool progressed;
        Calls calls;
    };
    const Case cases[] = {
        {true, {"attach", "state indeterminate", "value 30/90", "state normal", "value 30/90", "state error"}},
        {false, {"attach", "state indeterminate", "value 1/1", "state error"}},
    };
    for (const Case& c : cases) {
        FakeTaskbarButton button;
        TaskbarProgress progress;
        progress.Connect(&button, kButtonWindow);
        progress.Connecting();
        if (c.progressed)
            progress.Progress(30, 90);
        progress.Failed();
        EXPECT_EQ(button.calls, c.calls) << c.progressed;
        EXPECT_EQ(progress.State(), TaskbarState::Error);
    }
}

TEST(TaskbarProgress, AButtonMadeLaterShowsTheCurrentStateAndAMissingOneNothing)
{
    TaskbarProgress progress;
    progress.Connecting();  // before the shell made the button: kept
    progress.Progress(10, 40);
    FakeTaskbarButton button;
    progress.Connect(&button, kButtonWindow);
    EXPECT_EQ(button.calls, (Calls{"attach", "value 10/40", "state normal"}));

    // The shell restarted and the interface is gone: nothing more is sent.
    button.available = false;
    button.calls.clear();
    progress.Connect(&button, kButtonWindow);
    progress.Progress(20, 40);
    progress.Finished();
    EXPECT_EQ(button.calls, (Calls{"attach failed"}));
    EXPECT_EQ(progress.State(), TaskbarState::None);

    // No button at all (no such interface on the system).
    TaskbarProgress none;
    none.Connect(nullptr, kButtonWindow);
    none.Connecting();
    none.Failed();
    EXPECT_EQ(none.State(), TaskbarState::Error);
}

class Taskbar : public AppFixture {
protected:
    Taskbar() { platform.taskbar = &button; }
    FakeTaskbarButton button;
};

TEST_F(Taskbar, TheWholeRoadFromConnectingToNone)
{
    http.SetBody(100, {60, 40});
    files.PutFile(kStartProgram, {1});
    Start();
    app->OnTaskbarButtonCreated();
    Click(315, 315);
    PumpUntilDone();
    // Connecting; the download's progress (events read the task as it is
    // when they are handled, so which values show depends on timing, but
    // they only grow and end full); the download finished, the installer
    // started and finished (moving); the game started: nothing.
    const Calls& calls = button.calls;
    ASSERT_GE(calls.size(), 8u);
    EXPECT_EQ(Calls(calls.begin(), calls.begin() + 2), (Calls{"attach", "state indeterminate"}));
    EXPECT_EQ(Calls(calls.end() - 4, calls.end()),
              (Calls{"state indeterminate", "state indeterminate", "state indeterminate", "state none"}));
    int last = -1;
    for (size_t i = 2; i + 4 < calls.size(); i += 2) {
        int done = -1;
        ASSERT_EQ(std::sscanf(calls[i].c_str(), "value %d/100", &done), 1) << calls[i];
        EXPECT_GE(done, last);
        last = done;
        EXPECT_EQ(calls[i + 1], "state normal");
    }
    EXPECT_EQ(last, 100);
}

TEST_F(Taskbar, AFailedDownloadLeavesTheErrorState)
{
    // A failure that is not tried again: the road ends without a pause.
    http.responses = {FakeHttpClient::Response::OpenFailure(12007)};
    Start();
    app->OnTaskbarButtonCreated();
    Click(315, 315);
    FakeAppWindowSystem::Message m{};
    while (!app->Tasks().Threads().empty() && windows.Next(m))
        app->OnTaskEvent(m.wParam, m.lParam);
    ASSERT_FALSE(button.calls.empty());
    EXPECT_EQ(button.calls.back(), "state error");
    // The state is kept: a button the shell makes anew shows it too.
    button.calls.clear();
    app->OnTaskbarButtonCreated();
    ASSERT_FALSE(button.calls.empty());
    EXPECT_EQ(button.calls.back(), "state error");
}

TEST_F(Taskbar, AGameThatCannotStartIsAFailureToo)
{
    http.SetBody(100, {100});
    Start();  // no start program on disk
    app->OnTaskbarButtonCreated();
    Click(315, 315);
    PumpUntilDone();
    EXPECT_EQ(button.calls.back(), "state error");
    EXPECT_EQ(windows.destroyed, 0);
}

}  // namespace
