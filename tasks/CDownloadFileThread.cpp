#include "tasks/CDownloadFileThread.h"

#include <vector>

#include "platform/AsciiText.h"
#include "platform/Clock.h"
#include "platform/DecimalText.h"
#include "platform/FileSystem.h"
#include "platform/FileTrust.h"
#include "platform/HttpClient.h"
#include "platform/Random.h"
#include "platform/SystemErrors.h"
#include "platform/WallClock.h"
#include "tasks/BuildTime.h"
#include "tasks/CTaskEventHandler.h"
#include "tasks/DateText.h"
#include "tasks/DownloadFolders.h"
#include "tasks/LauncherDownload.h"
#include "tasks/LengthAndRange.h"
#include "tasks/Manifest.h"
#include "tasks/ManifestCheck.h"
#include "tasks/StatusTexts.h"
#include "tasks/Task.h"
#include "tasks/WebAddress.h"

namespace {


}  // namespace

CDownloadFileThread::CDownloadFileThread(DownTask* t, CTaskEventHandler* h, const TaskPlatform& seams,
                                         const download::Timings& waits)
    : task(t), handler(h), http(seams.http), files(seams.files), trust(seams.trust), log(seams.log),
      clock(seams.clock), random(seams.random), wallClock(seams.wallClock), verifier(seams.verifier), timings(waits),
      fetcher(*t, *h, *this, running, seams, waits), memory(seams.registry), handoff(seams.handoff),
      partial(*seams.files)
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
        Fail(Failure{FailureKind::NoConnection});
        return false;
    }
    if (!fetcher.OpenSession(*http)) {
        Fail(Failure{FailureKind::NoSession});
        return false;
    }

    if (!task->manifestUrl.empty() && !TakeManifest())
        return false;
    if (!UpdateLauncher())
        return false;
    std::vector<std::wstring> urls{task->url};
    urls.insert(urls.end(), task->mirrors.begin(), task->mirrors.end());
    const std::wstring channel = task->manifestUrl.empty() ? task->url : task->manifestUrl;
    addresses = MirrorList(urls, urls.size() > 1 ? memory.LastGoodAddress(channel) : std::wstring());
    if (!task->folderRoot.empty() && !TakeFolder(urls))
        return false;
    partial.SetPath(TempPath());

    FetchOrder order;
    order.expect = task->runInstaller ? ContentCheck::Expect::Program : ContentCheck::Expect::Anything;
    order.rate = task->rate;
    progress.Reset(task->rate.kind == TransferRate::Kind::Design);
    // Above the design's pace the file is written and hashed beside the
    // reads.
    if (task->rate.kind != TransferRate::Kind::Design && !writer.StartThread())
        log->Write(L"download: no thread to write beside the reads; the chunks are written between them");
    const FetchEnd end = fetcher.Fetch(addresses, *this, order);
    // Whatever ended the fetch, the file is as the writer left it.
    uint32_t error = 0;
    writer.Settle(error);
    switch (end.GetKind()) {
    case FetchEnd::Kind::Done:
        CompleteDownload();
        if (addresses.Count() > 1 && task->state.load() == TaskState::Finished)
            memory.RememberGoodAddress(channel, addresses.Current());
        break;
    case FetchEnd::Kind::Reused:
        ReleaseHandles();
        task->downloadedSize.store(task->totalSize.load());
        task->state.store(TaskState::Finished);
        handler->OnTaskFinish(task, this);
        break;
    default:
        Fail(end.What());
        break;
    }
    return false;
}

HeldPart CDownloadFileThread::Held() const
{
    // A write that failed shows at the next Begin.
    uint32_t error = 0;
    writer.Settle(error);
    // Bytes on disk and a validator to ask with: ask for the rest only.
    // With the size and the digest pinned, the rest may come from any
    // address, without If-Range (mirrors rarely share validators): the
    // digest over the whole file is the guard.
    HeldPart held;
    const bool pinned = task->pins.hasSize && !task->pins.sha256.empty();
    held.any = partial.CanContinue(pinned);
    held.from = partial.Written();
    held.total = partial.Length();
    if (!pinned)
        held.validator = partial.Validator();
    return held;
}

