#include "tasks/CDownloadFileThread.h"

#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/FileTrust.h"
#include "platform/HttpClient.h"
#include "platform/Random.h"
#include "platform/WallClock.h"
#include "tasks/BuildTime.h"
#include "tasks/CTaskEventHandler.h"
#include "tasks/DownloadFolders.h"
#include "platform/DecimalText.h"
#include "tasks/Manifest.h"
#include "tasks/ManifestCheck.h"
#include "tasks/RetryPause.h"
#include "tasks/SpeedFloor.h"
#include "tasks/StatusTexts.h"
#include "tasks/Task.h"

namespace {

const wchar_t kUserAgent[] = L"quillmerexDownloader";

using status::kAddressUnavailable;
using status::kCannotCreate;
using status::kConnectionError;
using status::kDiskFull;
using status::kHashMismatch;
using status::kManifestInvalid;
using status::kNoConnection;
using status::kNoSession;
using status::kStopped;
using status::kWriteError;
using status::kWrongClock;
using status::kWrongContent;
using status::WithCode;

// How many of an answer's first bytes the log shows.
constexpr size_t kShownBytes = 64;

// Windows errors of a file that another program holds open.
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorSharingViolation = 32;

bool IsSuccessStatus(uint32_t status)
{
    return status >= 200 && status <= 299;
}

}  // namespace

CDownloadFileThread::CDownloadFileThread(DownTask* t, CTaskEventHandler* h, IHttpClient* httpClient,
                                         IFileSystem* fileSystem, IFileTrust* fileTrust, ILog* runLog)
    : task(t), handler(h), http(httpClient), files(fileSystem), trust(fileTrust), log(runLog), clock(&SystemClock()),
      random(&SystemRandom()), partial(*fileSystem)
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
    // The chunks are paced 10 ms apart: the system's timer must end a pause
    // that finely while the download runs.
    FinePauses finePauses(*clock);
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

    std::vector<uint8_t> buffer(kBufferSize, 0);
    if (!task->manifestUrl.empty() && !TakeManifest(buffer.data()))
        return false;
    std::vector<std::wstring> urls{task->url};
    urls.insert(urls.end(), task->mirrors.begin(), task->mirrors.end());
    const std::wstring channel = task->manifestUrl.empty() ? task->url : task->manifestUrl;
    addresses = MirrorList(urls, urls.size() > 1 ? memory.LastGoodAddress(channel) : std::wstring());
    if (!task->folderRoot.empty() && !TakeFolder(urls))
        return false;
    partial.SetPath(TempPath());

    for (uint32_t retry = 0;;) {
        AttemptEnd end = Attempt(buffer.data());
        urlHandle.reset();
        switch (end.kind) {
        case AttemptEnd::Received:
            if (!task->pins.sha256.empty()) {
                // The file is checked closed, as it will be run.
                partial.Close();
                if (!MatchesPin(TempPath())) {
                    if (!StartOverAfterMismatch())
                        return false;
                    break;
                }
            }
            PutInPlace();
            if (addresses.Count() > 1 && task->state.load() == TaskState::Finished)
                memory.RememberGoodAddress(channel, addresses.Current());
            return false;
        case AttemptEnd::Reused:
            ReleaseHandles();
            task->downloadedSize.store(task->totalSize.load());
            task->state.store(TaskState::Finished);
            handler->OnTaskFinish(task, this);
            return false;
        case AttemptEnd::Final:
            // This address is out; the next one is tried at once.
            if (!running.load() || !addresses.Drop()) {
                Fail(running.load() ? end.message : std::wstring(kStopped));
                return false;
            }
            log->Write(L"download: \"" + end.message + L"\" is final for this address; next \"" +
                       download::LoggedAddress(addresses.Current()) + L"\"");
            break;
        case AttemptEnd::Fatal:
            Fail(end.message);
            return false;
        case AttemptEnd::Transient:
            if (retry == download::kMaxRetries) {
                Fail(end.message);
                return false;
            }
            ++retry;
            const uint32_t pauseMs =
                download::SpreadPause(timings, retry, end.hasRetryAfter, end.retryAfterMs, random->Next());
            log->Write(L"retry: " + DecimalText(retry) + L"/" + DecimalText(download::kMaxRetries) + L" in " +
                       DecimalText(pauseMs) + L" ms after " + end.message);
            if (!PauseBeforeRetry(retry, pauseMs)) {
                Fail(kStopped);
                return false;
            }
            addresses.MoveOn();
            break;
        }
    }
}

