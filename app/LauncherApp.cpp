#include "app/LauncherApp.h"

#include <vector>

#include "app/AccessibleScreen.h"
#include "app/ScreenLayout.h"
#include "app/TaskEventView.h"
#include "config/FolderVariable.h"
#include "config/InstallDetection.h"
#include "platform/DecimalText.h"
#include "platform/FileSystem.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "platform/Resources.h"
#include "platform/Shell.h"
#include "platform/WallClock.h"
#include "platform/WindowSystem.h"
#include "tasks/DownloadFolders.h"
#include "tasks/DownloadRules.h"
#include "tasks/Manifest.h"
#include "tasks/StatusTexts.h"
#include "tasks/Task.h"
#include "ui/CLabel.h"
#include "ui/CNormalBtn.h"
#include "ui/CPane.h"
#include "ui/CProgress.h"
#include "ui/CResImage.h"
#include "ui/Dpi.h"

LauncherApp* g_app = nullptr;

namespace {

// A manifest that cannot be checked: no key, or no P-256 public key.
constexpr uint32_t kUncheckableManifest = 1;
// A manifest that cannot be this launcher's: no channel configured.
constexpr uint32_t kNoChannel = static_cast<uint32_t>(ManifestFault::OtherChannel);

TaskPlatform MakeTaskPlatform(const Platform& platform, ITaskEventPoster* poster)
{
    TaskPlatform tasks;
    tasks.http = platform.http;
    tasks.files = platform.files;
    tasks.processes = platform.processes;
    tasks.poster = poster;
    tasks.trust = platform.trust;
    tasks.verifier = platform.verifier;
    tasks.registry = platform.registry;
    tasks.log = platform.log;
    tasks.random = platform.random;
    return tasks;
}

}  // namespace

LauncherApp::LauncherApp(const Platform& platform)
    : m_platform(platform),
      m_poster(*this, platform.windows),
      taskManager(MakeTaskPlatform(platform, &m_poster))
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
            *m_platform.files, ReadFolderVariable(*m_platform.environment, L"TMP", IEnvironment::Folder::Temp),
            UtcNowSeconds());
        if (removed != 0)
            m_platform.log->Write(L"start-up: " + DecimalText(removed) + L" download folder(s) older than 7 days removed");
    }
}

void LauncherApp::LoadConfiguration()
{
    baseDir = ReadFolderVariable(*m_platform.environment, L"APPDATA",
                                 IEnvironment::Folder::RoamingAppData);

    std::vector<uint8_t> bytes;
    const bool found = m_platform.resources->Load(kResourceType, kConfigResourceId, bytes);
    if (found)
        config.Parse(bytes.data(), bytes.size());

    installAppName = config.GetValue(L"pack", L"k_installAppName");
    startAppName = config.GetValue(L"pack", L"k_startAppName");
    installerKey = config.GetValue(L"pack", L"k_installerKey");
    // The configuration's address and names, and nothing of the
    // environment: the log is meant to be sent to support.
    m_platform.log->Write(
        found ? L"configuration: url \"" + download::LoggedAddress(config.GetValue(L"cver", L"k_comm_url")) +
                    L"\", name \"" +
                    config.GetValue(L"pack", L"k_name") + L"\", install folder \"" + installAppName +
                    L"\", start program \"" + startAppName + L"\", registry key \"" + installerKey + L"\""
              : L"configuration: none in the program");
    DetectInstall();
}

void LauncherApp::DetectInstall()
{
    DetectInstallRoot(*m_platform.registry, installerKey, installAppName, baseDir);
}

WindowHandle LauncherApp::Window()
{
    WindowHandle window = hwnd.load();
    if (window != nullptr && m_platform.windows->IsWindow(window))
        return window;
    hwnd.store(nullptr);
    return nullptr;
}

void LauncherApp::BuildScreen()
{
    rootPane = BuildLauncherScreen(Window(), *m_platform.windows, config.GetValue(L"pack", L"k_name"), dpi);
    if (g_installButton != nullptr)
        g_installButton->m_focusCue = keyboardCues;
}

