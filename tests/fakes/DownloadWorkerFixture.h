#pragma once
// One download worker on fake seams, as every download test builds it: a
// scripted HTTP client, an in-memory disk (the fixture's own, or one that
// several runs share), a clock that moves only when the worker waits, the
// random source, the calendar clock (the system's date until a test sets
// another), the digest and signature checks, the registry, and the
// worker's events and log recorded. The task fetches url into directory; a
// test changes the task or the fakes before it runs the worker, and makes
// the worker again (MakeWorker) after it has changed which seam is wired.
#include <memory>
#include <string>
#include <vector>

#include "tasks/CDownloadFileThread.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeConfigPlatform.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeFileTrust.h"
#include "tests/fakes/FakeHttpClient.h"
#include "tests/fakes/FakeRandom.h"
#include "tests/fakes/FakeSignatureVerifier.h"
#include "tests/fakes/FakeWallClock.h"
#include "tests/fakes/RecordingLog.h"
#include "tests/fakes/RecordingTaskEventHandler.h"
#include "tests/fakes/SteerableWorker.h"

struct DownloadWorkerFixture {
    using Worker = SteerableWorker<CDownloadFileThread>;

    DownloadWorkerFixture(const std::wstring& url, const std::wstring& directory, FakeFileSystem* sharedDisk = nullptr)
        : files(sharedDisk != nullptr ? *sharedDisk : ownDisk)
    {
        task.url = url;
        task.tempName = L"yrfoinstall.tmp";
        task.fileName = L"yrfoinstall.exe";
        task.directory = directory;
        task.state.store(TaskState::Started);
        http.clock = &clock;
        seams.http = &http;
        seams.files = &files;
        seams.trust = &trust;
        seams.verifier = &verifier;
        seams.registry = &registry;
        seams.log = &log;
        seams.clock = &clock;
        seams.wallClock = &wallClock;
        seams.random = &random;
        MakeWorker();
    }

    // A new worker on seams.
    void MakeWorker() { worker = std::make_unique<Worker>(&task, &events, seams); }

    // The whole download, on the test's thread.
    void Run() { worker->Run(); }
    // The same with the serial and the last good address kept in registry.
    void Run(FakeRegistry& shared)
    {
        seams.registry = &shared;
        MakeWorker();
        worker->Run();
    }

    std::vector<std::wstring> Urls() const
    {
        std::vector<std::wstring> urls;
        for (const auto& request : http.Requests())
            urls.push_back(request.url);
        return urls;
    }
    std::vector<std::wstring> RequestHeaders() const
    {
        std::vector<std::wstring> headers;
        for (const auto& request : http.Requests())
            headers.push_back(request.headers);
        return headers;
    }
    size_t RequestCount() const { return http.Requests().size(); }
    // Whether a line of the log holds part.
    bool Logged(const std::wstring& part) const
    {
        for (const std::wstring& line : log.Lines()) {
            if (line.find(part) != std::wstring::npos)
                return true;
        }
        return false;
    }
    // No request, session or file is left open.
    bool HandlesReleased() const
    {
        return http.openRequests.load() == 0 && http.openSessions.load() == 0 && files.OpenFiles() == 0;
    }

    FakeClock clock;
    FakeWallClock wallClock;
    FakeRandom random;
    FakeHttpClient http;
    FakeFileSystem ownDisk;
    FakeFileSystem& files;
    FakeFileTrust trust;
    FakeSignatureVerifier verifier;
    FakeRegistry registry;
    RecordingTaskEventHandler events;
    RecordingLog log;
    DownTask task;
    TaskPlatform seams;
    std::unique_ptr<Worker> worker;
};
