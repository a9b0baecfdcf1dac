#pragma once
// The taskbar button through the shell's ITaskbarList3 (Windows 7 and
// later), in the window thread's COM apartment.
#include <windows.h>
#include <shobjidl.h>

#include "platform/TaskbarButton.h"
#include "platform/win/ScopedHandles.h"

class WinTaskbarButton : public ITaskbarButton {
public:
    WinTaskbarButton() = default;
    WinTaskbarButton(const WinTaskbarButton&) = delete;
    WinTaskbarButton& operator=(const WinTaskbarButton&) = delete;

    // Call on the window's thread, after the "TaskbarButtonCreated" message.
    bool Attach(WindowHandle window) override;
    void SetState(TaskbarState state) override;
    void SetValue(uint64_t done, uint64_t total) override;

private:
    using ScopedTaskbarList = ScopedHandle<ITaskbarList3*, &ReleaseComObject>;

    // Declared first, so that the list is released before COM is left.
    ScopedComApartment m_com;
    ScopedTaskbarList m_list;
    HWND m_window = nullptr;
};
