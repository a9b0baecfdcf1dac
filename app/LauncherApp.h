#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/AppTaskEventPoster.h"
#include "app/LauncherSettings.h"
#include "app/RoadOutcome.h"
#include "app/TaskbarProgress.h"
#include "platform/Platform.h"
#include "platform/Types.h"
#include "tasks/CTaskManger.h"
#include "ui/Dpi.h"

class CPane;
class CUIBase;
class CResImage;
enum class AccessibleEvent;

// Keys the window acts on (virtual-key codes).
constexpr uint32_t kKeyReturn = 0x0D;
constexpr uint32_t kKeySpace = 0x20;

// The elements under the pointer (not owned): the one it is over, and the
// one that took the last left-button press until its release.
struct PointerState {
    CUIBase* hovered = nullptr;
    CUIBase* pressed = nullptr;
};

// The one application object: the settings and the install's place, the
// screen's element tree, background and pointer state, the task manager,
// and the launcher flow that runs from the install button to the start of
// the game. Everything here runs on the main (window) thread, except the
// window-handle accessor, which the task manager's event posting also
// calls from worker threads.
class LauncherApp {
public:
    explicit LauncherApp(const Platform& platform);
    ~LauncherApp();
    LauncherApp(const LauncherApp&) = delete;
    LauncherApp& operator=(const LauncherApp&) = delete;

    // Start-up: publishes g_app, reads the settings and the environment,
    // and detects the install.
    void Init();
    // Asks the registry again where the game is installed.
    void DetectInstall();
    const LauncherSettings& Settings() const { return m_settings; }

    // An unattended run (/passive, /quiet) closes the window at the end of
    // the road, whichever way it ended.
    void SetUnattended(bool unattended) { m_unattended = unattended; }
    // Test builds only: the download's timings.
    void SetDownloadTimings(const download::Timings& timings) { m_tasks.SetDownloadTimings(timings); }

    // The main window if the handle still names a window; otherwise the
    // handle is cleared and null is returned.
    WindowHandle Window();
    // The main window exists, made at dpi: the application draws into it
    // from now on, with the background picture of the set drawn at dpi.
    void AttachWindow(WindowHandle window, int32_t dpi);

    // Creates the screen's element tree (once the window exists), laid out
    // for the window's DPI.
    void BuildScreen();

    // The window's DPI changed (its size already follows): the background
    // and the screen take the pictures, rectangles, lines and fonts of the
    // new DPI, and the whole window is repainted.
    void SetDpi(int32_t dpi);
    int32_t Dpi() const { return m_dpi; }

    // The root of the screen's element tree; null until it is built.
    const CPane* Screen() const { return m_rootPane.get(); }
    // The background picture, of the set drawn at the window's DPI; null
    // until the window exists.
    const CResImage* Background() const { return m_background.get(); }
    const PointerState& Pointer() const { return m_pointer; }
    const CTaskManger& Tasks() const { return m_tasks; }

    // Stops every worker, then frees the screen, the settings and the
    // background image.
    void Release();

    // Launcher flow.
    void StartInstall();
    void OnTaskEvent(uintptr_t wParam, uintptr_t lParam);
    void LaunchGame();
    // How the road ended; empty while it goes on (or never started).
    std::optional<RoadOutcome> RoadEnd() const { return m_roadEnd; }
    // The process's exit code once the message loop ended with loopCode
    // (see RunExitCode).
    int ExitCode(int loopCode) const;

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
    bool KeyboardCues() const { return m_keyboardCues; }

    // Paints the background image and the element tree onto dc.
    void Paint(DeviceContext dc);

    // The game's start program: the install root, the install folder, the
    // start program's name.
    std::wstring StartProgramPath() const;

private:
    void LoadConfiguration();
    // Loads the background picture of the set drawn at the window's DPI,
    // or changes its set to that one.
    void ChooseBackground();
    // The installer's download, from the settings, into TMP.
    std::unique_ptr<DownTask> MakeDownloadTask() const;
    // The screen's part of a task event: bar, percentage, status line.
    void ShowTaskEvent(const Task& task, TaskState state);
    // The taskbar button's part of a task event.
    void UpdateTaskbar(const Task& task, TaskState state);
    // The road ended with this failure: the log says it (with why, when
    // given), the status line shows it, the taskbar button shows the failed
    // state, and the road ends as the text says.
    void EndRoadWithFailure(const Failure& failure, const std::wstring& why);
    // Logs the end of a task that no event reported (its worker was
    // stopped at shutdown).
    void LogUnreportedEnd(Task& task);
    // A "status:" line of the log: what the status line shows, and why.
    void LogStatus(const std::wstring& text, const std::wstring& why);
    // Sets the status line and tells screen readers its name changed.
    void SetStatus(const std::wstring& text);
    // Tells screen readers that element (the client area when null)
    // changed; nothing when the element is not listed.
    void NotifyAccessible(AccessibleEvent event, const CUIBase* element);

    // Declared before the task manager: its workers post through the poster
    // until the manager has stopped them, so the poster must outlive it.
    Platform m_platform;
    AppTaskEventPoster m_poster;
    CTaskManger m_tasks;

    LauncherSettings m_settings;
    // The install root: at first the APPDATA folder, then what each
    // DetectInstall that finds the game says.
    std::wstring m_baseDir;

    std::atomic<WindowHandle> m_window{nullptr};
    int32_t m_dpi = kBaseDpi;  // the window's DPI; the screen is laid out for it
    std::unique_ptr<CResImage> m_background;
    std::unique_ptr<CPane> m_rootPane;
    PointerState m_pointer;
    bool m_keyboardCues = false;  // whether the focus outline shows
    TaskbarProgress m_taskbar;

    bool m_unattended = false;
    // Set once the road has ended: the game started, or a failure that
    // stops it (a retry does not).
    std::optional<RoadOutcome> m_roadEnd;
};

// The application object, set by Init.
extern LauncherApp* g_app;