// One request (with its redirects) and as much of the body as comes.
CDownloadFileThread::AttemptEnd CDownloadFileThread::Attempt(uint8_t* buffer)
{
    // Bytes on disk and a validator to ask with: ask for the rest only.
    // With the size and the digest pinned, the rest may come from any
    // address, without If-Range (mirrors rarely share validators): the
    // digest over the whole file is the guard.
    const bool pinned = task->pins.hasSize && !task->pins.sha256.empty();
    const bool resuming = partial.CanContinue(pinned);
    uint32_t status = 0;
    if (addresses.Count() > 1)
        log->Write(L"attempt: \"" + download::LoggedAddress(addresses.Current()) + L"\"");
    AttemptEnd end;
    if (!Open(addresses.Current(),
              resuming ? download::ResumeHeaders(partial.Written(), pinned ? std::wstring() : partial.Validator())
                       : std::wstring(),
              status, end))
        return end;

    bool appending = false;
    if (resuming) {
        std::wstring range;
        if (status == 206 && urlHandle->QueryHeader(HttpHeader::ContentRange, range) &&
            download::RangeContinuesFile(range, partial.Written(), partial.Length())) {
            appending = true;
        } else if (status != 200 && (IsSuccessStatus(status) || status == 416)) {
            // A range that does not fit the file on disk, or none at all:
            // ask for the whole file again.
            urlHandle.reset();
            if (!Open(addresses.Current(), std::wstring(), status, end))
                return end;
        }
        // A 200 is the whole file again (it changed, or the server does
        // not do ranges); an error status is judged below.
    }

    // What the answer says of itself, read once for the log, the file and
    // a later resume.
    std::vector<std::wstring> lengthValues;
    urlHandle->QueryHeaderValues(HttpHeader::ContentLength, lengthValues);
    uint64_t length = 0;
    const download::LengthReading reading = download::ReadContentLength(lengthValues, length);
    const std::wstring answerValidator = AnswerValidator();
    LogResponse(appending, status, reading, length, lengthValues, answerValidator);
    if (!IsSuccessStatus(status)) {
        AttemptEnd failed;
        failed.kind = download::IsTransientStatus(status) ? AttemptEnd::Transient : AttemptEnd::Final;
        failed.message = WithCode(kConnectionError, status);
        std::wstring retryAfter;
        if ((status == 429 || status == 503) && urlHandle->QueryHeader(HttpHeader::RetryAfter, retryAfter))
            failed.hasRetryAfter = download::ParseRetryAfter(retryAfter, failed.retryAfterMs);
        return failed;
    }

    // Only a 200 is the whole file, and a 206 only the rest that was asked
    // for: a part sent unasked, or an answer with lengths that differ,
    // would be taken for the whole file and run cut off. Such an answer is
    // invalid, as one without a status line is.
    if ((status != 200 && !(status == 206 && appending)) || reading == download::LengthReading::Conflicting) {
        AttemptEnd failed;
        failed.kind = AttemptEnd::Transient;
        failed.message = WithCode(kAddressUnavailable, download::kErrorInvalidResponse);
        return failed;
    }

    if (reading != download::LengthReading::Valid) {
        AttemptEnd failed;
        failed.message = WithCode(kConnectionError, kHttpErrorHeaderNotFound);
        return failed;
    }
    // Another length than the pinned size is another file: not from here.
    if (!appending && task->pins.hasSize && length != task->pins.size) {
        AttemptEnd failed;
        failed.message = kHashMismatch;
        return failed;
    }

    if (appending) {
        // Progress goes on from the bytes already on disk: of this run, or
        // of an earlier one (then this is the download's first event).
        partial.Continue(addresses.Current(), currentUrl);
        task->totalSize.store(partial.Length());
        task->downloadedSize.store(partial.Written());
        task->state.store(TaskState::Downloading);
        if (started) {
            handler->OnTaskProgress(task, this);
        } else {
            started = true;
            handler->OnTaskStart(task, this);
        }
    } else {
        if (!StartFile(length, answerValidator, end))
            return end;
    }
    return Transfer(buffer);
}

