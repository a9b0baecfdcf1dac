#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Log.h"
#include "platform/TaskPlatform.h"
#include "tasks/CThread.h"
#include "tasks/Task.h"

struct InstallTask;
class CTaskEventHandler;
class IFileSystem;
class IFileTrust;
class IHeldFile;
class IProcessRunner;

// Runs one installer hidden, waits for it, judges it by its exit code (0
// is success) and deletes the installer file afterwards, or at once when
// it cannot be started. Reports
// OnTaskStart once the process runs, then OnTaskFinish or OnTaskError.
class CInstallThread : public CThread {
public:
    // The command line's buffer on Windows, the terminating zero included.
    static constexpr size_t kCommandLineLimit = 1024;
    static constexpr uint32_t kWaitTime = 30;
    static constexpr uint32_t kWaitPause = 5;

    // Of the seams it uses the process runner, the disk, the checks of
    // what the task pins (trust, absent when nothing is pinned), the log
    // and the clock it pauses by between its looks at the installer.
    CInstallThread(InstallTask* task, CTaskEventHandler* handler, const TaskPlatform& seams);
    ~CInstallThread() override;

    // Runs the installer once; always false, so the thread then ends.
    bool Run() override;

    // "<path>" or "<path>" <arguments>: the path is quoted, so that a path
    // with blanks never starts another program (C:\tmp.exe for
    // C:\tmp dir\setup.exe). Empty when it would not fit kCommandLineLimit.
    static std::wstring CommandLine(const std::wstring& installerPath, const std::wstring& arguments);

private:
    // Publishes state and reports it.
    void Report(TaskState state);
    // Records what failed on the task, then reports it Failed.
    void Fail(const Failure& failure);
    // Logs the size and first bytes of an installer that could not be
    // started, then deletes it.
    void DeleteUnstarted();
    // Deletes the installer file, and its folder when that is the
    // download's own.
    void DeleteInstaller();
    // Holds the installer open and checks what the task pins. Null, with
    // what failed, when a check fails.
    std::unique_ptr<IHeldFile> HoldChecked(Failure& failure);

    InstallTask* task;             // not owned
    CTaskEventHandler* handler;    // not owned
    IProcessRunner* processes;     // not owned
    IFileSystem* files;            // not owned
    IFileTrust* trust;             // not owned
    ILog* log;                     // not owned
    IClock* clock;                 // not owned
};
