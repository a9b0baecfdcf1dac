// The task manager on real worker threads with fake platform seams: the
// order of downloads and installs, the events posted, removal of workers
// and the stop at shutdown. Also built with ThreadSanitizer.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "tasks/CTaskManger.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeFileTrust.h"
#include "tests/fakes/FakeHttpClient.h"
#include "tests/fakes/FakeProcessRunner.h"
#include "tests/fakes/RecordingTaskEventPoster.h"

namespace {

using Event = RecordingTaskEventPoster::Event;

std::unique_ptr<DownTask> MakeDownload(const std::wstring& name, bool runInstaller)
{
    auto task = std::make_unique<DownTask>();
    task->url = L"http://127.0.0.1/" + name;
    task->tempName = name + L".tmp";
    task->fileName = name + L".exe";
    task->directory = L"C:\\tmp";
    task->runInstaller = runInstaller;
    task->installArgs = L"-b";
    return task;
}

class TaskManager : public ::testing::Test {
protected:
    TaskManager() : manager(TaskPlatform{&http, &files, &processes, &trust}, poster) { http.SetBody(100, {60, 40}); }

    // Handles the queued events as the launcher's window does: reads the
    // task's state, and for a Finished or Failed one removes the worker and,
    // only if it was still listed, continues after a Finished task. Stops at
    // the 0/0 event or once `until` holds after an event.
    void Pump(std::function<bool()> until = nullptr)
    {
        Event event;
        while (poster.Next(event)) {
            if (event.first == 0) {
                EXPECT_EQ(event.second, 0u);
                ++allDone;
                return;
            }
            auto* task = reinterpret_cast<Task*>(event.first);
            auto* worker = reinterpret_cast<CThread*>(event.second);
            const TaskState state = task->state.load();
            handled.push_back({task, state});
            // What the window shows, read while the worker may still run.
            if (state == TaskState::Failed)
                messages.push_back(task->message);
            if (task->type == TaskType::Download)
                shownBytes = static_cast<DownTask*>(task)->downloadedSize.load();
            EXPECT_LE(manager.Threads().size(), 1u);
            if ((state == TaskState::Finished || state == TaskState::Failed) && manager.RemoveWorker(worker) &&
                state == TaskState::Finished)
                manager.ContinueAfter(task);
            if (until && until())
                return;
        }
        ADD_FAILURE() << "no further event came";
    }