bool CDownloadFileThread::Open(const std::wstring& address, const std::wstring& headers, uint32_t& status,
                               AttemptEnd& end)
{
    std::wstring url = address;
    for (uint32_t redirects = 0;; ++redirects) {
        uint32_t error = 0;
        urlHandle = internetHandle->OpenUrl(url, headers, error, running, timings.stallLimitMs);
        if (!urlHandle) {
            if (!running.load()) {
                end = Stopped();
                return false;
            }
            end.kind = download::IsTransientError(error, answered) ? AttemptEnd::Transient : AttemptEnd::Final;
            end.message = WithCode(kAddressUnavailable, error);
            if (error == download::kErrorCertificateDate && ClockIsWrong())
                end.message = kWrongClock;
            return false;
        }
        // An answer without a status line (Wine hands a connection closed
        // without a word on as status 0) is no valid answer at all, as
        // Windows says at once.
        if (!urlHandle->QueryStatusCode(status, error) || status < 100 || status > 999) {
            end.kind = AttemptEnd::Transient;
            end.message = WithCode(kAddressUnavailable, download::kErrorInvalidResponse);
            return false;
        }
        answered = true;
        std::wstring date;
        int64_t dated = 0;
        if (urlHandle->QueryHeader(HttpHeader::Date, date) && ParseHttpDate(date, dated)) {
            hasServerDate = true;
            serverDate = dated;
            clockAhead = wallClock() - dated;
        }
        if (status == download::kStatusProxyAuthenticationRequired && !PassProxy(url, status, end))
            return false;
        if (!download::IsRedirectStatus(status)) {
            currentUrl = url;
            return true;
        }
        // A redirect without a place to go is an answer like any other
        // 3xx: no download.
        std::wstring location;
        if (!urlHandle->QueryHeader(HttpHeader::Location, location)) {
            end.message = WithCode(kConnectionError, status);
            return false;
        }
        // A control character would go out in the next request line, where
        // a carriage return could start a header of its own.
        const std::wstring next = download::ResolveLocation(url, location);
        if (download::HasControlCharacter(location) || download::HasControlCharacter(next)) {
            log->Write(L"redirect: \"" + download::LoggedAddress(url) + L"\" -> HTTP " + DecimalText(status) +
                       L" to \"" + download::WithControlsEscaped(location) + L"\" refused: control characters");
            end.message = WithCode(kAddressUnavailable, download::kErrorRedirectFailed);
            return false;
        }
        if (redirects == download::kMaxRedirects || next.empty()) {
            end.message = WithCode(kAddressUnavailable, download::kErrorRedirectFailed);
            return false;
        }
        // An installer asked for over https never comes over plain http.
        if (download::IsHttps(url) && !download::IsHttps(next)) {
            end.message = WithCode(kAddressUnavailable, download::kErrorHttpsToHttp);
            return false;
        }
        log->Write(L"redirect: \"" + download::LoggedAddress(url) + L"\" -> HTTP " + DecimalText(status) + L" to \"" +
                   download::LoggedAddress(next) + L"\"");
        urlHandle.reset();
        url = next;
    }
}

