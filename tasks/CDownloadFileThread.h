#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Log.h"
#include "tasks/CThread.h"

struct DownTask;
class CTaskEventHandler;
class IHttpClient;
class IFileSystem;
class IHttpSession;
class IHttpRequest;
class IOutputFile;

// Fetches one file over HTTP into directory\tempName and renames it to
// directory\fileName once every announced byte has arrived. Reports
// OnTaskStart once the length is known, OnTaskProgress per chunk, then
// OnTaskFinish or OnTaskError.
class CDownloadFileThread : public CThread {
public:
    static constexpr uint32_t kBufferSize = 51200;
    static constexpr uint32_t kChunkPause = 10;

    CDownloadFileThread(DownTask* task, CTaskEventHandler* handler, IHttpClient* http, IFileSystem* files,
                        ILog* log = NoLog());
    ~CDownloadFileThread() override;

    // The whole download, once; always false, so the thread then ends.
    bool Run() override;

private:
    // Records the failure, releases every handle (deleting the temporary
    // file if this run created it) and reports OnTaskError.
    void Fail(const std::wstring& text);
    void ReleaseHandles();
    bool Transfer(uint8_t* buffer);
    void Complete();

    std::wstring FinalPath() const;
    std::wstring TempPath() const;

    DownTask* task;                // not owned
    CTaskEventHandler* handler;    // not owned
    IHttpClient* http;             // not owned
    IFileSystem* files;            // not owned
    ILog* log;                     // not owned
    std::unique_ptr<IHttpSession> internetHandle;
    std::unique_ptr<IHttpRequest> urlHandle;
    std::unique_ptr<IOutputFile> fileHandle;
};
