#pragma once
#include <atomic>
#include <memory>
#include <vector>

#include "tasks/CTaskEventHandler.h"
#include "tasks/CThread.h"
#include "tasks/RetryPolicy.h"
#include "tasks/Task.h"
#include "platform/TaskPlatform.h"

class ITaskEventPoster;

// Owns the task records and the workers, runs the waiting downloads one at
// a time, starts the installer after a download that asks for it, and
// turns every worker's report into a WM_TASK_EVENT through the poster.
//
// Everything but the four report operations runs on the window thread.
// Task records live until the manager is destroyed, so a task pointer in a
// queued message stays valid; workers live until RemoveWorker or StopAll.
class CTaskManger : public CTaskEventHandler {
public:
    // The workers get platform's seams; every report goes out through poster.
    CTaskManger(const TaskPlatform& platform, ITaskEventPoster& poster);
    // Stops every worker, then frees the tasks.
    ~CTaskManger() override;
    CTaskManger(const CTaskManger&) = delete;
    CTaskManger& operator=(const CTaskManger&) = delete;

    // Takes the task into the list of its type.
    void AddTask(std::unique_ptr<Task> task);

    // Hands the first waiting download to a new download worker; with none
    // waiting, posts the event 0/0.
    void StartNextDownload();

    // For a task that has become Finished (once per task): starts the
    // installer of a download that asks for one, else the next download.
    void ContinueAfter(Task* task);

    // Stops, destroys and unlists the worker. True when it was listed;
    // false (and nothing done) for a pointer that is not, for example a
    // worker already removed by an earlier event of the same task. The
    // receiver of the events carries on after a task only when this is true.
    bool RemoveWorker(CThread* worker);

    // Stops and destroys every worker; their reports meanwhile are dropped.
    void StopAll();

    // Worker reports (worker threads): each posts WM_TASK_EVENT with the
    // task and the worker, unless StopAll is running.
    void OnTaskStart(Task* task, CThread* worker) override;
    void OnTaskFinish(Task* task, CThread* worker) override;
    void OnTaskProgress(Task* task, CThread* worker) override;
    void OnTaskError(Task* task, CThread* worker) override;

    // The durations download workers wait by (the product's by default;
    // test builds shorten some).
    void SetDownloadTimings(const download::Timings& timings) { downloadTimings = timings; }

    const std::vector<std::unique_ptr<CThread>>& Threads() const { return threads; }
    const std::vector<std::unique_ptr<DownTask>>& DownloadTasks() const { return downloadTasks; }
    const std::vector<std::unique_ptr<InstallTask>>& InstallTasks() const { return installTasks; }

private:
    void Post(Task* task, CThread* worker);
    void StartWorker(std::unique_ptr<CThread> worker);

    const TaskPlatform platform;
    ITaskEventPoster& poster;
    download::Timings downloadTimings;
    std::vector<std::unique_ptr<CThread>> threads;
    std::vector<std::unique_ptr<DownTask>> downloadTasks;
    std::vector<std::unique_ptr<InstallTask>> installTasks;
    std::atomic<bool> stopping{false};
};