void LauncherApp::SetDpi(int32_t newDpi)
{
    dpi = newDpi;
    if (background)
        background->SelectForDpi(dpi);
    WindowHandle window = Window();
    if (rootPane)
        LayOutLauncherScreen(*rootPane, window, *m_platform.windows, dpi);
    if (window != nullptr)
        m_platform.windows->InvalidateRect(window, nullptr, true);
}

void LauncherApp::Release()
{
    taskManager.StopAll();
    // A worker stopped here (the window closed mid-download) ends its task
    // without a message the window could still handle: its outcome is
    // logged here, as every other ending is when its event comes.
    for (const auto& task : taskManager.DownloadTasks())
        LogOutcomeOnce(*task);
    for (const auto& task : taskManager.InstallTasks())
        LogOutcomeOnce(*task);
    pressed = released = hovered = nullptr;
    ClearScreenGlobals();
    rootPane.reset();
    config = CIniConfig();
    installerKey.clear();
    startAppName.clear();
    installAppName.clear();
    baseDir.clear();
    background.reset();
}

std::wstring LauncherApp::StartProgramPath() const
{
    return baseDir + L"\\" + installAppName + L"\\" + startAppName;
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
    g_statusLabel->SetText(true, false, text);
    NotifyAccessible(AccessibleEvent::NameChange, g_statusLabel);
}

void LauncherApp::StartInstall()
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
    m_platform.log->Write(L"status: " + g_statusLabel->m_text + L" (install button clicked)");
    // The install button left the screen; the bar and the status came.
    NotifyAccessible(AccessibleEvent::Reorder, nullptr);
    taskbarProgress.Connecting();

    // A pinned digest that is not one is the publisher's mistake: nothing
    // is downloaded that could not be checked.
    InstallerPins pins;
    const std::wstring sha256 = config.GetValue(L"cver", L"k_comm_sha256");
    if (!sha256.empty() && !ParseSha256Pin(sha256, pins.sha256)) {
        SetStatus(status::kInvalidPin);
        m_platform.log->Write(L"status: " + std::wstring(status::kInvalidPin) +
                              L" (k_comm_sha256 is not 64 hexadecimal digits; nothing downloaded)");
        taskbarProgress.Failed();
        EndRoad(OutcomeOfFailure(status::kInvalidPin));
        return;
    }
    pins.signer = config.GetValue(L"cver", L"k_comm_signer");

    auto task = std::make_unique<DownTask>();
    task->url = config.GetValue(L"cver", L"k_comm_url");
    task->pins = pins;
    for (const wchar_t* key : {L"k_comm_url2", L"k_comm_url3", L"k_comm_url4"}) {
        const std::wstring mirror = config.GetValue(L"cver", key);
        if (!mirror.empty())
            task->mirrors.push_back(mirror);
    }
    // A signed manifest names the installer when the publisher set one up;
    // one that could not be checked is never skipped.
    task->manifestUrl = config.GetValue(L"cver", L"k_comm_manifest");
    if (!task->manifestUrl.empty() &&
        !ParseP256PublicKey(config.GetValue(L"cver", L"k_comm_manifest_key"), task->manifestKey)) {
        SetStatus(status::WithCode(status::kManifestInvalid, kUncheckableManifest));
        m_platform.log->Write(L"status: " + status::WithCode(status::kManifestInvalid, kUncheckableManifest) +
                              L" (k_comm_manifest_key is not a P-256 public key; nothing downloaded)");
        taskbarProgress.Failed();
        EndRoad(OutcomeOfFailure(status::kManifestInvalid));
        return;
    }
    task->manifestChannel = config.GetValue(L"cver", L"k_comm_channel");
    if (!task->manifestUrl.empty() &&
        (task->manifestChannel.empty() || download::HasControlCharacter(task->manifestChannel))) {
        SetStatus(status::WithCode(status::kManifestInvalid, kNoChannel));
        m_platform.log->Write(L"status: " + status::WithCode(status::kManifestInvalid, kNoChannel) +
                              L" (k_comm_channel is missing or holds control characters; nothing downloaded)");
        taskbarProgress.Failed();
        EndRoad(OutcomeOfFailure(status::kManifestInvalid));
        return;
    }
    task->tempName = L"yrfoinstall.tmp";
    task->fileName = L"yrfoinstall.exe";
    task->directory = ReadFolderVariable(*m_platform.environment, L"TMP", IEnvironment::Folder::Temp);
    // The installer gets a folder of its own in there.
    task->folderRoot = task->directory;
    task->runInstaller = true;
    task->installArgs = L"-b";
    taskManager.AddTask(std::move(task));
    taskManager.StartNextDownload();
}

