// A download given up in one run and taken up in the next: what is kept in
// the download's own folder, when the next run continues it with Range and
// If-Range, every way the kept pair can disagree, which starts over, and
// the folders that are not this user's own, which are left alone.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/native/NativeThreads.h"
#include "tasks/DownloadFolders.h"
#include "tests/fakes/DownloadWorkerFixture.h"

namespace {

using Response = FakeHttpClient::Response;

const std::wstring kUrl = L"http://127.0.0.1/package/Windows/pomvel_mini.exe";
const std::wstring kRoot = L"C:\\tmp";
// The folder names the fake random sources give.
const std::wstring kFirst = kRoot + L"\\quillmerex-0000000100000001";
const std::wstring kSecond = kRoot + L"\\quillmerex-0000000200000002";
const std::vector<std::wstring> kOwnNames = download_folders::OwnFileNames(L"yrfoinstall.tmp", L"yrfoinstall.exe");
constexpr uint32_t kChunk = CDownloadFileThread::kBufferSize;
constexpr uint32_t kLength = 5 * kChunk;

std::vector<uint8_t> Body(uint32_t from, uint32_t length)
{
    std::vector<uint8_t> body;
    for (uint32_t i = from; i < from + length; ++i)
        body.push_back(FakeHttpClient::BodyByte(i));
    return body;
}

void NoSleep(uint32_t) {}

// One run of the launcher's download: a task with its folder under kRoot,
// on the disk the runs share.
struct LauncherRun : DownloadWorkerFixture {
    LauncherRun(FakeFileSystem& disk, uint32_t name, const std::wstring& url = kUrl)
        : DownloadWorkerFixture(url, kRoot, &disk)
    {
        task.folderRoot = kRoot;
        random.values = {name};
    }

    std::wstring Headers(size_t i) const { return http.Requests().at(i).headers; }
};

std::wstring Partial(const std::wstring& folder) { return folder + L"\\yrfoinstall.tmp"; }
std::wstring Record(const std::wstring& folder) { return Partial(folder) + L".rec"; }
std::wstring Final(const std::wstring& folder) { return folder + L"\\yrfoinstall.exe"; }

std::wstring Text(const std::vector<uint8_t>& bytes)
{
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    return text;
}

std::vector<uint8_t> Bytes(const std::wstring& text)
{
    std::vector<uint8_t> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
    }
    return bytes;
}

class ResumeAfterRestart : public ::testing::Test {
public:
    void SetUp() override { threads::SetSleepHook(&NoSleep); }
    void TearDown() override { threads::SetSleepHook(nullptr); }

    // The first run: the launcher is closed after two of five chunks (40 %).
    void CloseAtFortyPercent(const std::wstring& etag = L"\"v1\"", const std::wstring& lastModified = L"")
    {
        LauncherRun first(*disk, 1);
        first.http.SetBody(kLength, {kChunk, kChunk, kChunk, kChunk, kChunk});
        if (!etag.empty())
            first.http.responses[0].headers[HttpHeader::ETag] = etag;
        if (!lastModified.empty())
            first.http.responses[0].headers[HttpHeader::LastModified] = lastModified;
        int waits = 0;
        first.clock.onWaitUs = [&](uint64_t) {
            if (++waits == 2)
                first.worker->ClearRunning();
        };
        first.worker->Run();
        ASSERT_EQ(first.task.message, L"强制退出");
    }

    void EditRecord(const std::wstring& from, const std::wstring& to)
    {
        std::wstring text = Text(disk->Content(Record(kFirst)));
        const size_t at = text.find(from);
        ASSERT_NE(at, std::wstring::npos);
        text.replace(at, from.size(), to);
        disk->PutFile(Record(kFirst), Bytes(text));
    }

    // The second run, answered in full from byte 0.
    void ExpectStartOver(const std::wstring& url = kUrl)
    {
        LauncherRun second(*disk, 2, url);
        second.http.SetBody(kLength, {kChunk, kChunk, kChunk, kChunk, kChunk});
        second.worker->Run();
        EXPECT_EQ(second.task.state.load(), TaskState::Finished) << std::string(second.task.message.begin(),
                                                                                  second.task.message.end());
        EXPECT_EQ(second.Headers(0), L"");
        EXPECT_EQ(disk->Content(Final(kSecond)), Body(0, kLength));
        // The kept pair went with its folder.
        EXPECT_FALSE(disk->Exists(kFirst));
        EXPECT_FALSE(disk->Exists(Record(kSecond)));
    }

