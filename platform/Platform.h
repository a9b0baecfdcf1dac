#pragma once

#include "platform/TaskPlatform.h"

class IEnvironment;
class IResources;
class IWindowSystem;
class IShell;
class ITaskbarButton;

// The platform seams the application uses, filled once by the entry point
// with the real implementations and by tests with fakes: the task seams
// (handed on as they are to the task manager) and the window's own. None
// is owned here; a null pointer means the seam is absent, as for the task
// seams.
struct Platform : TaskPlatform {
    IEnvironment* environment = nullptr;
    IResources* resources = nullptr;
    IWindowSystem* windows = nullptr;
    IShell* shell = nullptr;
    ITaskbarButton* taskbar = nullptr;  // absent where there is none
};
