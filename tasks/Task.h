#pragma once
#include <atomic>
#include <memory>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileTrust.h"
#include "tasks/Failure.h"
#include "tasks/InstallerPins.h"
#include "tasks/LauncherUpdate.h"
#include "tasks/StatusTexts.h"
#include "tasks/TransferRate.h"

// The window message that carries a task event: WM_USER + 1. wParam is the
// reporting task and lParam its worker, or both 0 when no download is left.
constexpr uint32_t WM_TASK_EVENT = 0x0401;

enum class TaskType : int32_t { Download = 0, Install = 1 };

// Retrying: a download waits out the pause before its next attempt.
enum class TaskState : int32_t { Waiting = 0, Started = 1, Downloading = 2, Finished = 3, Failed = 4, Retrying = 5 };

// A unit of work for one worker. The fields a worker writes are read by the
// window thread when it handles the worker's report, so they are atomic:
// the worker writes the counters and the message first and publishes the
// state last (release), and the reader loads the state first (acquire).
// The failure and its message are written only before the final Failed
// state and never after, so they may be read once that state has been seen.
struct Task {
    explicit Task(TaskType t) : type(t) {}
    virtual ~Task() = default;
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;

    virtual void ResetState() { state.store(TaskState::Waiting); }

    // Records what failed and the status text it shows, together; the
    // worker then publishes the Failed state.
    void Fail(const Failure& what)
    {
        failure = what;
        message = status::FailureText(what);
    }

    const TaskType type;
    std::atomic<TaskState> state{TaskState::Waiting};
    std::wstring message;
    // What failed, once the task is Failed.
    Failure failure;
    // Set by the window thread when it has acted on the task's final state
    // (worker removed, outcome logged, road continued), so that a later
    // event of the same task changes nothing. The task decides, not its
    // worker's address: a freed worker's address may be the next worker's.
    // Only the window thread reads or writes it.
    bool finalHandled = false;
};

// Fetch one file over HTTP into directory\tempName and, once complete,
// rename it to directory\fileName.
struct DownTask : Task {
    DownTask() : Task(TaskType::Download) {}

    void ResetState() override
    {
        totalSize.store(0);
        downloadedSize.store(0);
        retrySeconds.store(0);
        retryNumber.store(0);
        Task::ResetState();
    }

    std::wstring url;
    std::wstring tempName;
    std::wstring fileName;
    std::wstring directory;
    // When set (the temporary folder), the download gets a folder of its
    // own under it: one an earlier run left with a partial file that can be
    // continued, else a new one with a random name. The worker then sets
    // directory to that folder before its first event.
    std::wstring folderRoot;
    // Byte counts: an installer may be larger than 4 GiB.
    std::atomic<uint64_t> totalSize{0};
    std::atomic<uint64_t> downloadedSize{0};
    // While Retrying: the whole seconds left before the next attempt, and
    // that attempt's number among the retries (1 for the first).
    std::atomic<uint32_t> retrySeconds{0};
    std::atomic<uint32_t> retryNumber{0};
    bool runInstaller = false;
    std::wstring installArgs;
    // A pinned digest is checked before the file takes its final name, and
    // before a file of an earlier run is used again.
    InstallerPins pins;
    // How fast the body is read (the design's pace unless the publisher
    // chose another).
    TransferRate rate;
    // Further addresses of the same file, tried after url in this order.
    std::vector<std::wstring> mirrors;
    // A signed manifest to fetch first, when the configuration names one,
    // the publisher's key (its P-256 public point, X then Y) and this
    // launcher's channel, which the manifest must name. A verified
    // manifest's addresses, size, digest and signer replace url, mirrors
    // and pins.
    std::wstring manifestUrl;
    std::vector<uint8_t> manifestKey;
    std::wstring manifestChannel;
    // The running launcher, which a verified manifest may name a newer one
    // of (docs/updates.md): that one is fetched and swapped in first. An
    // empty path: no update.
    LauncherSelf launcher;
    // Written before the final Finished: the installer's digest was the
    // pinned one as its bytes arrived, in the download's own folder, and
    // this is the file the rename left (as held after it).
    bool checkedAsArrived = false;
    FileIdentity checkedFile;
    // While the new launcher downloads: the status line says so.
    std::atomic<bool> updatingLauncher{false};
    // Written before the final Finished: the new launcher took the road
    // over, and this is its process.
    bool handedOver = false;
    std::unique_ptr<IProcess> successor;
};

// Run one program hidden and wait for its exit code.
struct InstallTask : Task {
    InstallTask() : Task(TaskType::Install) {}

    std::wstring installerPath;
    std::wstring arguments;
    // The download's own folder, removed with the installer; empty when the
    // installer lies in a folder that is not the launcher's.
    std::wstring folder;
    // Checked again, on the file held open, right before it is started.
    InstallerPins pins;
    // The download's own check of the digest, as its bytes arrived, and the
    // file it checked: while the held file is that one, its digest is not
    // read again.
    bool checkedAsArrived = false;
    FileIdentity checkedFile;
};