bool CDownloadFileThread::StartFile(uint64_t length, const std::wstring& answerValidator, AttemptEnd& end)
{
    task->totalSize.store(length);
    task->downloadedSize.store(0);
    task->state.store(TaskState::Downloading);

    if (started) {
        // A partial file of another answer: empty it, the bar goes back to 0.
        uint32_t error = 0;
        if (!partial.StartOver(length, answerValidator, addresses.Current(), currentUrl, error)) {
            end.kind = AttemptEnd::Fatal;
            end.message = WithCode(kWriteError, error);
            return false;
        }
        handler->OnTaskProgress(task, this);
        return true;
    }
    started = true;
    handler->OnTaskStart(task, this);

    // A file of the announced size under the final name may be the
    // finished download of an earlier run: it is used again only when it
    // has the pinned digest (a file merely of the right size may be
    // anything). One that has not is replaced.
    FoundFile found;
    if (!task->pins.sha256.empty() && files->Find(FinalPath(), found) &&
        (found.attributes & kFileAttributeDirectory) == 0 && found.size == length) {
        if (MatchesPin(FinalPath())) {
            end.kind = AttemptEnd::Reused;
            return false;
        }
        files->Delete(FinalPath());
    }

    // Refused before anything is written: a disk that cannot hold the file.
    uint64_t freeBytes = 0;
    uint32_t error = 0;
    if (files->FreeSpace(task->directory, freeBytes, error) && freeBytes < length) {
        log->Write(L"download: " + DecimalText(freeBytes) + L" bytes free in \"" + task->directory + L"\", " +
                   DecimalText(length) + L" needed");
        end.kind = AttemptEnd::Fatal;
        end.message = kDiskFull;
        return false;
    }

    if (!partial.StartOver(length, answerValidator, addresses.Current(), currentUrl, error)) {
        log->Write(L"download: the temporary file cannot be created, code " + DecimalText(error));
        end.kind = AttemptEnd::Fatal;
        end.message = kCannotCreate;
        return false;
    }
    return true;
}

// Reads the body chunk by chunk into the temporary file, after the bytes
// already there.
CDownloadFileThread::AttemptEnd CDownloadFileThread::Transfer(uint8_t* buffer)
{
    AttemptEnd end;
    bool first = true;
    uint64_t startedUs = 0;
    SpeedFloor floor(timings.speedFloorBytes, timings.speedWindowMs);
    floor.Start(clock->NowMs());
    // A file that will be run is judged by its first bytes before any is
    // kept; a continuation's first bytes are not the file's.
    bool judging = task->runInstaller && partial.Written() == 0;
    std::wstring contentType;
    if (judging)
        urlHandle->QueryHeader(HttpHeader::ContentType, contentType);
    uint8_t start[kShownBytes];
    size_t startCount = 0;
    for (;;) {
        if (!running.load())
            return Stopped();
        if (!first && !WaitForChunkSlot(startedUs))
            return Stopped();
        first = false;
        startedUs = clock->NowUs();
        uint32_t n = 0;
        if (!ReadChunk(buffer, n, end))
            return end;
        if (n == 0)
            break;
        if (judging) {
            for (uint32_t i = 0; i < n && startCount < kShownBytes; ++i)
                start[startCount++] = buffer[i];
            const bool page = download::IsHtmlType(contentType);
            if (page || startCount >= 2) {
                if (page || !download::StartsLikeProgram(start, startCount))
                    return WrongContent(contentType, start, startCount);
                judging = false;
            }
        }
        floor.Add(clock->NowMs(), n);
        task->downloadedSize.store(partial.Written() + n);
        handler->OnTaskProgress(task, this);

        uint32_t error = 0;
        if (!partial.Append(buffer, n, error)) {
            end.kind = AttemptEnd::Fatal;
            end.message = WithCode(kWriteError, error);
            return end;
        }
        // A trickle ends like a stall, and the next attempt asks for the rest.
        if (floor.TooSlow(clock->NowMs())) {
            log->Write(L"download: fewer than " + DecimalText(timings.speedFloorBytes) + L" bytes in the last " +
                       DecimalText(timings.speedWindowMs) + L" ms");
            end.kind = AttemptEnd::Transient;
            end.message = WithCode(kConnectionError, kHttpErrorTimeout);
            return end;
        }
    }
    if (judging)
        return WrongContent(contentType, start, startCount);
    // Data that ends before the announced length is a broken connection,
    // not a finished file: a cut-off installer must never be run. The rest
    // may come with the next attempt. More than announced will not get
    // better by asking again.
    const PartialDownload::Fill fill = partial.Filled();
    if (fill != PartialDownload::Fill::Whole) {
        end.kind = fill == PartialDownload::Fill::Short ? AttemptEnd::Transient : AttemptEnd::Final;
        end.message = WithCode(kConnectionError, kHttpErrorConnectionAborted);
        return end;
    }
    end.kind = AttemptEnd::Received;
    return end;
}

