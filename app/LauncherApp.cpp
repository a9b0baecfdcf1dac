#include "app/LauncherApp.h"

#include <vector>

#include "app/AccessibleItems.h"
#include "app/LauncherSettings.h"
#include "app/ScreenLayout.h"
#include "app/TaskEventView.h"
#include "config/CIniConfig.h"
#include "config/FolderVariable.h"
#include "config/InstallDetection.h"
#include "platform/AsciiText.h"
#include "platform/DecimalText.h"
#include "log/VersionResource.h"
#include "platform/LauncherHandoff.h"
#include "platform/Process.h"
#include "platform/FileSystem.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "platform/Resources.h"
#include "platform/Shell.h"
#include "platform/WallClock.h"
#include "platform/WindowSystem.h"
#include "tasks/DownloadFolders.h"
#include "tasks/StatusTexts.h"
#include "tasks/Task.h"
#include "tasks/WebAddress.h"
#include "ui/CLabel.h"
#include "ui/CNormalBtn.h"
#include "ui/CPane.h"
#include "ui/CProgress.h"
#include "ui/CResImage.h"
#include "ui/Dpi.h"

LauncherApp* g_app = nullptr;

namespace {

// The installer's names while it downloads and once it is whole.
constexpr wchar_t kInstallerTempName[] = L"yrfoinstall.tmp";
constexpr wchar_t kInstallerName[] = L"yrfoinstall.exe";

// What the log adds to a task's final status text: what a download had
// moved, or that the installation failed.
std::wstring OutcomeDetail(const Task& task, TaskState state)
{
    if (task.type == TaskType::Download) {
        const auto& download = static_cast<const DownTask&>(task);
        return (state == TaskState::Failed ? L"download failed after " : L"download: ") +
               DecimalText(download.downloadedSize.load()) + L" of " + DecimalText(download.totalSize.load()) +
               L" bytes";
    }
    return state == TaskState::Failed ? L"install failed" : L"";
}

bool IsFinal(TaskState state)
{
    return state == TaskState::Finished || state == TaskState::Failed;
}

}  // namespace

LauncherApp::LauncherApp(const Platform& platform)
    : m_platform(platform),
      m_poster(*this, platform.windows),
      m_tasks(platform, m_poster)
{
}

LauncherApp::~LauncherApp()
{
    Release();
    if (g_app == this)
        g_app = nullptr;
}

void LauncherApp::Init()
{
    g_app = this;
    LoadConfiguration();
    // Folders of downloads given up more than a week ago: their partial
    // files would be too old to continue.
    if (m_platform.files != nullptr) {
        const size_t removed = download_folders::RemoveStale(
            *m_platform.files, ReadDownloadTemp(*m_platform.environment),
            download_folders::OwnFileNames(kInstallerTempName, kInstallerName), m_platform.wallClock->NowSeconds());
        if (removed != 0)
            m_platform.log->Write(L"start-up: " + DecimalText(removed) + L" download folder(s) older than 7 days removed");
    }
}

void LauncherApp::LoadConfiguration()
{
    m_baseDir = ReadFolderVariable(*m_platform.environment, L"APPDATA", IEnvironment::Folder::RoamingAppData);

    std::vector<uint8_t> bytes;
    CIniConfig config;
    const bool found = m_platform.resources->Load(kResourceType, kConfigResourceId, bytes);
    if (found)
        config.Parse(bytes.data(), bytes.size());
    m_settings = ReadLauncherSettings(config);

    // The configuration's address and names, and nothing of the
    // environment: the log is meant to be sent to support.
    const LauncherSettings& s = m_settings;
    m_platform.log->Write(found ? L"configuration: url \"" + download::LoggedAddress(s.url) + L"\", name \"" +
                                      s.gameName + L"\", install folder \"" + s.installAppName +
                                      L"\", start program \"" + s.startAppName + L"\", registry key \"" +
                                      s.installerKey + L"\""
                                : L"configuration: none in the program");
    if (s.rateReading == RateReading::NotANumber)
        m_platform.log->Write(L"configuration: k_comm_rate \"" + WithControlsEscaped(s.rateValue) +
                              L"\" is no number; the download keeps " + RateText(s.rate));
    else if (s.rateReading == RateReading::Valid)
        m_platform.log->Write(L"configuration: the download goes at " + RateText(s.rate));
    DetectInstall();
}

void LauncherApp::DetectInstall()
{
    DetectInstallRoot(*m_platform.registry, m_settings.installerKey, m_settings.installAppName, m_baseDir);
}

WindowHandle LauncherApp::Window()
{
    WindowHandle window = m_window.load();
    if (window != nullptr && m_platform.windows->IsWindow(window))
        return window;
    m_window.store(nullptr);
    return nullptr;
}