void LauncherApp::OnTaskEvent(uintptr_t wParam, uintptr_t lParam)
{
    if (wParam == 0) {
        LaunchGame();
        return;
    }
    Task* task = reinterpret_cast<Task*>(wParam);
    const TaskState state = task->state.load();
    UpdateTaskbar(*task, state);
    if (g_statusLabel != nullptr) {
        ScreenUpdate update = ScreenUpdateFor(*task, state);
        if (update.setFraction) {
            g_progressBar->m_fraction = update.fraction;
            g_progressBar->Invalidate();
        }
        if (update.setPercent)
            g_percentLabel->SetText(true, false, update.percent);
        if (update.setFraction || update.setPercent)
            NotifyAccessible(AccessibleEvent::ValueChange, g_progressBar);
        if (update.setStatus)
            SetStatus(update.status);
    }

    // A task's last two events can both be handled in its final state; the
    // first removes the worker and continues the road, a later one changes
    // nothing (its worker may be gone, and its address another worker's).
    if (state == TaskState::Finished || state == TaskState::Failed) {
        if (lParam == 0 || task->finalHandled)
            return;
        task->finalHandled = true;
        taskManager.RemoveWorker(reinterpret_cast<CThread*>(lParam));
        LogOutcome(*task, state);
        if (state == TaskState::Finished)
            taskManager.ContinueAfter(task);
        else
            EndRoad(OutcomeOfFailure(task->message));
    } else if (state == TaskState::Started && task->type != TaskType::Download) {
        m_platform.log->Write(L"status: " + ScreenUpdateFor(*task, state).status);
    }
}

void LauncherApp::LogOutcomeOnce(const Task& task)
{
    const TaskState state = task.state.load();
    if (state != TaskState::Finished && state != TaskState::Failed)
        return;
    for (const Task* logged : m_loggedOutcomes) {
        if (logged == &task)
            return;
    }
    LogOutcome(task, state);
}

// A task's final text, once per task, with what a download had moved.
void LauncherApp::LogOutcome(const Task& task, TaskState state)
{
    m_loggedOutcomes.push_back(&task);
    std::wstring text = L"status: " + ScreenUpdateFor(task, state).status;
    if (task.type == TaskType::Download) {
        const auto& download = static_cast<const DownTask&>(task);
        text += (state == TaskState::Failed ? L" (download failed after " : L" (download: ") +
                DecimalText(download.downloadedSize.load()) + L" of " + DecimalText(download.totalSize.load()) +
                L" bytes)";
    } else if (state == TaskState::Failed) {
        text += L" (install failed)";
    }
    m_platform.log->Write(text);
}

void LauncherApp::ShowStatus(const std::wstring& text)
{
    m_platform.log->Write(L"status: " + text);
    SetStatus(text);
}

void LauncherApp::UpdateTaskbar(const Task& task, TaskState state)
{
    switch (state) {
    case TaskState::Downloading:
        if (task.type == TaskType::Download) {
            const auto& download = static_cast<const DownTask&>(task);
            taskbarProgress.Progress(download.downloadedSize.load(), download.totalSize.load());
        }
        break;
    case TaskState::Started:
        // The installer runs: no value to show.
        if (task.type == TaskType::Install)
            taskbarProgress.Working();
        break;
    case TaskState::Finished:
        // The installer runs next, or the game starts next.
        taskbarProgress.Working();
        break;
    case TaskState::Failed:
        taskbarProgress.Failed();
        break;
    default:
        break;
    }
}

