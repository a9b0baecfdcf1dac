#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "platform/WallClock.h"
#include "tasks/ChannelMemory.h"
#include "tasks/CThread.h"
#include "tasks/DownloadRules.h"
#include "tasks/MirrorList.h"
#include "tasks/PartialDownload.h"

struct DownTask;
class CTaskEventHandler;
class IClock;
class IHttpClient;
class IFileSystem;
class IFileTrust;
class IHttpSession;
class IHttpRequest;
class IOutputFile;
class IRandom;
class IRegistry;
class ISignatureVerifier;

// Fetches one file over HTTP into directory\tempName and renames it to
// directory\fileName once every announced byte has arrived. Reports
// OnTaskStart once the length is known, OnTaskProgress per chunk, then
// OnTaskFinish or OnTaskError.
//
// A failure that may pass (a refused, reset or stalled connection, a 5xx
// and the like) is tried again after a pause, up to five times; during the
// pause the task is Retrying and reports its countdown once a second. A
// retry after body bytes were written asks for the rest of the file only,
// when the first answer gave a validator to ask with.
//
// A task with a manifest address fetches the signed manifest first (same
// network rules), and downloads by its addresses, size and digest once it
// is verified; a refused one fails the task, one that cannot be fetched
// leaves the configured address in force. With several addresses, retries
// go round them and a failure that is final for one moves on to the next.
class CDownloadFileThread : public CThread {
public:
    static constexpr uint32_t kBufferSize = 51200;
    // At most one chunk of kBufferSize bytes is read per kChunkSpacingMs,
    // start to start.
    static constexpr uint32_t kChunkSpacingMs = 10;

    // trust checks a pinned digest; it may be null when nothing is pinned.
    CDownloadFileThread(DownTask* task, CTaskEventHandler* handler, IHttpClient* http, IFileSystem* files,
                        IFileTrust* trust = nullptr, ILog* log = NoLog());
    ~CDownloadFileThread() override;

    // Before Start: the clock for pauses and deadlines (the system's by
    // default; not owned) and the durations to wait by.
    void SetClock(IClock* clock) { this->clock = clock; }
    // Before Start: the random source that spreads the pauses before
    // retries (the system's by default; not owned).
    void SetRandom(IRandom* random) { this->random = random; }
    void SetTimings(const download::Timings& timings) { this->timings = timings; }
    // Before Start: this computer's calendar clock (UtcNowSeconds by
    // default), which a wrong-clock verdict compares.
    void SetWallClock(int64_t (*now)()) { wallClock = now; }
    // Before Start: where the manifest's serial and the last good address
    // are kept (may be null) and the manifest's signature is checked.
    void SetChannel(IRegistry* registry, ISignatureVerifier* verifier)
    {
        memory = ChannelMemory(registry);
        this->verifier = verifier;
    }

    // The whole download, once; always false, so the thread then ends.
    bool Run() override;

private:
    // How one attempt ended. Received: the whole file is on disk; Reused:
    // a finished file of an earlier run serves. Final: a failure for this
    // address (another may serve); Fatal: for the whole download.
    struct AttemptEnd {
        enum Kind { Received, Reused, Transient, Final, Fatal } kind = Final;
        std::wstring message;  // the failure text for Transient and Final
        bool hasRetryAfter = false;
        uint32_t retryAfterMs = 0;
    };