void LauncherApp::AttachWindow(WindowHandle window, int32_t dpi)
{
    m_window.store(window);
    m_dpi = dpi;
    ChooseBackground();
}

void LauncherApp::ChooseBackground()
{
    if (!m_background) {
        m_background = std::make_unique<CResImage>();
        m_background->LoadForDpi(kImageBackground, m_dpi);
    } else {
        m_background->SelectForDpi(m_dpi);
    }
}

void LauncherApp::BuildScreen()
{
    m_rootPane = BuildLauncherScreen(Window(), *m_platform.windows, m_settings.gameName, m_dpi);
    if (g_installButton != nullptr)
        g_installButton->m_focusCue = m_keyboardCues;
}

void LauncherApp::SetDpi(int32_t dpi)
{
    m_dpi = dpi;
    ChooseBackground();
    WindowHandle window = Window();
    if (m_rootPane)
        LayOutLauncherScreen(*m_rootPane, window, *m_platform.windows, m_dpi);
    if (window != nullptr)
        m_platform.windows->InvalidateRect(window, nullptr, true);
}

void LauncherApp::Release()
{
    m_tasks.StopAll();
    // A worker stopped here (the window closed mid-download) ends its task
    // without a message the window could still handle: its outcome is
    // logged here, as every other ending is when its event comes.
    for (const auto& task : m_tasks.DownloadTasks())
        LogUnreportedEnd(*task);
    for (const auto& task : m_tasks.InstallTasks())
        LogUnreportedEnd(*task);
    m_pointer = PointerState();
    ClearScreenGlobals();
    m_rootPane.reset();
    m_settings = LauncherSettings();
    m_baseDir.clear();
    m_background.reset();
}

int LauncherApp::ExitCode(int loopCode) const
{
    if (m_successor) {
        if (!m_unattended)
            return loopCode;
        IProcess::WaitResult result = IProcess::WaitResult::TimedOut;
        while (result == IProcess::WaitResult::TimedOut)
            result = m_successor->Wait(60000);
        uint32_t code = 0;
        if (result == IProcess::WaitResult::Ended && m_successor->GetExitCode(code)) {
            m_platform.log->Write(L"launcher update: the new launcher ended with code " + DecimalText(code));
            return static_cast<int>(code);
        }
        return ExitCodeFor(RoadOutcome::StartUpFailed);
    }
    return RunExitCode(m_unattended, m_roadEnd.has_value(), m_roadEnd.value_or(RoadOutcome::GameStarted), loopCode);
}

std::wstring LauncherApp::StartProgramPath() const
{
    return m_baseDir + L"\\" + m_settings.installAppName + L"\\" + m_settings.startAppName;
}

void LauncherApp::NotifyAccessible(AccessibleEvent event, const CUIBase* element)
{
    WindowHandle window = Window();
    if (window == nullptr)
        return;
    const int32_t child = element == nullptr ? 0 : AccessibleChildId(*this, element);
    if (element == nullptr || child != 0)
        m_platform.windows->NotifyAccessible(window, event, child);
}

void LauncherApp::SetStatus(const std::wstring& text)
{
    if (g_statusLabel == nullptr)
        return;
    g_statusLabel->SetText(text, CLabel::TEXT_REPAINT);
    NotifyAccessible(AccessibleEvent::NameChange, g_statusLabel);
}

void LauncherApp::LogStatus(const std::wstring& text, const std::wstring& why)
{
    m_platform.log->Write(L"status: " + text + (why.empty() ? std::wstring() : L" (" + why + L")"));
}

namespace {

const wchar_t* RoadStartWords(LauncherApp::RoadStart cause)
{
    switch (cause) {
    case LauncherApp::RoadStart::Clicked:
        return L"install button clicked";
    case LauncherApp::RoadStart::Unattended:
        return L"unattended run";
    case LauncherApp::RoadStart::AfterUpdate:
        return L"continued after the launcher's update";
    }
    return L"";
}

}  // namespace

void LauncherApp::StartInstall(RoadStart cause)
{
    if (g_installButton == nullptr)
        return;
    g_installButton->m_visible = false;
    g_progressBar->m_visible = true;
    g_percentLabel->m_visible = true;
    g_statusLabel->m_visible = true;
    WindowHandle window = Window();
    m_platform.processes->SetPromptOwner(window);
    m_platform.http->SetPromptOwner(window);
    m_platform.windows->InvalidateRect(window, nullptr, true);
    m_platform.windows->UpdateWindow(window);
    LogStatus(g_statusLabel->m_text, RoadStartWords(cause));
    // The install button left the screen; the bar and the status came.
    NotifyAccessible(AccessibleEvent::Reorder, nullptr);
    m_taskbar.Connecting();

    // A value the settings refused at start-up stops the road here, with
    // nothing downloaded.
    if (m_settings.refused) {
        EndRoadWithFailure(m_settings.refusal, m_settings.refusalReason);
        return;
    }
    m_tasks.AddTask(MakeDownloadTask());
    m_tasks.StartNextDownload();
}