// Chunks start kChunkSpacingMs apart at the least, counted from the start of
// one read to the start of the next, so that the read and the write fall
// within the spacing instead of adding to it. A chunk that starts late
// (a slow read, a late wake-up) moves the next one on with it: the time
// lost is not made up with chunks closer together.
bool CDownloadFileThread::WaitForChunkSlot(uint64_t previousStartUs)
{
    const uint64_t dueUs = previousStartUs + kChunkSpacingMs * 1000ull;
    const uint64_t nowUs = clock->NowUs();
    if (nowUs >= dueUs)
        return running.load();
    return clock->WaitUs(dueUs - nowUs, running);
}

bool CDownloadFileThread::ReadChunk(uint8_t* buffer, uint32_t& n, AttemptEnd& end)
{
    uint32_t error = 0;
    if (urlHandle->Read(buffer, kBufferSize, n, error, running, timings.stallLimitMs))
        return true;
    if (!running.load()) {
        end = Stopped();
        return false;
    }
    end.kind = download::IsTransientError(error, answered) ? AttemptEnd::Transient : AttemptEnd::Final;
    end.message = WithCode(kConnectionError, error);
    return false;
}

bool CDownloadFileThread::PassProxy(const std::wstring& url, uint32_t& status, AttemptEnd& end)
{
    // The system has already offered the user's own logon where the proxy
    // takes one. Every address goes through the same proxy: a refusal
    // ends the whole download.
    if (!proxyLoginAsked) {
        proxyLoginAsked = true;
        log->Write(L"proxy: HTTP 407 at \"" + download::LoggedAddress(url) + L"\" " + internetHandle->Route() +
                   L"; the user is asked for the proxy's password");
        uint32_t error = 0;
        switch (urlHandle->AskProxyLogin(error, running, timings.stallLimitMs)) {
        case IHttpRequest::ProxyLogin::Resent:
            if (!urlHandle->QueryStatusCode(status, error) || status < 100 || status > 999) {
                end.kind = AttemptEnd::Transient;
                end.message = WithCode(kAddressUnavailable, download::kErrorInvalidResponse);
                return false;
            }
            log->Write(L"proxy: sent again with the password given -> HTTP " + DecimalText(status));
            if (status != download::kStatusProxyAuthenticationRequired)
                return true;
            break;
        case IHttpRequest::ProxyLogin::Refused:
            log->Write(L"proxy: no password given");
            break;
        case IHttpRequest::ProxyLogin::Failed:
            if (!running.load()) {
                end = Stopped();
                return false;
            }
            end.kind = download::IsTransientError(error, answered) ? AttemptEnd::Transient : AttemptEnd::Final;
            end.message = WithCode(kAddressUnavailable, error);
            return false;
        }
    }
    end.kind = AttemptEnd::Fatal;
    end.message = WithCode(kAddressUnavailable, download::kStatusProxyAuthenticationRequired);
    return false;
}

CDownloadFileThread::AttemptEnd CDownloadFileThread::WrongContent(const std::wstring& contentType,
                                                                 const uint8_t* start, size_t count)
{
    log->Write(L"download: \"" + download::LoggedAddress(currentUrl) + L"\" sent " +
               (contentType.empty() ? std::wstring(L"no content type") :
                                      L"content type \"" + download::WithControlsEscaped(contentType) + L"\"") +
               L", starting \"" + download::PrintableBytes(start, count) +
               L"\": no program; nothing kept");
    // Another address may serve the file, from byte 0: a byte of this
    // answer that came alone before the verdict is no part of it. A captive
    // portal answers for every address, each after its first chunk.
    partial.Discard();
    AttemptEnd end;
    end.kind = AttemptEnd::Final;
    end.message = kWrongContent;
    return end;
}

bool CDownloadFileThread::ClockIsWrong()
{
    const int64_t now = wallClock();
    if (!download::ClockLooksWrong(now, kBuildTime, hasServerDate, clockAhead))
        return false;
    std::wstring line = L"clock: certificate date refused (12037) while this computer's clock says " +
                        download::UtcText(now) + L"; the launcher was built " + download::UtcText(kBuildTime);
    if (hasServerDate)
        line += L", the server's Date said " + download::UtcText(serverDate) + L" when the clock said " +
                download::UtcText(serverDate + clockAhead);
    log->Write(line);
    return true;
}