    AttemptEnd Attempt(uint8_t* buffer);
    // Opens the task's address with the headers given, following up to ten
    // redirects: true with urlHandle open and status set; false and end
    // (Final, Transient or Fatal) when there is no answer to read.
    bool Open(const std::wstring& address, const std::wstring& headers, uint32_t& status, AttemptEnd& end);
    // Takes a response that starts the file from byte 0: the first one, or
    // one that replaces a partial file. True when the body may come; false
    // and end when it may not (Reused among them).
    bool StartFile(uint64_t length, const std::wstring& answerValidator, AttemptEnd& end);
    AttemptEnd Transfer(uint8_t* buffer);
    // Reads the next chunk of the open answer into buffer (n is 0 at its
    // end). False when the read failed or the worker was stopped; end then
    // says how the attempt ends.
    bool ReadChunk(uint8_t* buffer, uint32_t& n, AttemptEnd& end);
    // After a 407: the user is asked for the proxy's password, once in the
    // download. True when the request went through after all (status is
    // then its new one); false with end set otherwise.
    bool PassProxy(const std::wstring& url, uint32_t& status, AttemptEnd& end);
    // The answer of a download that will be run is no program: a web page
    // (a captive portal's login, an error page sent as 200) or anything
    // else that does not start with "MZ". Logs what came.
    AttemptEnd WrongContent(const std::wstring& contentType, const uint8_t* start, size_t count);
    // Whether a certificate-date failure (12037) is this computer's clock;
    // logs the times compared when it is.
    bool ClockIsWrong();
    AttemptEnd Stopped() const;
    // Waits until kChunkSpacingMs after previousStartUs (the clock's
    // NowUs). False when the worker was stopped meanwhile.
    bool WaitForChunkSlot(uint64_t previousStartUs);
    // Waits out the pause before retry k, reporting the countdown. False
    // when the worker was stopped meanwhile.
    bool PauseBeforeRetry(uint32_t k, uint32_t pauseMs);
    // Renames the temporary file, again for a while if another program
    // holds a file open.
    bool MoveIntoPlace(uint32_t& error);

    // Takes a folder of its own under the task's folderRoot (one with a
    // partial file of an earlier run that can be continued toward one of
    // urls, else a new one) and makes it the task's directory. False, with
    // the failure reported, when none can be made.
    bool TakeFolder(const std::vector<std::wstring>& urls);
    // Records the failure, releases every handle (deleting the temporary
    // file if this run created it) and reports OnTaskError.
    void Fail(const std::wstring& text);
    void ReleaseHandles();
    // Closes everything, puts the received file under its final name and
    // reports the outcome.
    void PutInPlace();
    // Whether the file's digest is the pinned one (true when none is).
    bool MatchesPin(const std::wstring& path);
    // One log line for the answer to a request: address after redirects,
    // route, resume offset, status, length (the header's text when it is
    // no single number) and validator.
    void LogResponse(bool resumed, uint32_t status, download::LengthReading reading, uint64_t length,
                     const std::vector<std::wstring>& lengthValues, const std::wstring& answerValidator);
    // The validator a resume of this answer would carry (ETag or
    // Last-Modified), empty when it has none that can serve.
    std::wstring AnswerValidator() const;
    // After a finished body whose digest is not the pinned one: deletes it
    // and sets up a fresh download from byte 0, once. False, with the
    // failure reported, when that was the second time or the fresh file
    // cannot be made.
    bool StartOverAfterMismatch();

    // Fetches and checks the manifest; applies a verified one to the task.
    // False, with the failure reported, when it is refused or the worker
    // was stopped.
    bool TakeManifest(uint8_t* buffer);
    AttemptEnd FetchManifest(uint8_t* buffer, std::vector<uint8_t>& bytes, bool& hasDate, int64_t& serverNow);

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
    download::Timings timings;
    std::unique_ptr<IHttpSession> internetHandle;
    std::unique_ptr<IHttpRequest> urlHandle;
    ChannelMemory memory{nullptr};
    ISignatureVerifier* verifier = nullptr;  // not owned
    MirrorList addresses{{}, std::wstring()};

    // The file under way.
    PartialDownload partial;
    bool started = false;       // OnTaskStart has been reported
    bool mismatchSeen = false;  // one finished file had another digest
    bool ownFolder = false;     // the task's directory is this download's own
    std::wstring currentUrl;  // the address after redirects
    bool answered = false;    // a server has answered in this download
    int64_t (*wallClock)() = &UtcNowSeconds;
    // The last Date header read in this download, and how far this
    // computer's clock was ahead of it then (seconds).
    bool hasServerDate = false;
    int64_t serverDate = 0;
    int64_t clockAhead = 0;
    bool proxyLoginAsked = false;  // the user was asked for the proxy's password
};
