#include "tasks/CTaskManger.h"

#include <algorithm>

#include "tasks/TaskEventPoster.h"
#include "tasks/CDownloadFileThread.h"
#include "tasks/CInstallThread.h"

CTaskManger::CTaskManger(const TaskPlatform& p, ITaskEventPoster& events) : platform(p), poster(events) {}

CTaskManger::~CTaskManger()
{
    StopAll();
    downloadTasks.clear();
    installTasks.clear();
}

void CTaskManger::AddTask(std::unique_ptr<Task> task)
{
    if (!task)
        return;
    if (task->type == TaskType::Download)
        downloadTasks.emplace_back(static_cast<DownTask*>(task.release()));
    else
        installTasks.emplace_back(static_cast<InstallTask*>(task.release()));
}

void CTaskManger::StartNextDownload()
{
    auto waiting = std::find_if(downloadTasks.begin(), downloadTasks.end(), [](const auto& task) {
        return task->state.load() == TaskState::Waiting;
    });
    if (waiting == downloadTasks.end()) {
        poster.PostTaskEvent(0, 0);
        return;
    }
    DownTask* task = waiting->get();
    task->state.store(TaskState::Started);
    StartWorker(std::make_unique<CDownloadFileThread>(task, this, platform, downloadTimings));
}

void CTaskManger::ContinueAfter(Task* task)
{
    if (task != nullptr && task->type == TaskType::Download) {
        auto* download = static_cast<DownTask*>(task);
        if (download->runInstaller) {
            auto install = std::make_unique<InstallTask>();
            install->arguments = download->installArgs;
            install->installerPath = download->directory + L"\\" + download->fileName;
            if (!download->folderRoot.empty())
                install->folder = download->directory;
            install->pins = download->pins;
            install->checkedAsArrived = download->checkedAsArrived;
            install->checkedFile = download->checkedFile;
            InstallTask* record = install.get();
            installTasks.push_back(std::move(install));
            record->state.store(TaskState::Started);
            StartWorker(std::make_unique<CInstallThread>(record, this, platform));
            return;
        }
    }
    StartNextDownload();
}

void CTaskManger::StartWorker(std::unique_ptr<CThread> worker)
{
    CThread* started = worker.get();
    threads.push_back(std::move(worker));
    started->Start();
}

bool CTaskManger::RemoveWorker(CThread* worker)
{
    auto listed = std::find_if(threads.begin(), threads.end(),
                               [worker](const auto& thread) { return thread.get() == worker; });
    if (worker == nullptr || listed == threads.end())
        return false;
    (*listed)->Stop();
    threads.erase(listed);
    return true;
}

void CTaskManger::StopAll()
{
    stopping.store(true);
    for (auto& worker : threads) {
        worker->Stop();
        worker.reset();
    }
    threads.clear();
    stopping.store(false);
}

void CTaskManger::Post(Task* task, CThread* worker)
{
    if (stopping.load())
        return;
    poster.PostTaskEvent(reinterpret_cast<uintptr_t>(task), reinterpret_cast<uintptr_t>(worker));
}

void CTaskManger::OnTaskStart(Task* task, CThread* worker) { Post(task, worker); }
void CTaskManger::OnTaskFinish(Task* task, CThread* worker) { Post(task, worker); }
void CTaskManger::OnTaskProgress(Task* task, CThread* worker) { Post(task, worker); }
void CTaskManger::OnTaskError(Task* task, CThread* worker) { Post(task, worker); }