std::unique_ptr<DownTask> LauncherApp::MakeDownloadTask() const
{
    auto task = std::make_unique<DownTask>();
    task->url = m_settings.url;
    task->pins = m_settings.pins;
    task->rate = m_settings.rate;
    task->mirrors = m_settings.mirrors;
    task->manifestUrl = m_settings.manifestUrl;
    task->manifestKey = m_settings.manifestKey;
    task->manifestChannel = m_settings.manifestChannel;
    task->tempName = kInstallerTempName;
    task->fileName = kInstallerName;
    task->directory = ReadDownloadTemp(*m_platform.environment);
    // The installer gets a folder of its own in there.
    task->folderRoot = task->directory;
    task->runInstaller = true;
    task->installArgs = L"-b";
    task->launcher = Self();
    return task;
}

LauncherSelf LauncherApp::Self() const
{
    LauncherSelf self;
    if (m_platform.handoff == nullptr)
        return self;
    self.path = m_platform.handoff->OwnPath();
    self.process = m_platform.handoff->OwnProcess();
    self.arguments = m_arguments;
    std::vector<uint8_t> bytes;
    ProgramVersion version;
    self.hasVersion = m_platform.resources->Load(kVersionResourceType, kVersionResourceId, bytes) &&
                      ReadVersionResource(bytes, version) && ParseLauncherVersion(version.fileVersion, self.version);
    return self;
}

void LauncherApp::OnTaskEvent(uintptr_t wParam, uintptr_t lParam)
{
    if (wParam == 0) {
        LaunchGame();
        return;
    }
    Task* task = reinterpret_cast<Task*>(wParam);
    const TaskState state = task->state.load();
    // A failure is shown where the road ends, below.
    if (state != TaskState::Failed) {
        UpdateTaskbar(*task, state);
        ShowTaskEvent(*task, state);
    }
    if (!IsFinal(state)) {
        if (state == TaskState::Started && task->type != TaskType::Download)
            LogStatus(ScreenUpdateFor(*task, state).status, L"");
        return;
    }

    // A task's last two events can both be handled in its final state; the
    // first removes the worker and continues or ends the road, a later one
    // changes nothing (its worker may be gone, and its address another
    // worker's).
    if (lParam == 0 || task->finalHandled)
        return;
    task->finalHandled = true;
    m_tasks.RemoveWorker(reinterpret_cast<CThread*>(lParam));
    if (state == TaskState::Finished && task->type == TaskType::Download &&
        static_cast<DownTask*>(task)->handedOver) {
        // The newer launcher goes on with the road: this one closes.
        m_successor = std::move(static_cast<DownTask*>(task)->successor);
        m_platform.log->Write(L"road: handed over to the new launcher");
        m_taskbar.Finished();
        m_platform.windows->DestroyWindow(Window());
        return;
    }
    if (state == TaskState::Finished) {
        LogStatus(ScreenUpdateFor(*task, state).status, OutcomeDetail(*task, state));
        m_tasks.ContinueAfter(task);
    } else {
        EndRoadWithFailure(task->failure, OutcomeDetail(*task, state));
    }
}

void LauncherApp::ShowTaskEvent(const Task& task, TaskState state)
{
    if (g_statusLabel == nullptr)
        return;
    ScreenUpdate update = ScreenUpdateFor(task, state);
    if (update.setFraction) {
        g_progressBar->m_fraction = update.fraction;
        g_progressBar->Invalidate();
    }
    if (update.setPercent)
        g_percentLabel->SetText(update.percent, CLabel::TEXT_REPAINT);
    if (update.setFraction || update.setPercent)
        NotifyAccessible(AccessibleEvent::ValueChange, g_progressBar);
    if (update.setStatus)
        SetStatus(update.status);
}

void LauncherApp::LogUnreportedEnd(Task& task)
{
    const TaskState state = task.state.load();
    if (!IsFinal(state) || task.finalHandled)
        return;
    task.finalHandled = true;
    LogStatus(ScreenUpdateFor(task, state).status, OutcomeDetail(task, state));
}

void LauncherApp::UpdateTaskbar(const Task& task, TaskState state)
{
    switch (state) {
    case TaskState::Downloading:
        if (task.type == TaskType::Download) {
            const auto& download = static_cast<const DownTask&>(task);
            m_taskbar.Progress(download.downloadedSize.load(), download.totalSize.load());
        }
        break;
    case TaskState::Started:
        // The installer runs: no value to show.
        if (task.type == TaskType::Install)
            m_taskbar.Working();
        break;
    case TaskState::Finished:
        // The installer runs next, or the game starts next.
        m_taskbar.Working();
        break;
    default:
        break;
    }
}

