#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/AppTaskEventPoster.h"
#include "app/RoadOutcome.h"
#include "app/TaskbarProgress.h"
#include "config/CIniConfig.h"
#include "platform/Platform.h"
#include "platform/Types.h"
#include "tasks/CTaskManger.h"
#include "ui/Dpi.h"

class CPane;
class CUIBase;
class CResImage;
enum class AccessibleEvent;

// Element ids the window acts on.
constexpr int32_t ID_CLOSE = 0;
constexpr int32_t ID_MINIMIZE = 1;
constexpr int32_t ID_INSTALL = 2;
constexpr int32_t ID_PICTURE = 3;

// Keys the window acts on (virtual-key codes).
constexpr uint32_t kKeyReturn = 0x0D;
constexpr uint32_t kKeySpace = 0x20;

// The one application object: configuration and paths, the screen's element
// tree and pointer state, the task manager, and the launcher flow that runs
// from the install button to the start of the game. Everything here runs on
// the main (window) thread, except the window-handle accessor, which the
// task manager's event posting also calls from worker threads.
class LauncherApp {
public:
    explicit LauncherApp(const Platform& platform);
    ~LauncherApp();
    LauncherApp(const LauncherApp&) = delete;
    LauncherApp& operator=(const LauncherApp&) = delete;

    // Start-up: publishes g_app, reads the configuration and the
    // environment, and detects the install.
    void Init();
    void LoadConfiguration();
    void DetectInstall();

    // The main window if the handle still names a window; otherwise the
    // handle is cleared and null is returned.
    WindowHandle Window();

    // Creates the screen's element tree (once the window exists), laid out
    // for dpi.
    void BuildScreen();

    // The window's DPI changed (its size already follows): the background
    // and the screen take the pictures, rectangles, lines and fonts of the
    // new DPI, and the whole window is repainted.
    void SetDpi(int32_t newDpi);

    // Stops every worker, then frees the screen, the configuration, the
    // names and the background image.
    void Release();

    // Launcher flow.
    void StartInstall();
    void OnTaskEvent(uintptr_t wParam, uintptr_t lParam);
    void LaunchGame();

    // Mouse input from the window, in client coordinates.
    void OnMouseMove(int32_t x, int32_t y);
    // True when the press hit no element, so the window should be dragged.
    bool OnLButtonDown(int32_t x, int32_t y);
    void OnLButtonUp(int32_t x, int32_t y);
    void OnMouseLeave();

    // What a click on the element with this id does: close, minimise or
    // start the installation; other ids do nothing.
    void Activate(int32_t id);
    // A key pressed in the window: Return and Space press the install
    // button while it is shown. True when the key did something.
    bool OnKeyDown(uint32_t key);
    // The shell made the window's taskbar button: it shows the road's
    // progress from now on.
    void OnTaskbarButtonCreated();

    // The keyboard cues of the window changed: the install button shows its
    // focus outline while show is true.
    void SetKeyboardCues(bool show);

    // Paints the background image and the element tree onto dc.
    void Paint(DeviceContext dc);

    // baseDir\installAppName\startAppName.
    std::wstring StartProgramPath() const;

    std::atomic<WindowHandle> hwnd{nullptr};
    std::wstring className;
    std::unique_ptr<CPane> rootPane;
    CUIBase* pressed = nullptr;   // not owned
    CUIBase* released = nullptr;  // not owned
    CUIBase* hovered = nullptr;   // not owned
    std::unique_ptr<CResImage> background;
    int32_t dpi = kBaseDpi;     // the window's DPI; the screen is laid out for it
    bool keyboardCues = false;  // whether the focus outline shows
    std::wstring baseDir;
    std::wstring installAppName;
    std::wstring startAppName;
    std::wstring installerKey;
    // An unattended run (/passive, /quiet) closes the window at the end of
    // the road, whichever way it ended.
    bool unattended = false;
    // Set once the road has ended: the game started, or a failure that
    // stops it (a retry does not), with how it ended.
    bool roadEnded = false;
    RoadOutcome roadOutcome = RoadOutcome::GameStarted;

private:
    // The road ended this way; an unattended run closes its window.
    void EndRoad(RoadOutcome outcome);
    void LogOutcome(const Task& task, TaskState state);
    // The outcome of a task that has ended, unless it was logged already.
    void LogOutcomeOnce(const Task& task);
    // Sets the status line as SetStatus does, and logs it.
    void ShowStatus(const std::wstring& text);
    // The taskbar button's part of a task event.
    void UpdateTaskbar(const Task& task, TaskState state);
    // Sets the status line and tells screen readers its name changed.
    void SetStatus(const std::wstring& text);
    // Tells screen readers that element (the client area when null)
    // changed; nothing when the element is not listed.
    void NotifyAccessible(AccessibleEvent event, const CUIBase* element);

    // Declared before the task manager: its workers post through the poster
    // until the manager has stopped them, so the poster must outlive it.
    Platform m_platform;
    AppTaskEventPoster m_poster;
    // Tasks whose outcome the log has (records of the task manager).
    std::vector<const Task*> m_loggedOutcomes;

public:
    CTaskManger taskManager;
    CIniConfig config;
    TaskbarProgress taskbarProgress;
};

// The application object, set by Init.
extern LauncherApp* g_app;