CDownloadFileThread::AttemptEnd CDownloadFileThread::Stopped() const
{
    AttemptEnd end;
    end.kind = AttemptEnd::Fatal;
    end.message = kStopped;
    return end;
}

bool CDownloadFileThread::PauseBeforeRetry(uint32_t k, uint32_t pauseMs)
{
    const uint64_t end = clock->NowMs() + pauseMs;
    uint32_t shown = 0;
    for (;;) {
        if (!running.load())
            return false;
        const uint64_t now = clock->NowMs();
        if (now >= end)
            break;
        const uint64_t left = end - now;
        const uint32_t seconds = static_cast<uint32_t>((left + 999) / 1000);
        if (seconds != shown) {
            shown = seconds;
            task->retrySeconds.store(seconds);
            task->retryNumber.store(k);
            task->state.store(TaskState::Retrying);
            handler->OnTaskProgress(task, this);
        }
        // Until the number of whole seconds left goes down by one.
        if (!clock->Wait(static_cast<uint32_t>(left - (seconds - 1) * 1000ull), running))
            return false;
    }
    // The pause is over: the status line leaves the countdown.
    task->state.store(started ? TaskState::Downloading : TaskState::Started);
    handler->OnTaskProgress(task, this);
    return running.load();
}

bool CDownloadFileThread::MoveIntoPlace(uint32_t& error)
{
    const std::wstring finalPath = FinalPath();
    const std::wstring tempPath = TempPath();
    const uint64_t deadline = clock->NowMs() + timings.renameWindowMs;
    for (;;) {
        if (files->Move(tempPath, finalPath, error))
            return true;
        if ((error != kErrorAccessDenied && error != kErrorSharingViolation) || clock->NowMs() >= deadline)
            return false;
        if (!clock->Wait(timings.renameIntervalMs, running))
            return false;
    }
}

void CDownloadFileThread::PutInPlace()
{
    urlHandle.reset();
    internetHandle.reset();
    partial.Close();
    uint32_t error = 0;
    if (!MoveIntoPlace(error)) {
        partial.Discard();
        Fail(running.load() ? WithCode(kWriteError, error) : std::wstring(kStopped));
        return;
    }
    partial.Moved();
    task->state.store(TaskState::Finished);
    handler->OnTaskFinish(task, this);
}

bool CDownloadFileThread::MatchesPin(const std::wstring& path)
{
    if (task->pins.sha256.empty())
        return true;
    uint32_t error = 0;
    std::unique_ptr<IHeldFile> file = trust != nullptr ? trust->Hold(path, error) : nullptr;
    const bool matches = file && MatchesSha256(*file, task->pins.sha256, running);
    log->Write(L"download: SHA-256 of \"" + path + (matches ? L"\" matches" : L"\" differs from") +
               L" the pinned digest");
    return matches;
}

std::wstring CDownloadFileThread::AnswerValidator() const
{
    std::wstring etag;
    std::wstring lastModified;
    urlHandle->QueryHeader(HttpHeader::ETag, etag);
    urlHandle->QueryHeader(HttpHeader::LastModified, lastModified);
    return download::RangeValidator(etag, lastModified);
}

void CDownloadFileThread::LogResponse(bool resumed, uint32_t status, download::LengthReading reading, uint64_t length,
                                      const std::vector<std::wstring>& lengthValues,
                                      const std::wstring& answerValidator)
{
    std::wstring line = L"request: \"" + download::LoggedAddress(currentUrl) + L"\" " + internetHandle->Route();
    if (resumed)
        line += L", resumed from byte " + DecimalText(partial.Written());
    line += L" -> HTTP " + DecimalText(status);
    switch (reading) {
    case download::LengthReading::Valid:
        line += L", length " + DecimalText(length);
        break;
    case download::LengthReading::Missing:
        line += L", no length";
        break;
    case download::LengthReading::NotANumber:
    case download::LengthReading::Conflicting:
        line += reading == download::LengthReading::NotANumber ? L", length not a number:" : L", lengths differ:";
        for (size_t i = 0; i < lengthValues.size(); ++i)
            line += (i == 0 ? L" \"" : L", \"") + download::WithControlsEscaped(lengthValues[i]) + L"\"";
        break;
    }
    line += answerValidator.empty() ? std::wstring(L", no validator") : L", validator " + answerValidator;
    log->Write(line);
}

