#include "tasks/CInstallThread.h"

#include <memory>

#include "platform/FileSystem.h"
#include "platform/ProcessRunner.h"
#include "tasks/CTaskEventHandler.h"
#include "tasks/DecimalText.h"
#include "tasks/Task.h"

namespace {

const wchar_t kCannotStart[] = L"调用安装程序失败,错误码：";
const wchar_t kNotCompleted[] = L"安装未完成";
const wchar_t kWaitError[] = L"安装出错";

// ERROR_FILENAME_EXCED_RANGE: the command line does not fit.
constexpr uint32_t kErrorCommandLineTooLong = 206;

}  // namespace

CInstallThread::CInstallThread(InstallTask* t, CTaskEventHandler* h, IProcessRunner* runner,
                               IFileSystem* fileSystem, ILog* runLog)
    : task(t), handler(h), processes(runner), files(fileSystem), log(runLog)
{
}

CInstallThread::~CInstallThread()
{
    Stop();
}

std::wstring CInstallThread::CommandLine(const std::wstring& installerPath, const std::wstring& arguments)
{
    std::wstring line = L"\"" + installerPath + L"\"";
    if (!arguments.empty())
        line += L" " + arguments;
    if (line.size() + 1 > kCommandLineLimit)
        return std::wstring();
    return line;
}

void CInstallThread::Report(TaskState state, const std::wstring& text)
{
    if (state == TaskState::Failed)
        task->message = text;
    task->state.store(state);
    if (state == TaskState::Finished)
        handler->OnTaskFinish(task, this);
    else if (state == TaskState::Failed)
        handler->OnTaskError(task, this);
    else
        handler->OnTaskStart(task, this);
}

bool CInstallThread::Run()
{
    // A cut-off command line would start something else: refuse it, and
    // leave the installer where it is, as for any other start failure.
    const std::wstring commandLine = CommandLine(task->installerPath, task->arguments);
    uint32_t error = kErrorCommandLineTooLong;
    std::unique_ptr<IProcess> process;
    if (!commandLine.empty())
        process = processes->StartHidden(commandLine, error);
    else
        log->Write(L"installer: command line longer than 1024 characters: " + task->installerPath);
    if (!process) {
        log->Write(L"installer: not started, code " + DecimalText(error));
        Report(TaskState::Failed, kCannotStart + DecimalText(static_cast<int32_t>(error)));
        return false;
    }
    log->Write(L"installer: started hidden: " + commandLine);
    Report(TaskState::Started, std::wstring());

    // A stop leaves the installer running and its file in place.
    if (!running.load()) {
        log->Write(L"installer: left running, the launcher is closing");
        return false;
    }
    for (;;) {
        const IProcess::WaitResult result = process->Wait(kWaitTime);
        if (result == IProcess::WaitResult::Ended) {
            uint32_t code = 0;
            const bool known = process->GetExitCode(code);
            log->Write(known ? L"installer: exit code " + DecimalText(code) : L"installer: exit code unreadable");
            if (known && code == 0)
                Report(TaskState::Finished, std::wstring());
            else
                Report(TaskState::Failed, kNotCompleted);
            break;
        }
        if (result == IProcess::WaitResult::Failed) {
            log->Write(L"installer: waiting for it failed");
            Report(TaskState::Failed, kWaitError);
            break;
        }
        threads::Sleep(kWaitPause);
        if (!running.load()) {
            log->Write(L"installer: left running, the launcher is closing");
            return false;
        }
    }
    files->Delete(task->installerPath);
    return false;
}
