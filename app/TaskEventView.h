#pragma once
#include <string>

#include "tasks/Task.h"

// What the screen shows for one task event: the progress bar's fraction,
// the percentage and the status line. Fields not set stay as they are.
struct ScreenUpdate {
    bool setFraction = false;
    double fraction = 0.0;
    bool setPercent = false;
    std::wstring percent;
    bool setStatus = false;
    std::wstring status;
};

// The update for a task in the given state, read when its event is handled.
ScreenUpdate ScreenUpdateFor(const Task& task, TaskState state);