void LauncherApp::OnTaskbarButtonCreated()
{
    m_taskbar.Connect(m_platform.taskbar, Window());
}

void LauncherApp::LaunchGame()
{
    DetectInstall();
    const std::wstring path = StartProgramPath();
    uint32_t attributes = 0;
    if (!m_platform.files->GetAttributes(path, attributes) || (attributes & kFileAttributeDirectory)) {
        m_platform.log->Write(L"game: no start program at " + path);
        EndRoadWithFailure(Failure{FailureKind::NoStartProgram}, L"");
        return;
    }
    // The game starts in its own folder, where it finds its data by relative
    // paths, whatever folder the launcher was started from.
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    // Nobody may be there to answer a window of the shell's in an
    // unattended run.
    intptr_t result =
        m_platform.shell->Open(path, folder, Window(), m_unattended ? ShellPrompts::None : ShellPrompts::Allowed);
    if (result <= 32) {
        // The game did not start: say so and keep the window, rather than
        // closing as if all went well.
        m_platform.log->Write(L"game: not started, shell result " + DecimalText(result) + L": " + path);
        EndRoadWithFailure(Failure{FailureKind::GameNotStarted, static_cast<uint32_t>(result)}, L"");
        return;
    }
    m_platform.log->Write(L"game: started, shell result " + DecimalText(result) + L": " + path);
    m_taskbar.Finished();
    m_roadEnd = RoadOutcome::GameStarted;
    m_platform.windows->DestroyWindow(Window());
}

void LauncherApp::EndRoadWithFailure(const Failure& failure, const std::wstring& why)
{
    const std::wstring text = status::FailureText(failure);
    LogStatus(text, why);
    m_platform.log->Write(L"road: ended, " + std::wstring(FailureWords(failure.kind)));
    SetStatus(text);
    m_taskbar.Failed();
    m_roadEnd = OutcomeOf(failure.kind);
    // Nobody is there to read the status line of an unattended run.
    if (m_unattended)
        m_platform.windows->DestroyWindow(Window());
}

void LauncherApp::OnMouseMove(int32_t x, int32_t y)
{
    if (!m_rootPane)
        return;
    CUIBase* old = m_pointer.hovered;
    m_pointer.hovered = nullptr;
    m_rootPane->HitTest(x, y, &m_pointer.hovered);
    if (m_pointer.hovered == old)
        return;
    if (old != nullptr)
        old->OnMouseLeave();
    if (m_pointer.hovered != nullptr)
        m_pointer.hovered->OnMouseEnter();
}

bool LauncherApp::OnLButtonDown(int32_t x, int32_t y)
{
    if (m_rootPane) {
        m_pointer.pressed = nullptr;
        m_rootPane->HitTest(x, y, &m_pointer.pressed);
        if (m_pointer.pressed != nullptr)
            m_pointer.pressed->OnMouseDown();
    }
    return m_pointer.pressed == nullptr;
}

void LauncherApp::OnLButtonUp(int32_t x, int32_t y)
{
    if (!m_rootPane)
        return;
    CUIBase* released = nullptr;
    m_rootPane->HitTest(x, y, &released);
    if (released != nullptr && released == m_pointer.pressed)
        Activate(released->m_id);
    if (m_pointer.pressed != nullptr) {
        m_pointer.pressed->OnMouseUp();
        m_pointer.pressed = nullptr;
    }
}

void LauncherApp::Activate(int32_t id)
{
    switch (id) {
    case ID_CLOSE:
        m_platform.windows->DestroyWindow(Window());
        break;
    case ID_MINIMIZE:
        m_platform.windows->Minimize(Window());
        break;
    case ID_INSTALL:
        StartInstall();
        break;
    default:
        break;
    }
}

bool LauncherApp::OnKeyDown(uint32_t key)
{
    if (key != kKeyReturn && key != kKeySpace)
        return false;
    if (g_installButton == nullptr || !g_installButton->m_visible)
        return false;
    Activate(ID_INSTALL);
    return true;
}

void LauncherApp::SetKeyboardCues(bool show)
{
    m_keyboardCues = show;
    if (g_installButton != nullptr && g_installButton->m_focusCue != show) {
        g_installButton->m_focusCue = show;
        g_installButton->Invalidate();
    }
}

void LauncherApp::OnMouseLeave()
{
    if (m_pointer.hovered != nullptr) {
        m_pointer.hovered->OnMouseLeave();
        m_pointer.hovered = nullptr;
    }
    m_pointer.pressed = nullptr;
}

void LauncherApp::Paint(DeviceContext dc)
{
    if (m_background) {
        int32_t width = 0;
        int32_t height = 0;
        m_background->GetDesignSize(width, height);
        m_background->Draw(dc, ScaleRectByDpi(Rect{0, 0, width, height}, m_dpi));
    }
    if (m_rootPane)
        m_rootPane->Draw(dc);
}