bool CDownloadFileThread::StartOverAfterMismatch()
{
    partial.Discard();
    if (!running.load()) {
        Fail(kStopped);
        return false;
    }
    // Twice another digest from one address: that address is out, and the
    // next one starts from byte 0.
    if (mismatchSeen && !addresses.Drop()) {
        Fail(kHashMismatch);
        return false;
    }
    mismatchSeen = !mismatchSeen;
    uint32_t error = 0;
    if (!partial.StartOver(0, std::wstring(), std::wstring(), std::wstring(), error)) {
        Fail(kCannotCreate);
        return false;
    }
    return true;
}

void CDownloadFileThread::ReleaseHandles()
{
    urlHandle.reset();
    internetHandle.reset();
    if (partial.HasFile())
        partial.Discard();
}

bool CDownloadFileThread::TakeFolder(const std::vector<std::wstring>& urls)
{
    // A download an earlier run gave up is continued where its record
    // allows; every other one is removed, record, file and folder. Folders
    // without a record (an installer left running, a run that was ended
    // from outside) are left to the week's clean-up.
    std::wstring taken;
    for (const std::wstring& folder : download_folders::List(*files, task->folderRoot)) {
        partial.SetPath(folder + L"\\" + task->tempName);
        FoundFile record;
        if (!files->Find(partial.RecordPath(), record))
            continue;
        std::wstring refusal;
        if (taken.empty() && partial.TakeKept(urls, task->pins.sha256, refusal)) {
            taken = folder;
            log->Write(L"download: continuing \"" + download::LoggedAddress(partial.Source()) + L"\" from byte " +
                       DecimalText(partial.Written()) + L" of " + DecimalText(partial.Length()) + L" in \"" +
                       folder + L"\"");
            continue;
        }
        if (!refusal.empty())
            log->Write(L"download: the partial file in \"" + folder + L"\" starts over: " + refusal);
        download_folders::Remove(*files, folder);
    }
    if (!taken.empty()) {
        task->directory = taken;
        ownFolder = true;
        return true;
    }

    uint32_t error = 0;
    const std::wstring folder = download_folders::Create(*files, *random, task->folderRoot, error);
    if (folder.empty()) {
        log->Write(L"download: no folder of its own can be made in \"" + task->folderRoot + L"\", code " +
                   DecimalText(error));
        Fail(kCannotCreate);
        return false;
    }
    task->directory = folder;
    ownFolder = true;
    log->Write(L"download: into \"" + folder + L"\"");
    return true;
}

void CDownloadFileThread::Fail(const std::wstring& text)
{
    task->message = text;
    urlHandle.reset();
    internetHandle.reset();
    // In its own folder, what can be continued is kept for the next run
    // (also when the launcher is closing); everything else goes.
    uint32_t error = 0;
    if (ownFolder && partial.HasFile() && partial.Keep(task->pins.sha256, error)) {
        log->Write(L"download: " + DecimalText(partial.Written()) + L" of " + DecimalText(partial.Length()) +
                   L" bytes kept in \"" + task->directory + L"\" to be continued");
    } else {
        partial.Discard();
        if (ownFolder)
            download_folders::Remove(*files, task->directory);
    }
    task->state.store(TaskState::Failed);
    handler->OnTaskError(task, this);
}