void LauncherApp::OnTaskbarButtonCreated()
{
    taskbarProgress.Connect(m_platform.taskbar, Window());
}

void LauncherApp::LaunchGame()
{
    DetectInstall();
    const std::wstring path = StartProgramPath();
    uint32_t attributes = 0;
    if (!m_platform.files->GetAttributes(path, attributes) || (attributes & kFileAttributeDirectory)) {
        m_platform.log->Write(L"game: no start program at " + path);
        ShowStatus(status::kNoStartProgram);
        taskbarProgress.Failed();
        EndRoad(OutcomeOfFailure(status::kNoStartProgram));
        return;
    }
    // The game starts in its own folder, where it finds its data by relative
    // paths, whatever folder the launcher was started from.
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    // Nobody may be there to answer a window of the shell's in an
    // unattended run.
    intptr_t result =
        m_platform.shell->Open(path, folder, Window(), unattended ? ShellPrompts::None : ShellPrompts::Allowed);
    if (result <= 32) {
        // The game did not start: say so and keep the window, rather than
        // closing as if all went well.
        m_platform.log->Write(L"game: not started, shell result " + DecimalText(result) + L": " + path);
        ShowStatus(status::WithCode(status::kGameNotStarted, static_cast<uint32_t>(result)));
        taskbarProgress.Failed();
        EndRoad(OutcomeOfFailure(status::kGameNotStarted));
        return;
    }
    m_platform.log->Write(L"game: started, shell result " + DecimalText(result) + L": " + path);
    taskbarProgress.Finished();
    roadEnded = true;
    roadOutcome = RoadOutcome::GameStarted;
    m_platform.windows->DestroyWindow(Window());
}

void LauncherApp::EndRoad(RoadOutcome outcome)
{
    roadEnded = true;
    roadOutcome = outcome;
    if (unattended)
        m_platform.windows->DestroyWindow(Window());
}

void LauncherApp::OnMouseMove(int32_t x, int32_t y)
{
    if (!rootPane)
        return;
    CUIBase* old = hovered;
    hovered = nullptr;
    rootPane->HitTest(x, y, &hovered);
    if (hovered == old)
        return;
    if (old != nullptr)
        old->OnMouseLeave();
    if (hovered != nullptr)
        hovered->OnMouseEnter();
}

bool LauncherApp::OnLButtonDown(int32_t x, int32_t y)
{
    if (rootPane) {
        pressed = nullptr;
        rootPane->HitTest(x, y, &pressed);
        if (pressed != nullptr)
            pressed->OnMouseDown();
    }
    return pressed == nullptr;
}

void LauncherApp::OnLButtonUp(int32_t x, int32_t y)
{
    if (!rootPane)
        return;
    released = nullptr;
    rootPane->HitTest(x, y, &released);
    if (released != nullptr && released == pressed)
        Activate(released->m_id);
    if (pressed != nullptr) {
        pressed->OnMouseUp();
        pressed = nullptr;
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
    keyboardCues = show;
    if (g_installButton != nullptr && g_installButton->m_focusCue != show) {
        g_installButton->m_focusCue = show;
        g_installButton->Invalidate();
    }
}

void LauncherApp::OnMouseLeave()
{
    if (hovered != nullptr) {
        hovered->OnMouseLeave();
        hovered = nullptr;
    }
    pressed = nullptr;
}

void LauncherApp::Paint(DeviceContext dc)
{
    if (background) {
        int32_t width = 0;
        int32_t height = 0;
        background->GetDesignSize(width, height);
        background->Draw(dc, ScaleRectByDpi(Rect{0, 0, width, height}, dpi));
    }
    if (rootPane)
        rootPane->Draw(dc);
}