    FakeHttpClient http;
    FakeFileSystem files;
    FakeProcessRunner processes;
    RecordingTaskEventPoster poster;
    FakeFileTrust trust;
    CTaskManger manager;
    std::vector<std::pair<Task*, TaskState>> handled;
    std::vector<std::wstring> messages;
    uint32_t shownBytes = 0;
    int allDone = 0;
};

TEST_F(TaskManager, DownloadThenInstallThenAllDone)
{
    manager.AddTask(MakeDownload(L"yrfoinstall", true));
    DownTask* download = manager.DownloadTasks()[0].get();
    download->pins.signer = L"Orvantis Games";
    trust.signerName = L"Orvantis Games";
    manager.StartNextDownload();
    Pump();

    ASSERT_EQ(allDone, 1);
    ASSERT_EQ(manager.InstallTasks().size(), 1u);
    InstallTask* install = manager.InstallTasks()[0].get();
    EXPECT_EQ(install->installerPath, L"C:\\tmp\\yrfoinstall.exe");
    EXPECT_EQ(install->arguments, L"-b");
    EXPECT_EQ(install->pins.signer, L"Orvantis Games");
    EXPECT_EQ(processes.CommandLines(), std::vector<std::wstring>{L"\"C:\\tmp\\yrfoinstall.exe\" -b"});
    EXPECT_FALSE(files.Exists(L"C:\\tmp\\yrfoinstall.exe"));
    EXPECT_TRUE(manager.Threads().empty());

    // Four events of the download (start, two chunks, finish), then two of
    // the install; each read in the task's state at handling time, which
    // ends Finished for both.
    ASSERT_EQ(handled.size(), 6u);
    for (size_t i = 0; i < handled.size(); ++i)
        EXPECT_EQ(handled[i].first, i < 4 ? static_cast<Task*>(download) : static_cast<Task*>(install)) << i;
    EXPECT_EQ(handled[3].second, TaskState::Finished);
    EXPECT_EQ(handled[5].second, TaskState::Finished);
    EXPECT_EQ(download->downloadedSize.load(), 100u);
}

TEST_F(TaskManager, DownloadsWithoutInstallerRunOneAfterTheOther)
{
    manager.AddTask(MakeDownload(L"first", false));
    manager.AddTask(MakeDownload(L"second", false));
    DownTask* first = manager.DownloadTasks()[0].get();
    DownTask* second = manager.DownloadTasks()[1].get();
    manager.StartNextDownload();
    EXPECT_EQ(second->state.load(), TaskState::Waiting);
    Pump();

    ASSERT_EQ(allDone, 1);
    EXPECT_EQ(first->state.load(), TaskState::Finished);
    EXPECT_EQ(second->state.load(), TaskState::Finished);
    // No event of the second came before the first had finished.
    bool firstFinished = false;
    for (const auto& [task, state] : handled) {
        if (task == first && state == TaskState::Finished)
            firstFinished = true;
        if (task == second) {
            EXPECT_TRUE(firstFinished);
        }
    }
    EXPECT_TRUE(manager.InstallTasks().empty());
    EXPECT_TRUE(processes.CommandLines().empty());
}

TEST_F(TaskManager, FailedDownloadEndsTheChain)
{
    http.SetBody(0, {});
    http.responses[0].hasContentLength = false;
    manager.AddTask(MakeDownload(L"first", true));
    manager.AddTask(MakeDownload(L"second", true));
    DownTask* first = manager.DownloadTasks()[0].get();
    manager.StartNextDownload();
    Pump([&] { return first->state.load() == TaskState::Failed && manager.Threads().empty(); });

    EXPECT_EQ(messages, std::vector<std::wstring>{L"连接异常,错误代码：12150"});
    EXPECT_EQ(manager.DownloadTasks()[1]->state.load(), TaskState::Waiting);
    EXPECT_TRUE(manager.InstallTasks().empty());
    // With no worker left nothing more can come: no all-done event.
    Event event;
    EXPECT_FALSE(poster.Next(event, std::chrono::milliseconds(0)));
    EXPECT_EQ(allDone, 0);
}

TEST_F(TaskManager, TextIsCompleteOnceTheFailedStateIsSeen)
{
    // A busy window handles the start event only after the worker failed:
    // it sees Failed and reads the text and the count with no other
    // synchronisation than the state itself.
    http.SetBody(1000, {60});
    http.responses[0].reads.push_back(FakeHttpClient::Failure(12175));
    manager.AddTask(MakeDownload(L"yrfoinstall", true));
    DownTask* download = manager.DownloadTasks()[0].get();
    manager.StartNextDownload();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (download->state.load() != TaskState::Failed && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(download->state.load(), TaskState::Failed);
    EXPECT_EQ(download->message, L"连接异常,错误代码：12175");
    EXPECT_EQ(download->downloadedSize.load(), 60u);
    Pump([&] { return manager.Threads().empty(); });
}

TEST_F(TaskManager, EventsOfOneTaskHandledTwiceInItsFinalStateContinueOnce)
{
    // A finished file on disk: start and finish follow each other at once,
    // and both are usually read in the Finished state.
    http.SetBody(3, {3});
    files.PutFile(L"C:\\tmp\\yrfoinstall.exe", {1, 2, 3});
    processes.waits = {IProcess::WaitResult::TimedOut};
    manager.AddTask(MakeDownload(L"yrfoinstall", true));
    manager.StartNextDownload();
    Pump();

    EXPECT_EQ(allDone, 1);
    EXPECT_EQ(manager.InstallTasks().size(), 1u);
    EXPECT_EQ(processes.CommandLines().size(), 1u);
}

TEST_F(TaskManager, StopAllDuringAStalledDownloadPostsNothing)
{
    http.SetBody(1000, {60});
    http.responses[0].reads.push_back(FakeHttpClient::Stall());
    manager.AddTask(MakeDownload(L"yrfoinstall", true));
    DownTask* download = manager.DownloadTasks()[0].get();
    manager.StartNextDownload();
    // Wait until the worker is stuck in its second read.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (http.readsStarted.load() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(http.readsStarted.load(), 2);
    const size_t postedBefore = poster.Posted();

    manager.StopAll();

    EXPECT_EQ(poster.Posted(), postedBefore);
    EXPECT_TRUE(manager.Threads().empty());
    EXPECT_EQ(download->state.load(), TaskState::Failed);
    EXPECT_EQ(download->message, L"强制退出");
    EXPECT_FALSE(files.Exists(L"C:\\tmp\\yrfoinstall.tmp"));
    EXPECT_EQ(http.openRequests.load(), 0);
    // The records outlive the stop.
    EXPECT_EQ(manager.DownloadTasks().size(), 1u);
}

TEST_F(TaskManager, DestructionStopsAStalledWorker)
{
    http.SetBody(1000, {});
    http.responses[0].reads.push_back(FakeHttpClient::Stall());
    auto owned = std::make_unique<CTaskManger>(TaskPlatform{&http, &files, &processes}, poster);
    owned->AddTask(MakeDownload(L"yrfoinstall", true));
    owned->StartNextDownload();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (http.readsStarted.load() < 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    owned.reset();
    EXPECT_EQ(http.openRequests.load(), 0);
    EXPECT_EQ(files.OpenFiles(), 0);
}

TEST_F(TaskManager, RemoveWorkerIgnoresPointersNotListed)
{
    CThread stranger;
    EXPECT_FALSE(manager.RemoveWorker(&stranger));
    EXPECT_FALSE(manager.RemoveWorker(nullptr));

    manager.AddTask(MakeDownload(L"yrfoinstall", false));
    manager.StartNextDownload();
    ASSERT_EQ(manager.Threads().size(), 1u);
    CThread* worker = manager.Threads()[0].get();
    EXPECT_TRUE(manager.RemoveWorker(worker));
    EXPECT_FALSE(manager.RemoveWorker(worker));
    EXPECT_TRUE(manager.Threads().empty());
}

TEST_F(TaskManager, NothingWaitingPostsAllDone)
{
    manager.StartNextDownload();
    Event event;
    ASSERT_TRUE(poster.Next(event, std::chrono::milliseconds(0)));
    EXPECT_EQ(event, Event(0, 0));
    EXPECT_EQ(poster.Posted(), 1u);
    EXPECT_TRUE(manager.Threads().empty());
}

TEST_F(TaskManager, AddTaskListsByType)
{
    manager.AddTask(MakeDownload(L"a", false));
    manager.AddTask(std::make_unique<InstallTask>());
    manager.AddTask(nullptr);
    EXPECT_EQ(manager.DownloadTasks().size(), 1u);
    EXPECT_EQ(manager.InstallTasks().size(), 1u);
    EXPECT_EQ(manager.DownloadTasks()[0]->state.load(), TaskState::Waiting);
}

}  // namespace