bool CDownloadFileThread::Settled(FetchEnd& end)
{
    uint32_t error = 0;
    if (writer.Settle(error))
        return true;
    end = FetchEnd::Fatal(Failure{FailureKind::WriteError, error});
    return false;
}

void CDownloadFileThread::Drop()
{
    uint32_t error = 0;
    writer.Settle(error);
    partial.Discard();
}

bool CDownloadFileThread::Begin(const FetchAnswer& answer, FetchEnd& end)
{
    if (!Settled(end))
        return false;
    if (answer.reading != download::LengthReading::Valid) {
        end = FetchEnd::Final(Failure{FailureKind::ConnectionError, kHttpErrorHeaderNotFound});
        return false;
    }
    // Another length than the pinned size is another file: not from here.
    if (!answer.continues && task->pins.hasSize && answer.length != task->pins.size) {
        end = FetchEnd::Final(Failure{FailureKind::HashMismatch});
        return false;
    }
    if (!answer.continues)
        return StartFile(answer, end);

    // Progress goes on from the bytes already on disk: of this run, or of
    // an earlier one (then this is the download's first event).
    partial.Continue(answer.asked, answer.from);
    // The digest goes on only over exactly the bytes on disk.
    if (hashedBytes != partial.Written())
        digest.reset();
    received = partial.Written();
    task->totalSize.store(partial.Length());
    task->downloadedSize.store(received);
    task->state.store(TaskState::Downloading);
    if (started) {
        handler->OnTaskProgress(task, this);
    } else {
        started = true;
        handler->OnTaskStart(task, this);
    }
    return true;
}

bool CDownloadFileThread::StartFile(const FetchAnswer& answer, FetchEnd& end)
{
    const uint64_t length = answer.length;
    received = 0;
    task->totalSize.store(length);
    task->downloadedSize.store(0);
    task->state.store(TaskState::Downloading);
    StartDigest();

    uint32_t error = 0;
    if (started) {
        // A partial file of another answer: empty it, the bar goes back to 0.
        if (!partial.StartOver(length, answer.validator, answer.asked, answer.from, error)) {
            end = FetchEnd::Fatal(Failure{FailureKind::WriteError, error});
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
            end = FetchEnd::Reused();
            return false;
        }
        files->Delete(FinalPath());
    }

    // Refused before anything is written: a disk that cannot hold the file.
    uint64_t freeBytes = 0;
    if (files->FreeSpace(task->directory, freeBytes, error) && freeBytes < length) {
        log->Write(L"download: " + DecimalText(freeBytes) + L" bytes free in \"" + task->directory + L"\", " +
                   DecimalText(length) + L" needed");
        end = FetchEnd::Fatal(Failure{FailureKind::DiskFull});
        return false;
    }

    if (!partial.StartOver(length, answer.validator, answer.asked, answer.from, error)) {
        log->Write(L"download: the temporary file cannot be created, code " + DecimalText(error));
        end = FetchEnd::Fatal(Failure{FailureKind::CannotCreate});
        return false;
    }
    return true;
}

bool CDownloadFileThread::Take(const uint8_t* bytes, uint32_t count, FetchEnd& end)
{
    // The bar moves before the chunk is written. The length stays as it is
    // while the body is read.
    received += count;
    task->downloadedSize.store(received);
    const uint64_t nowUs = clock->NowUs();
    if (progress.Due(nowUs, received >= partial.Length())) {
        progress.Reported(nowUs);
        handler->OnTaskProgress(task, this);
    }
    uint32_t error = 0;
    if (!writer.Put(bytes, count, error)) {
        end = FetchEnd::Fatal(Failure{FailureKind::WriteError, error});
        return false;
    }
    return true;
}

