#include "tasks/CDownloadFileThread.h"

#include <vector>

#include "platform/FileSystem.h"
#include "platform/HttpClient.h"
#include "tasks/CTaskEventHandler.h"
#include "tasks/DecimalText.h"
#include "tasks/Task.h"

namespace {

const wchar_t kUserAgent[] = L"quillmerexDownloader";

const wchar_t kNoConnection[] = L"网络连接异常";
const wchar_t kNoSession[] = L"网络打开会话失败";
const wchar_t kAddressUnavailable[] = L"连接不可用,错误代码：";
const wchar_t kConnectionError[] = L"连接异常,错误代码：";
const wchar_t kCannotCreate[] = L"无法创建写入文件";
const wchar_t kWriteError[] = L"写入文件错误,错误代码：";
const wchar_t kStopped[] = L"强制退出";

// Error codes are shown as signed 32-bit decimal numbers.
std::wstring WithCode(const wchar_t* text, uint32_t code)
{
    return text + DecimalText(static_cast<int32_t>(code));
}

bool IsSuccessStatus(uint32_t status)
{
    return status >= 200 && status <= 299;
}

}  // namespace

CDownloadFileThread::CDownloadFileThread(DownTask* t, CTaskEventHandler* h, IHttpClient* httpClient,
                                         IFileSystem* fileSystem, ILog* runLog)
    : task(t), handler(h), http(httpClient), files(fileSystem), log(runLog)
{
}

CDownloadFileThread::~CDownloadFileThread()
{
    Stop();
}

// Folder, one backslash, name. A folder that already ends in a backslash
// gets a second one; the temporary folder as the program reads it never
// ends in one.
std::wstring CDownloadFileThread::FinalPath() const
{
    return task->directory + L"\\" + task->fileName;
}

std::wstring CDownloadFileThread::TempPath() const
{
    return task->directory + L"\\" + task->tempName;
}

bool CDownloadFileThread::Run()
{
    if (http->AttemptConnect() != 0) {
        Fail(kNoConnection);
        return false;
    }

    uint32_t error = 0;
    internetHandle = http->OpenSession(kUserAgent, error);
    if (!internetHandle) {
        Fail(kNoSession);
        return false;
    }

    urlHandle = internetHandle->OpenUrl(task->url, error, running);
    if (!urlHandle) {
        Fail(running.load() ? WithCode(kAddressUnavailable, error) : kStopped);
        return false;
    }

    uint32_t length = 0;
    if (!urlHandle->QueryContentLength(length, error)) {
        Fail(WithCode(kConnectionError, error));
        return false;
    }
    // An error response (404 and the like) is no download, whatever its
    // body: the status is shown in place of a platform code.
    uint32_t status = 0;
    if (!urlHandle->QueryStatusCode(status, error)) {
        Fail(WithCode(kConnectionError, error));
        return false;
    }
    log->Write(L"request: \"" + task->url + L"\" direct -> HTTP " + DecimalText(status) + L", length " +
               DecimalText(length));
    if (!IsSuccessStatus(status)) {
        Fail(WithCode(kConnectionError, status));
        return false;
    }

    task->totalSize.store(length);
    task->downloadedSize.store(0);
    task->state.store(TaskState::Downloading);
    handler->OnTaskStart(task, this);

    // A file of the announced size under the final name is the finished
    // download of an earlier run. Its content is not compared.
    FoundFile found;
    if (files->Find(FinalPath(), found) && (found.attributes & kFileAttributeDirectory) == 0 &&
        found.size == length) {
        ReleaseHandles();
        task->downloadedSize.store(length);
        task->state.store(TaskState::Finished);
        handler->OnTaskFinish(task, this);
        return false;
    }

    fileHandle = files->CreateAlways(TempPath(), error);
    if (!fileHandle) {
        log->Write(L"download: the temporary file cannot be created, code " + DecimalText(error));
        Fail(kCannotCreate);
        return false;
    }

    std::vector<uint8_t> buffer(kBufferSize, 0);
    if (Transfer(buffer.data()))
        Complete();
    return false;
}

// Reads the body chunk by chunk into the temporary file. True when all of
// it has arrived; false after a failure has been reported.
bool CDownloadFileThread::Transfer(uint8_t* buffer)
{
    uint64_t sum = 0;
    for (;;) {
        if (!running.load()) {
            Fail(kStopped);
            return false;
        }
        uint32_t n = 0;
        uint32_t error = 0;
        if (!urlHandle->Read(buffer, kBufferSize, n, error, running)) {
            Fail(running.load() ? WithCode(kConnectionError, error) : kStopped);
            return false;
        }
        if (n == 0)
            break;
        sum += n;
        task->downloadedSize.store(static_cast<uint32_t>(sum));
        handler->OnTaskProgress(task, this);

        uint32_t written = 0;
        if (!fileHandle->Write(buffer, n, written, error) || written != n) {
            Fail(WithCode(kWriteError, error));
            return false;
        }
        threads::Sleep(kChunkPause);
    }
    // Data that ends before the announced length is a broken connection,
    // not a finished file: a cut-off installer must never be run.
    if (sum != task->totalSize.load()) {
        Fail(WithCode(kConnectionError, kHttpErrorConnectionAborted));
        return false;
    }
    return true;
}

// Closes everything and puts the file under its final name.
void CDownloadFileThread::Complete()
{
    urlHandle.reset();
    internetHandle.reset();
    fileHandle.reset();
    const std::wstring finalPath = FinalPath();
    const std::wstring tempPath = TempPath();
    files->Delete(finalPath);
    uint32_t error = 0;
    const bool moved = files->Move(tempPath, finalPath, error);
    files->Delete(tempPath);
    if (!moved) {
        task->message = WithCode(kWriteError, error);
        task->state.store(TaskState::Failed);
        handler->OnTaskError(task, this);
        return;
    }
    task->state.store(TaskState::Finished);
    handler->OnTaskFinish(task, this);
}

void CDownloadFileThread::ReleaseHandles()
{
    urlHandle.reset();
    internetHandle.reset();
    if (fileHandle) {
        fileHandle.reset();
        files->Delete(TempPath());
    }
}

void CDownloadFileThread::Fail(const std::wstring& text)
{
    task->message = text;
    ReleaseHandles();
    task->state.store(TaskState::Failed);
    handler->OnTaskError(task, this);
}
