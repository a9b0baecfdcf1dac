#pragma once
// The window's button on the taskbar, which can show the progress of the
// work the window does. Systems without taskbar progress have no such
// thing: attaching fails and the window shows its progress only in itself.
#include <cstdint>

#include "platform/Types.h"

enum class TaskbarState { None, Indeterminate, Normal, Error };

class ITaskbarButton {
public:
    virtual ~ITaskbarButton() = default;

    // Connects to the window's taskbar button, once the shell has made it
    // (and again after the shell made it anew). False where the system has
    // no taskbar progress; the other calls then do nothing.
    virtual bool Attach(WindowHandle window) = 0;
    // No progress, a moving bar without a value, a bar at the value, or the
    // bar shown as failed at its value.
    virtual void SetState(TaskbarState state) = 0;
    virtual void SetValue(uint64_t done, uint64_t total) = 0;
};