bool CDownloadFileThread::TakeChunk(const uint8_t* bytes, uint32_t count, uint32_t& error)
{
    if (!partial.Append(bytes, count, error))
        return false;
    if (digest) {
        if (digest->Add(bytes, count))
            hashedBytes += count;
        else
            digest.reset();
    }
    return true;
}

void CDownloadFileThread::StartDigest()
{
    digest.reset();
    hashedBytes = 0;
    if (!task->pins.sha256.empty() && trust != nullptr)
        digest = trust->NewSha256();
}

bool CDownloadFileThread::DigestMatchesPin()
{
    std::vector<uint8_t> computed;
    const bool whole = digest && hashedBytes == partial.Written() && digest->Finish(computed);
    digest.reset();
    if (!whole)
        return MatchesPin(TempPath());
    const bool matches = computed == task->pins.sha256;
    checkedAsArrived = matches;
    log->Write(L"download: SHA-256 of \"" + TempPath() + (matches ? L"\" matches" : L"\" differs from") +
               L" the pinned digest (computed as the bytes arrived)");
    return matches;
}

FetchEnd CDownloadFileThread::Finish()
{
    FetchEnd failedWrite = FetchEnd::Done();
    if (!Settled(failedWrite))
        return failedWrite;
    // Data that ends before the announced length is a broken connection,
    // not a finished file: a cut-off installer must never be run. The rest
    // may come with the next attempt. More than announced will not get
    // better by asking again.
    const PartialDownload::Fill fill = partial.Filled();
    if (fill == PartialDownload::Fill::Short)
        return FetchEnd::Transient(Failure{FailureKind::ConnectionError, kHttpErrorConnectionAborted});
    if (fill == PartialDownload::Fill::Over)
        return FetchEnd::Final(Failure{FailureKind::ConnectionError, kHttpErrorConnectionAborted});
    if (!task->pins.sha256.empty()) {
        // The file is checked closed, as it will be run: by the digest
        // computed as its bytes were written, or read whole.
        partial.Close();
        if (!DigestMatchesPin())
            return StartOverAfterMismatch(partial.Origin());
    }
    return FetchEnd::Done();
}

bool CDownloadFileThread::RenameToFinalName(uint32_t& error)
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

void CDownloadFileThread::CompleteDownload()
{
    fetcher.Close();
    partial.Close();
    uint32_t error = 0;
    if (!RenameToFinalName(error)) {
        partial.Discard();
        Fail(running.load() ? Failure{FailureKind::WriteError, error} : Failure{FailureKind::Stopped});
        return;
    }
    partial.Moved();
    VouchForFile();
    task->state.store(TaskState::Finished);
    handler->OnTaskFinish(task, this);
}