    // Every path on the disk with its content.
    std::map<std::wstring, std::vector<uint8_t>> Everything() const
    {
        std::map<std::wstring, std::vector<uint8_t>> all;
        for (const std::wstring& path : disk->Paths())
            all[path] = disk->Content(path);
        return all;
    }

    std::unique_ptr<FakeFileSystem> disk = std::make_unique<FakeFileSystem>();
};

TEST_F(ResumeAfterRestart, ClosingKeepsThePartialFileAndItsRecordAndTheNextRunContinuesIt)
{
    CloseAtFortyPercent();
    EXPECT_EQ(disk->Content(Partial(kFirst)), Body(0, 2 * kChunk));
    EXPECT_EQ(Text(disk->Content(Record(kFirst))),
              L"quillmerex partial download 1\naddress=" + kUrl + L"\nsource=" + kUrl +
                  L"\nvalidator=\"v1\"\nlength=256000\nwritten=102400\nsha256=\n");
    // The bytes the record counts reach the disk first; the record is
    // written whole under another name and renamed into place.
    const std::wstring recordBytes = std::to_wstring(disk->Content(Record(kFirst)).size());
    EXPECT_EQ(disk->Syncs(), (std::vector<std::wstring>{
                                 L"flush " + Partial(kFirst) + L" 102400",
                                 L"flush " + Record(kFirst) + L".new " + recordBytes,
                                 L"move " + Record(kFirst) + L".new -> " + Record(kFirst),
                             }));

    LauncherRun second(*disk, 2);
    second.http.responses = {Response::Partial(2 * kChunk, kLength, {kChunk, kChunk, kChunk})};
    second.worker->Run();

    EXPECT_EQ(second.task.state.load(), TaskState::Finished);
    ASSERT_EQ(second.http.Requests().size(), 1u);
    EXPECT_EQ(second.Headers(0), L"Range: bytes=102400-\r\nIf-Range: \"v1\"\r\n");
    // The bar starts at 40 %, in the same folder; the pair is gone.
    const auto events = second.events.Events();
    EXPECT_EQ(second.events.Operations(), "start progress progress progress finish");
    EXPECT_EQ(events[0].downloaded, 2 * kChunk);
    EXPECT_EQ(events[0].total, kLength);
    EXPECT_EQ(second.task.directory, kFirst);
    EXPECT_EQ(disk->Content(Final(kFirst)), Body(0, kLength));
    EXPECT_FALSE(disk->Exists(Partial(kFirst)));
    EXPECT_FALSE(disk->Exists(Record(kFirst)));
    EXPECT_EQ(disk->Appended(), std::vector<std::wstring>{Partial(kFirst)});
}

TEST_F(ResumeAfterRestart, AWholeFileAnswerToTheResumeStartsOverInTheSameFolder)
{
    CloseAtFortyPercent();
    LauncherRun second(*disk, 2);
    second.http.SetBody(kLength, {kChunk, kChunk, kChunk, kChunk, kChunk});
    second.worker->Run();
    EXPECT_EQ(second.Headers(0), L"Range: bytes=102400-\r\nIf-Range: \"v1\"\r\n");
    EXPECT_EQ(disk->Content(Final(kFirst)), Body(0, kLength));
}

