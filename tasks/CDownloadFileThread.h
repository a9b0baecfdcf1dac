#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "platform/TaskPlatform.h"
#include "platform/WallClock.h"
#include "tasks/CThread.h"
#include "tasks/ChannelMemory.h"
#include "tasks/ChunkWriter.h"
#include "tasks/Fetcher.h"
#include "tasks/LauncherUpdate.h"
#include "tasks/Manifest.h"
#include "tasks/MirrorList.h"
#include "tasks/PartialDownload.h"
#include "tasks/ProgressGate.h"
#include "tasks/RetryPolicy.h"

struct DownTask;
class CTaskEventHandler;
class IClock;
class IHttpClient;
class IFileSystem;
class IFileTrust;
class IRandom;
class IRegistry;
class ISha256;
class ISignatureVerifier;
class ILauncherHandoff;

// Fetches one file over HTTP into directory\tempName and renames it to
// directory\fileName once every announced byte has arrived. Reports
// OnTaskStart once the length is known, OnTaskProgress per chunk (at a
// rate above the design's pace, at most one per 10 ms and always the last
// chunk), then OnTaskFinish or OnTaskError.
//
// The requests are its Fetcher's (tasks/Fetcher.h): redirects, the proxy,
// the answer rules, retries with their countdown and the addresses in
// order. The worker keeps the file: the partial file and its resume, the
// pinned size and digest, the folder of its own, the final rename.
//
// A task with a manifest address fetches the signed manifest first (same
// network rules), and downloads by its addresses, size and digest once it
// is verified; a refused one fails the task, and one that cannot be
// fetched fails it too unless a compiled-in pin vouches for the configured
// address.
class CDownloadFileThread : public CThread, private IFetchReceiver, private IChunkTaker {
public:
    static constexpr uint32_t kBufferSize = Fetcher::kBufferSize;
    static constexpr uint32_t kChunkSpacingMs = Fetcher::kChunkSpacingMs;

    // Of the seams it uses the HTTP client, the disk, the digest check
    // (trust, absent when nothing is pinned), the manifest's signature
    // check and the registry (absent without a manifest), the log, the
    // clocks and the random source; timings are the durations it waits by.
    CDownloadFileThread(DownTask* task, CTaskEventHandler* handler, const TaskPlatform& seams,
                        const download::Timings& timings = download::Timings());
    ~CDownloadFileThread() override;

    // The whole download, once; always false, so the thread then ends.
    bool Run() override;

private:
    // The installer's file as the fetcher's receiver.
    HeldPart Held() const override;
    bool Begin(const FetchAnswer& answer, FetchEnd& end) override;
    bool Take(const uint8_t* bytes, uint32_t count, FetchEnd& end) override;
    FetchEnd Finish() override;
    void Drop() override;
    // A chunk onto the file and into the digest (on the writer's thread
    // above the design's pace).
    bool TakeChunk(const uint8_t* bytes, uint32_t count, uint32_t& error) override;
    // Waits until every chunk handed to the writer is on the file: true,
    // else false and end (a failed write).
    bool Settled(FetchEnd& end);

    // Takes an answer that starts the file from byte 0: the first one, or
    // one that replaces a partial file. True when the body may come; false
    // and end when it may not (Reused among them).
    bool StartFile(const FetchAnswer& answer, FetchEnd& end);
    // Renames the temporary file, again for a while if another program
    // holds a file open.
    bool RenameToFinalName(uint32_t& error);

    // Takes a folder of its own under the task's folderRoot (one with a
    // partial file of an earlier run that can be continued toward one of
    // urls, else a new one) and makes it the task's directory. False, with
    // the failure reported, when none can be made.
    bool TakeFolder(const std::vector<std::wstring>& urls);
    // Records the failure, releases every handle (deleting the temporary
    // file if this run created it) and reports OnTaskError.
    void Fail(const Failure& failure);
    void ReleaseHandles();
    // Closes everything, puts the received file under its final name and
    // reports the outcome.
    void CompleteDownload();
    // Hands the install worker the identity of the finished file whose
    // digest was checked as its bytes arrived, in this download's own
    // folder.
    void VouchForFile();
    // Whether the file's digest is the pinned one (true when none is).
    bool MatchesPin(const std::wstring& path);
    // A new digest for a file that starts from byte 0, when one is pinned.
    void StartDigest();
    // Whether the whole temporary file has the pinned digest: the one
    // computed as its bytes arrived when it saw every byte, else the file's
    // own, read whole.
    bool DigestMatchesPin();
    // After a whole file whose digest is not the pinned one: deletes it
    // and sets up a fresh file from byte 0. The first time at an address
    // that address is asked again; the second time it is out.
    FetchEnd StartOverAfterMismatch(std::wstring address);

    // Fetches and checks the manifest; applies a verified one to the task.
    // False, with the failure reported, when it is refused or the worker
    // was stopped.
    bool TakeManifest();
    // Checks the manifest's bytes (sent with the server's Date, when it
    // had one) and applies a verified one to the task. False, with the
    // failure reported, when it is refused.
    bool ApplyManifest(const std::vector<uint8_t>& bytes, bool hasDate, int64_t serverNow);

    // A newer launcher that the verified manifest names replaces this one
    // first: true when the road goes on here (nothing newer, or the update
    // failed); false when it was handed over (reported Finished) or the
    // worker was stopped (reported).
    bool UpdateLauncher();

    std::wstring FinalPath() const;
    std::wstring TempPath() const;

    DownTask* task;                // not owned
    CTaskEventHandler* handler;    // not owned
    IHttpClient* http;             // not owned
    IFileSystem* files;            // not owned
    IFileTrust* trust;             // not owned
    ILog* log;                     // not owned
    IClock* clock;                 // not owned
    IRandom* random;               // not owned
    IWallClock* wallClock;         // not owned
    ISignatureVerifier* verifier;  // not owned
    const download::Timings timings;
    Fetcher fetcher;
    ChannelMemory memory;
    ILauncherHandoff* handoff;        // not owned
    LauncherRelease launcherRelease;  // what the verified manifest names
    MirrorList addresses{{}, std::wstring()};

    // The file under way. While a body is read, the writer's thread alone
    // touches it and the digest; the reading thread counts what it handed
    // over (received) and waits for the writer (Settled) before it looks at
    // the file again.
    PartialDownload partial;
    mutable ChunkWriter writer{*this};
    uint64_t received = 0;
    // Which chunks' progress is reported (all of them at the design's pace).
    ProgressGate progress;
    // The pinned digest computed as the bytes arrive, over the first
    // hashedBytes of the file; null when nothing is pinned, the system
    // gives no hash object, or the file holds bytes it has not seen (a
    // partial file of an earlier run): the whole file is then read and
    // hashed once it is there.
    std::unique_ptr<ISha256> digest;
    uint64_t hashedBytes = 0;
    // The finished file's digest was the one computed as its bytes arrived.
    bool checkedAsArrived = false;
    bool started = false;     // OnTaskStart has been reported
    bool ownFolder = false;   // the task's directory is this download's own
    // Whole files that had another digest than the pinned one, in a row at
    // one address.
    uint32_t mismatches = 0;
    std::wstring mismatchAddress;
};