// The digest computed as the bytes arrived stands for the file under its
// final name while that is the file written: the folder is the download's
// own (only this user, the system and the administrators may write in it,
// who could change the launcher itself as well), and the install worker
// finds the same file, of the same size and last write, when it holds it.
void CDownloadFileThread::VouchForFile()
{
    if (!checkedAsArrived || !ownFolder || trust == nullptr)
        return;
    uint32_t error = 0;
    std::unique_ptr<IHeldFile> file = trust->Hold(FinalPath(), error);
    task->checkedAsArrived = file && file->Identity(task->checkedFile);
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

FetchEnd CDownloadFileThread::StartOverAfterMismatch(std::wstring address)
{
    partial.Discard();
    if (!running.load())
        return FetchEnd::Stopped();
    if (address != mismatchAddress) {
        mismatchAddress = address;
        mismatches = 0;
    }
    // Twice another digest from one address: that address is out, and the
    // next one starts from byte 0.
    if (++mismatches == 2) {
        mismatches = 0;
        return FetchEnd::Final(Failure{FailureKind::HashMismatch});
    }
    uint32_t error = 0;
    if (!partial.StartOver(0, std::wstring(), std::wstring(), std::wstring(), error))
        return FetchEnd::Fatal(Failure{FailureKind::CannotCreate});
    return FetchEnd::Again();
}

void CDownloadFileThread::ReleaseHandles()
{
    fetcher.Close();
    if (partial.HasFile())
        partial.Discard();
}

bool CDownloadFileThread::TakeFolder(const std::vector<std::wstring>& urls)
{
    // A download an earlier run gave up is continued where its record
    // allows; every other one is removed, record, file and folder. Folders
    // without a record (an installer left running, a run that was ended
    // from outside) are left to the week's clean-up, and folders that are
    // not this user's own, or hold anything else, are left alone.
    const std::vector<std::wstring> ownNames = download_folders::OwnFileNames(task->tempName, task->fileName);
    std::wstring taken;
    for (const std::wstring& folder : download_folders::List(*files, task->folderRoot)) {
        partial.SetPath(folder + L"\\" + task->tempName);
        FoundFile record;
        if (!files->Find(partial.RecordPath(), record))
            continue;
        if (!download_folders::Claim(*files, folder, ownNames)) {
            log->Write(L"download: \"" + folder + L"\" left alone: not this user's, or it holds other files");
            continue;
        }
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
        Fail(Failure{FailureKind::CannotCreate});
        return false;
    }
    task->directory = folder;
    ownFolder = true;
    log->Write(L"download: into \"" + folder + L"\"");
    return true;
}

void CDownloadFileThread::Fail(const Failure& failure)
{
    task->Fail(failure);
    fetcher.Close();
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

namespace {

// The manifest's answer as it comes: its bytes, read up to one beyond the
// most a manifest may hold (such a one is refused as malformed), and the
// Date it was sent with. A body that ends before its announced length
// broke off: tried again, not judged.
class ManifestAnswer : public IFetchReceiver {
public:
    bool Begin(const FetchAnswer& answer, FetchEnd&) override
    {
        bytes.clear();
        hasLength = answer.reading == download::LengthReading::Valid;
        length = answer.length;
        hasDate = answer.hasDate;
        serverNow = answer.date;
        return true;
    }
    bool Take(const uint8_t* chunk, uint32_t count, FetchEnd& end) override
    {
        bytes.insert(bytes.end(), chunk, chunk + count);
        if (bytes.size() <= kMaxManifestBytes)
            return true;
        end = FetchEnd::Done();
        return false;
    }
    FetchEnd Finish() override
    {
        if (hasLength && bytes.size() < length)
            return FetchEnd::Transient(Failure{FailureKind::ConnectionError, kHttpErrorConnectionAborted});
        return FetchEnd::Done();
    }
    void Drop() override { bytes.clear(); }

    std::vector<uint8_t> bytes;
    bool hasLength = false;
    uint64_t length = 0;
    bool hasDate = false;
    int64_t serverNow = 0;
};

}  // namespace

bool CDownloadFileThread::TakeManifest()
{
    const std::wstring& url = task->manifestUrl;
    ManifestAnswer answer;
    MirrorList manifestAddress({url}, std::wstring());
    // The same rules as the installer's, a page judged as a text, and a
    // deadline for a body that may hold no more than 64 KB.
    FetchOrder order;
    order.expect = ContentCheck::Expect::Text;
    order.bodyDeadlineMs = timings.manifestBodyMs;
    order.subject = L"manifest";
    const FetchEnd end = fetcher.Fetch(manifestAddress, answer, order);
    if (!end.Is(FetchEnd::Kind::Done)) {
        if (!running.load()) {
            Fail(Failure{FailureKind::Stopped});
            return false;
        }
        // No manifest to be had. Whoever can block one request must not
        // choose what runs: the configured address serves only when a
        // compiled-in pin vouches for what comes from it.
        const bool vouched = !task->pins.sha256.empty() || !task->pins.signer.empty();
        log->Write(L"manifest: \"" + download::LoggedAddress(url) + L"\" cannot be fetched (" + end.Message() +
                   (vouched ? L"); the configured address is used under its compiled-in pins"
                            : L"); no compiled-in pin vouches for the configured address: nothing downloaded"));
        if (!vouched)
            Fail(end.What());
        return vouched;
    }
    return ApplyManifest(answer.bytes, answer.hasDate, answer.serverNow);
}

bool CDownloadFileThread::ApplyManifest(const std::vector<uint8_t>& bytes, bool hasDate, int64_t serverNow)
{
    const std::wstring& url = task->manifestUrl;
    ManifestContext context;
    context.publicPoint = task->manifestKey;
    context.channel = task->manifestChannel;
    context.hasAcceptedSerial = memory.AcceptedSerial(url, task->manifestChannel, context.acceptedSerial);
    context.localNow = wallClock->NowSeconds();
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
        Fail(Failure{FailureKind::WrongClock});
        return false;
    }
    if (fault != ManifestFault::None) {
        const uint32_t code = static_cast<uint32_t>(fault);
        log->Write(L"manifest: refused, code " + DecimalText(code) + L" (signature check " +
                   DecimalText(verifierError) + L", highest serial accepted " + DecimalText(context.acceptedSerial) +
                   L" on channel \"" + WithControlsEscaped(task->manifestChannel) +
                   L"\"); nothing downloaded");
        Fail(Failure{FailureKind::ManifestInvalid, code});
        return false;
    }
    memory.Accept(url, task->manifestChannel, manifest.serial);
    log->Write(L"manifest: serial " + DecimalText(manifest.serial) + L" verified; " +
               DecimalText(manifest.urls.size()) + L" address(es), size " + DecimalText(manifest.size) + L", signer \"" +
               manifest.signer + L"\"");
    launcherRelease = manifest.launcher;
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

bool CDownloadFileThread::UpdateLauncher()
{
    if (handoff == nullptr || task->launcher.path.empty() || trust == nullptr || task->manifestUrl.empty())
        return true;
    LauncherUpdate update(*files, *trust, *handoff, *clock, *log, running);
    // Its own addresses, the same rules; the bar shows its progress.
    class LauncherFetch final : public LauncherUpdate::Download {
    public:
        explicit LauncherFetch(CDownloadFileThread& worker) : m_worker(worker) {}
        bool Into(IOutputFile& file, std::wstring& failure) override
        {
            CDownloadFileThread& w = m_worker;
            MirrorList launcherAddresses(w.launcherRelease.urls, std::wstring());
            LauncherDownload receiver(file, w.launcherRelease.size, w.launcherRelease.sha256, *w.trust, *w.task,
                                      *w.handler, w);
            FetchOrder order;
            order.expect = ContentCheck::Expect::Program;
            order.subject = L"launcher";
            w.task->updatingLauncher.store(true);
            const FetchEnd end = w.fetcher.Fetch(launcherAddresses, receiver, order);
            w.task->updatingLauncher.store(false);
            failure = end.Message();
            return end.Is(FetchEnd::Kind::Done);
        }

    private:
        CDownloadFileThread& m_worker;
    } download(*this);
    const LauncherUpdate::End end = update.Run(task->launcher, launcherRelease, download);
    switch (end) {
    case LauncherUpdate::End::HandedOver:
        fetcher.Close();
        task->successor = update.TakeSuccessor();
        task->handedOver = true;
        task->state.store(TaskState::Finished);
        handler->OnTaskFinish(task, this);
        return false;
    case LauncherUpdate::End::Stopped:
        Fail(Failure{FailureKind::Stopped});
        return false;
    case LauncherUpdate::End::Kept:
        break;
    }
    // The installer's download starts from nothing on the screen.
    task->totalSize.store(0);
    task->downloadedSize.store(0);
    return true;
}