TEST_F(ResumeAfterRestart, AFailureForGoodKeepsWhatCanBeContinued)
{
    struct Case {
        const char* name;
        std::wstring etag;
        bool kept;
    };
    const Case cases[] = {{"strong ETag", L"\"v1\"", true}, {"no validator", L"", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFileSystem local;
        LauncherRun first(local, 1);
        Response cut = Response::Ok(kLength, {kChunk});
        cut.reads.push_back(FakeHttpClient::Failure(12045));  // a certificate error: final
        if (!c.etag.empty())
            cut.headers[HttpHeader::ETag] = c.etag;
        first.http.responses = {cut};
        first.worker->Run();
        EXPECT_EQ(first.task.state.load(), TaskState::Failed);
        EXPECT_EQ(local.Exists(Record(kFirst)), c.kept);
        EXPECT_EQ(local.Exists(Partial(kFirst)), c.kept);
        EXPECT_EQ(local.Exists(kFirst), c.kept);
        EXPECT_EQ(local.OpenFiles(), 0);
    }
}

TEST_F(ResumeAfterRestart, EveryMismatchStartsOverAndRemovesBoth)
{
    struct Case {
        const char* name;
        std::function<void(ResumeAfterRestart&)> change;
        std::wstring url;
    };
    const Case cases[] = {
        {"address changed", [](ResumeAfterRestart&) {}, L"http://127.0.0.1/package/Windows/other.exe"},
        {"file shorter", [](ResumeAfterRestart& t) { t.disk->PutFile(Partial(kFirst), Body(0, kChunk)); }, kUrl},
        {"file longer", [](ResumeAfterRestart& t) { t.disk->PutFile(Partial(kFirst), Body(0, 2 * kChunk + 1)); },
         kUrl},
        {"file gone", [](ResumeAfterRestart& t) { t.disk->Delete(Partial(kFirst)); }, kUrl},
        {"validator missing", [](ResumeAfterRestart& t) { t.EditRecord(L"validator=\"v1\"", L"validator="); }, kUrl},
        // What no answer's ETag could be: it would add a header of its own
        // to the request.
        {"validator with a carriage return",
         [](ResumeAfterRestart& t) { t.EditRecord(L"validator=\"v1\"", L"validator=\"v1\"\rX-Evil: 1"); }, kUrl},
        {"address with a control character",
         [](ResumeAfterRestart& t) { t.EditRecord(L"\nsource=" + kUrl, L"\nsource=" + kUrl + L"\x1B[2J"); }, kUrl},
        {"validator with a control character",
         [](ResumeAfterRestart& t) { t.EditRecord(L"validator=\"v1\"", L"validator=\"v\x01" L"1\""); }, kUrl},
        {"record corrupt", [](ResumeAfterRestart& t) { t.disk->PutFile(Record(kFirst), {0x71, 0x00, 0x0A}); }, kUrl},
        {"record cut short", [](ResumeAfterRestart& t) { t.EditRecord(L"\nsha256=\n", L"\n"); }, kUrl},
        {"count not a number", [](ResumeAfterRestart& t) { t.EditRecord(L"written=102400", L"written=-1"); }, kUrl},
        {"count beyond the length",
         [](ResumeAfterRestart& t) { t.EditRecord(L"written=102400", L"written=256000"); }, kUrl},
        {"pinned digest changed",
         [](ResumeAfterRestart& t) { t.EditRecord(L"sha256=", L"sha256=" + std::wstring(64, L'a')); }, kUrl},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        disk = std::make_unique<FakeFileSystem>();
        CloseAtFortyPercent();
        c.change(*this);
        ExpectStartOver(c.url);
    }
}

TEST_F(ResumeAfterRestart, FoldersUntouchedForAWeekAreRemovedAtStartUp)
{
    CloseAtFortyPercent();
    const int64_t written = disk->nowSeconds.load();
    disk->PutDirectory(kRoot + L"\\quillmerex-unrelated");  // not one of the launcher's names
    disk->PutFile(kRoot + L"\\other.tmp", {1});
    // An installer left running when its run was ended: no record.
    disk->PutDirectory(kSecond);
    disk->PutFile(Final(kSecond), {'M', 'Z'});

    EXPECT_EQ(download_folders::RemoveStale(*disk, kRoot, kOwnNames, written + download_folders::kStaleSeconds - 1),
              0u);
    EXPECT_TRUE(disk->Exists(Record(kFirst)));
    // A file written later keeps the folder.
    disk->SetLastWrite(Partial(kFirst), written + 10);
    EXPECT_EQ(download_folders::RemoveStale(*disk, kRoot, kOwnNames, written + download_folders::kStaleSeconds), 1u);
    EXPECT_FALSE(disk->Exists(kSecond));
    EXPECT_EQ(download_folders::RemoveStale(*disk, kRoot, kOwnNames, written + 10 + download_folders::kStaleSeconds),
              1u);
    EXPECT_FALSE(disk->Exists(kFirst));
    EXPECT_FALSE(disk->Exists(Partial(kFirst)));
    EXPECT_TRUE(disk->Exists(kRoot + L"\\quillmerex-unrelated"));
    EXPECT_TRUE(disk->Exists(kRoot + L"\\other.tmp"));
}

// A shared TMP (C:\Windows\Temp, C:\Temp) lets others make folders of the
// launcher's names: a folder kept by an earlier run is continued or removed
// only when this user owns it and it holds nothing but the launcher's own
// files; anything else is neither taken over, nor followed, nor emptied.
TEST_F(ResumeAfterRestart, AFolderNotWhollyThisUsersOwnIsLeftAsItIs)
{
    const std::wstring elsewhere = L"C:\\Users\\player\\Documents";
    struct Case {
        const char* name;
        std::function<void(FakeFileSystem&)> change;
    };
    const Case cases[] = {
        {"another user's folder", [](FakeFileSystem& d) { d.SetOwner(kFirst, L"intruder"); }},
        {"another user's file in it", [](FakeFileSystem& d) { d.SetOwner(Partial(kFirst), L"intruder"); }},
        {"a DLL beside the files", [](FakeFileSystem& d) { d.PutFile(kFirst + L"\\version.dll", {'M', 'Z'}); }},
        {"a folder in it", [](FakeFileSystem& d) { d.PutDirectory(kFirst + L"\\sub"); }},
        {"a junction to the user's documents",
         [&elsewhere](FakeFileSystem& d) {
             // The kept pair, and a document, behind a junction of the
             // folder's name.
             const std::vector<uint8_t> partial = d.Content(Partial(kFirst));
             const std::vector<uint8_t> record = d.Content(Record(kFirst));
             d.Delete(Partial(kFirst));
             d.Delete(Record(kFirst));
             d.RemoveFolder(kFirst);
             d.PutDirectory(elsewhere);
             d.PutFile(elsewhere + L"\\thesis.docx", {1, 2, 3});
             d.PutLink(kFirst, elsewhere);
             d.PutFile(Partial(kFirst), partial);
             d.PutFile(Record(kFirst), record);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        disk = std::make_unique<FakeFileSystem>();
        CloseAtFortyPercent();
        c.change(*disk);
        const auto before = Everything();

        // A week later, the start-up's clean-up.
        EXPECT_EQ(download_folders::RemoveStale(*disk, kRoot, kOwnNames,
                                                disk->nowSeconds.load() + 2 * download_folders::kStaleSeconds),
                  0u);
        EXPECT_EQ(Everything(), before);

        // The next download starts in a folder of its own.
        LauncherRun second(*disk, 2);
        second.http.SetBody(kLength, {kChunk, kChunk, kChunk, kChunk, kChunk});
        second.worker->Run();
        EXPECT_EQ(second.task.state.load(), TaskState::Finished);
        EXPECT_EQ(second.Headers(0), L"");
        EXPECT_EQ(second.task.directory, kSecond);
        EXPECT_EQ(disk->Content(Final(kSecond)), Body(0, kLength));
        auto after = Everything();
        after.erase(kSecond);
        after.erase(Final(kSecond));
        EXPECT_EQ(after, before);
    }
}

// A folder an earlier version made inherits TMP's permissions: taken over,
// it is given the permissions of a new folder, as every new one has.
TEST_F(ResumeAfterRestart, ATakenFolderIsMadePrivateAsANewOneIs)
{
    CloseAtFortyPercent();
    EXPECT_TRUE(disk->IsPrivate(kFirst));
    disk->PutDirectory(kFirst);  // as an earlier version made it
    ASSERT_FALSE(disk->IsPrivate(kFirst));

    LauncherRun second(*disk, 2);
    second.http.responses = {Response::Partial(2 * kChunk, kLength, {kChunk, kChunk, kChunk})};
    second.worker->Run();
    EXPECT_EQ(second.task.state.load(), TaskState::Finished);
    EXPECT_EQ(second.task.directory, kFirst);
    EXPECT_TRUE(disk->IsPrivate(kFirst));
}

TEST_F(ResumeAfterRestart, AFolderThatCannotBeMadeFailsBeforeAnyRequest)
{
    disk->folderFails = true;
    LauncherRun run(*disk, 1);
    run.http.SetBody(10, {10});
    run.worker->Run();
    EXPECT_EQ(run.task.message, L"无法创建写入文件");
    EXPECT_TRUE(run.http.Requests().empty());
}

}  // namespace