// The manifest's answer: 200 and its body, read up to one byte beyond the
// most a manifest may hold (such a one is refused as malformed).
CDownloadFileThread::AttemptEnd CDownloadFileThread::FetchManifest(uint8_t* buffer, std::vector<uint8_t>& bytes,
                                                                   bool& hasDate, int64_t& serverNow)
{
    uint32_t status = 0;
    AttemptEnd end;
    if (!Open(task->manifestUrl, std::wstring(), status, end))
        return end;
    log->Write(L"manifest: \"" + download::LoggedAddress(currentUrl) + L"\" " + internetHandle->Route() +
               L" -> HTTP " + DecimalText(status));
    if (status != 200) {
        end.kind = download::IsTransientStatus(status) ? AttemptEnd::Transient : AttemptEnd::Final;
        end.message = WithCode(kConnectionError, status);
        return end;
    }
    std::wstring date;
    hasDate = urlHandle->QueryHeader(HttpHeader::Date, date) && ParseHttpDate(date, serverNow);
    bytes.clear();
    while (bytes.size() <= kMaxManifestBytes) {
        uint32_t n = 0;
        if (!ReadChunk(buffer, n, end))
            return end;
        if (n == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    end.kind = AttemptEnd::Received;
    return end;
}

bool CDownloadFileThread::TakeManifest(uint8_t* buffer)
{
    const std::wstring& url = task->manifestUrl;
    std::vector<uint8_t> bytes;
    bool hasDate = false;
    int64_t serverNow = 0;
    for (uint32_t retry = 0;;) {
        AttemptEnd end = FetchManifest(buffer, bytes, hasDate, serverNow);
        urlHandle.reset();
        if (end.kind == AttemptEnd::Received)
            break;
        if (!running.load()) {
            Fail(kStopped);
            return false;
        }
        if (end.kind == AttemptEnd::Transient && retry < download::kMaxRetries) {
            ++retry;
            const uint32_t pauseMs = download::SpreadPause(timings, retry, false, 0, random->Next());
            log->Write(L"retry: " + DecimalText(retry) + L"/" + DecimalText(download::kMaxRetries) + L" in " +
                       DecimalText(pauseMs) + L" ms after " + end.message + L" (manifest)");
            if (!PauseBeforeRetry(retry, pauseMs)) {
                Fail(kStopped);
                return false;
            }
            continue;
        }
        // No manifest to be had. Whoever can block one request must not
        // choose what runs: the configured address serves only when a
        // compiled-in pin vouches for what comes from it.
        const bool vouched = !task->pins.sha256.empty() || !task->pins.signer.empty();
        log->Write(L"manifest: \"" + download::LoggedAddress(url) + L"\" cannot be fetched (" + end.message +
                   (vouched ? L"); the configured address is used under its compiled-in pins"
                            : L"); no compiled-in pin vouches for the configured address: nothing downloaded"));
        if (!vouched)
            Fail(end.message);
        return vouched;
    }

    ManifestContext context;
    context.publicPoint = task->manifestKey;
    context.channel = task->manifestChannel;
    context.hasAcceptedSerial = memory.AcceptedSerial(url, task->manifestChannel, context.acceptedSerial);
    context.localNow = wallClock();
    context.hasServerNow = hasDate;
    context.serverNow = serverNow;
    context.buildTime = kBuildTime;
    Manifest manifest;
    uint32_t verifierError = 0;
    const ManifestFault fault = verifier == nullptr ? ManifestFault::BadSignature
                                                    : CheckManifest(bytes, context, *verifier, manifest, verifierError);
    if (fault == ManifestFault::WrongClock) {
        log->Write(L"manifest: refused as expired while this computer's clock says " +
                   download::UtcText(context.localNow) + L"; the launcher was built " + download::UtcText(kBuildTime) +
                   L"; nothing downloaded");
        Fail(kWrongClock);
        return false;
    }
    if (fault != ManifestFault::None) {
        const uint32_t code = static_cast<uint32_t>(fault);
        log->Write(L"manifest: refused, code " + DecimalText(code) + L" (signature check " +
                   DecimalText(verifierError) + L", highest serial accepted " + DecimalText(context.acceptedSerial) +
                   L" on channel \"" + download::WithControlsEscaped(task->manifestChannel) +
                   L"\"); nothing downloaded");
        Fail(WithCode(kManifestInvalid, code));
        return false;
    }
    memory.Accept(url, task->manifestChannel, manifest.serial);
    log->Write(L"manifest: serial " + DecimalText(manifest.serial) + L" verified; " +
               DecimalText(manifest.urls.size()) + L" address(es), size " + DecimalText(manifest.size) + L", signer \"" +
               manifest.signer + L"\"");
    task->url = manifest.urls.front();
    manifest.urls.erase(manifest.urls.begin());
    task->mirrors.swap(manifest.urls);
    task->pins.sha256 = manifest.sha256;
    task->pins.hasSize = true;
    task->pins.size = manifest.size;
    if (!manifest.signer.empty())
        task->pins.signer = manifest.signer;
    return true;
}
