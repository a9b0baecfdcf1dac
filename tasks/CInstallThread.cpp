#include "tasks/CInstallThread.h"

#include <memory>
#include <vector>

#include "platform/DecimalText.h"
#include "platform/FileSystem.h"
#include "platform/FileTrust.h"
#include "platform/ProcessRunner.h"
#include "platform/SystemErrors.h"
#include "tasks/CTaskEventHandler.h"
#include "tasks/ContentSniffing.h"
#include "tasks/DownloadFolders.h"
#include "tasks/StatusTexts.h"
#include "tasks/Task.h"

namespace {

// How much of a file that would not start the log shows.
constexpr uint32_t kShownBytes = 64;


}  // namespace

CInstallThread::CInstallThread(InstallTask* t, CTaskEventHandler* h, const TaskPlatform& seams)
    : task(t), handler(h), processes(seams.processes), files(seams.files), trust(seams.trust), log(seams.log),
      clock(seams.clock)
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

void CInstallThread::Fail(const Failure& failure)
{
    task->Fail(failure);
    Report(TaskState::Failed);
}

void CInstallThread::Report(TaskState state)
{
    task->state.store(state);
    if (state == TaskState::Finished)
        handler->OnTaskFinish(task, this);
    else if (state == TaskState::Failed)
        handler->OnTaskError(task, this);
    else
        handler->OnTaskStart(task, this);
}

std::unique_ptr<IHeldFile> CInstallThread::HoldChecked(Failure& failure)
{
    uint32_t error = 0;
    std::unique_ptr<IHeldFile> file = trust != nullptr ? trust->Hold(task->installerPath, error) : nullptr;
    if (!file)
        log->Write(L"installer: cannot be held for its checks, code " + DecimalText(error));
    FileIdentity identity;
    if (!task->pins.sha256.empty() && task->checkedAsArrived && file && file->Identity(identity) &&
        identity == task->checkedFile) {
        log->Write(L"installer: SHA-256 matched the pinned digest as its bytes arrived; the held file is the one "
                   L"written (same file, size and last write)");
    } else if (!task->pins.sha256.empty()) {
        const bool matches = file && MatchesSha256(*file, task->pins.sha256, running);
        log->Write(matches ? L"installer: SHA-256 matches the pinned digest"
                           : L"installer: SHA-256 differs from the pinned digest");
        if (!matches) {
            failure = Failure{FailureKind::HashMismatch};
            return nullptr;
        }
    }
    if (!task->pins.signer.empty()) {
        const uint32_t code = file ? file->VerifySignature(task->pins.signer) : error;
        log->Write(L"installer: signature for \"" + task->pins.signer + L"\": code " +
                   DecimalText(static_cast<int32_t>(code)));
        if (!file || code != 0) {
            failure = Failure{FailureKind::BadSignature, code};
            return nullptr;
        }
    }
    return file;
}

void CInstallThread::DeleteInstaller()
{
    files->Delete(task->installerPath);
    if (!task->folder.empty())
        download_folders::Remove(*files, task->folder);
}

// A file that would not start is no use to keep (the next click downloads
// it again); the log keeps what support needs to tell what it was.
void CInstallThread::DeleteUnstarted()
{
    FoundFile found;
    std::vector<uint8_t> start;
    if (files->Find(task->installerPath, found) && files->ReadStart(task->installerPath, kShownBytes, start)) {
        log->Write(L"installer: " + DecimalText(found.size) + L" bytes, starting \"" +
                   download::PrintableBytes(start.data(), start.size()) + L"\"; deleted");
    }
    DeleteInstaller();
}

bool CInstallThread::Run()
{
    // What the configuration pins is checked on the file held open until
    // the installer runs, so that it cannot be swapped in between. A file
    // that fails a check is never run and not kept.
    std::unique_ptr<IHeldFile> held;
    if (task->pins.Any()) {
        Failure failure;
        held = HoldChecked(failure);
        if (!held) {
            DeleteInstaller();
            Fail(failure);
            return false;
        }
    }

    // A cut-off command line would start something else: refuse it, and
    // delete the installer, as after any other start failure.
    const std::wstring commandLine = CommandLine(task->installerPath, task->arguments);
    // The installer runs in its own folder, so that what it opens by a
    // relative name is what lies beside it, not what lies in the
    // launcher's current folder.
    const size_t slash = task->installerPath.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : task->installerPath.substr(0, slash);
    uint32_t error = kErrorCommandLineTooLong;
    std::unique_ptr<IProcess> process;
    const wchar_t* how = L"started hidden: ";
    if (!commandLine.empty()) {
        process = processes->StartHidden(commandLine, folder, error);
        // An installer that asks for administrator rights cannot be started
        // directly: the shell starts it, once the user has consented.
        if (!process && error == kErrorElevationRequired) {
            log->Write(L"installer: asks for administrator rights (code 740), started again through the shell");
            how = L"started hidden through the shell with administrator rights: ";
            process = processes->StartElevated(CommandLine(task->installerPath, std::wstring()), task->arguments,
                                               folder, error);
        }
    } else {
        log->Write(L"installer: command line longer than 1024 characters: " + task->installerPath);
    }
    held.reset();
    if (!process) {
        log->Write(L"installer: not started, code " + DecimalText(error));
        DeleteUnstarted();
        Fail(Failure{error == kErrorCancelled ? FailureKind::ElevationRefused : FailureKind::InstallerNotStarted,
                     error});
        return false;
    }
    log->Write(L"installer: " + std::wstring(how) + commandLine);
    // Given rights through another account, the installer installs for
    // that account: the game may then not be found for the player.
    if (process->RunsAs() == IProcess::Account::Other)
        log->Write(L"installer: runs under another user account than the player's");
    Report(TaskState::Started);

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
                Report(TaskState::Finished);
            else
                Fail(Failure{FailureKind::InstallerNotCompleted});
            break;
        }
        if (result == IProcess::WaitResult::Failed) {
            log->Write(L"installer: waiting for it failed");
            Fail(Failure{FailureKind::InstallerWaitFailed});
            break;
        }
        if (!clock->Wait(kWaitPause, running) || !running.load()) {
            log->Write(L"installer: left running, the launcher is closing");
            return false;
        }
    }
    DeleteInstaller();
    return false;
}
