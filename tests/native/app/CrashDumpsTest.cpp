// The dumps' names, the three kept, and the log lines that name them.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/CrashDumps.h"
#include "platform/ExceptionPolicy.h"
#include "tests/fakes/FakeFileSystem.h"

namespace {

TEST(CrashDumps, NamesHaveOneWidthAndSortByAge)
{
    const LocalTime early{2026, 1, 2, 3, 4, 5, 6};
    const LocalTime late{2026, 12, 11, 23, 59, 58, 999};
    EXPECT_EQ(CrashDumpName(early), L"quillmerex-crash-20260102-030405-006.dmp");
    EXPECT_EQ(CrashDumpName(late), L"quillmerex-crash-20261211-235958-999.dmp");
    EXPECT_LT(CrashDumpName(early), CrashDumpName(late));
    EXPECT_TRUE(IsCrashDumpName(CrashDumpName(late)));
    for (const wchar_t* other : {L"", L"quillmerex-crash-.dmp", L"quillmerex-crash-20261211-235958-999.dmp.txt",
                                 L"quillmerex-crash-20261211-235958-99x.dmp", L"quillmerex-crash-20261211_235958-999.dmp",
                                 L"a\\quillmerex-crash-20261211-235958-999.dmp", L"quillmerex-crash-20261211-235958-9999.dmp"})
        EXPECT_FALSE(IsCrashDumpName(other)) << testing::PrintToString(std::wstring(other));
}

// A dump in the folder: its name's date and time (HHMMSS-mmm of 2026-12-11
// unless a whole name is given) and its file's last write time.
struct Dump {
    const wchar_t* stamp;
    int64_t written;
};

std::wstring DumpFile(const wchar_t* stamp)
{
    const std::wstring text = stamp;
    return text.size() > 10 ? text : L"quillmerex-crash-20261211-" + text + L".dmp";
}

TEST(CrashDumps, TheDumpJustWrittenAndTheNewestByTimeStay)
{
    constexpr int64_t kNow = 1797000000;
    struct Case {
        const char* what;
        std::vector<Dump> before;  // the dump just written is the last
        std::vector<const wchar_t*> kept;
    };
    const Case cases[] = {
        {"names and times agree: the oldest go",
         {{L"010000-000", kNow - 400}, {L"010100-000", kNow - 300}, {L"010200-000", kNow - 200},
          {L"010300-000", kNow - 100}, {L"010400-000", kNow}},
         {L"010200-000", L"010300-000", L"010400-000"}},
        // The clock was a day ahead when three dumps were written, and is
        // right again: their names and times lie in the future, the new
        // dump's name sorts first and its time is the oldest.
        {"dumps dated in the future",
         {{L"quillmerex-crash-20261212-090000-000.dmp", kNow + 86000},
          {L"quillmerex-crash-20261212-090100-000.dmp", kNow + 86100},
          {L"quillmerex-crash-20261212-090200-000.dmp", kNow + 86200}, {L"080000-000", kNow}},
         {L"080000-000", L"quillmerex-crash-20261212-090100-000.dmp", L"quillmerex-crash-20261212-090200-000.dmp"}},
        // The clocks went back an hour at 03:00: a dump of 02:50 (before)
        // is older than those of 02:10 and 02:20 (after), and the new one,
        // 02:05 by its name, is the newest of all.
        {"a daylight-saving fall-back",
         {{L"025000-000", kNow - 3000}, {L"021000-000", kNow - 600}, {L"022000-000", kNow - 300},
          {L"020500-000", kNow}},
         {L"020500-000", L"021000-000", L"022000-000"}},
        {"dumps of one second by their names",
         {{L"010000-001", kNow}, {L"010000-002", kNow}, {L"010000-003", kNow}, {L"010000-004", kNow}},
         {L"010000-002", L"010000-003", L"010000-004"}},
        {"fewer than three", {{L"010000-000", kNow}, {L"010100-000", kNow}}, {L"010000-000", L"010100-000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFileSystem files;
        files.PutDirectory(L"C:\\tmp");
        // Files that only look like dumps, and the log, are left alone.
        for (const wchar_t* other : {L"quillmerex-crash-my-notes.dmp", L"quillmerex.log"}) {
            files.PutFile(std::wstring(L"C:\\tmp\\") + other, {});
            files.SetLastWrite(std::wstring(L"C:\\tmp\\") + other, 0);
        }
        for (const Dump& dump : c.before) {
            files.PutFile(L"C:\\tmp\\" + DumpFile(dump.stamp), {});
            files.SetLastWrite(L"C:\\tmp\\" + DumpFile(dump.stamp), dump.written);
        }
        KeepNewestDumps(files, L"C:\\tmp", DumpFile(c.before.back().stamp));
        std::vector<std::wstring> expected{L"C:\\tmp"};
        for (const wchar_t* stamp : c.kept)
            expected.push_back(L"C:\\tmp\\" + DumpFile(stamp));
        expected.push_back(L"C:\\tmp\\quillmerex-crash-my-notes.dmp");
        expected.push_back(L"C:\\tmp\\quillmerex.log");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(files.Paths(), expected);
    }
}

// The system's exception policy: absent, or with flags, and a write that
// may fail.
class FakeExceptionPolicy : public IExceptionPolicy {
public:
    bool present = true;
    uint32_t flags = 0;
    uint32_t writeError = 0;  // the write fails with this code when not 0
    std::vector<uint32_t> written;

    bool Read(uint32_t& value) override
    {
        value = flags;
        return present;
    }
    bool Write(uint32_t value, uint32_t& error) override
    {
        written.push_back(value);
        error = writeError;
        return writeError == 0;
    }
};

TEST(CrashDumps, TheCallbackFilterIsTurnedOffAtStartWhereTheSystemHasIt)
{
    struct Case {
        const char* what;
        bool present;
        uint32_t flags;
        uint32_t writeError;
        std::vector<uint32_t> written;
        std::wstring line;
    };
    const std::wstring off = L"start-up: the system's filter of crashes in window callbacks turned off";
    const Case cases[] = {
        {"no such policy (Wine, Windows 7 without KB976038)", false, 1, 0, {}, L""},
        {"the filter is off", true, 0, 0, {}, L""},
        {"the filter is on", true, kCallbackFilterEnabled, 0, {0}, off},
        {"other flags are kept", true, 0x6 | kCallbackFilterEnabled, 0, {0x6}, off},
        {"the system refuses", true, kCallbackFilterEnabled, 5, {0},
         L"start-up: the system's filter of crashes in window callbacks cannot be turned off (code 5); such a "
         L"crash may leave no dump"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeExceptionPolicy policy;
        policy.present = c.present;
        policy.flags = c.flags;
        policy.writeError = c.writeError;
        EXPECT_EQ(LetCallbackCrashesThrough(policy), c.line);
        EXPECT_EQ(policy.written, c.written);
    }
}

TEST(CrashDumps, LogLines)
{
    EXPECT_EQ(CrashLine(0xC0000005, 0x140001234, 16, true, L"C:\\tmp\\d.dmp", 0),
              L"crash: code 0xC0000005, address 0x0000000140001234, dump C:\\tmp\\d.dmp");
    EXPECT_EQ(CrashLine(0x40000015, 0x401000, 8, false, L"C:\\tmp\\d.dmp", 5),
              L"crash: code 0x40000015, address 0x00401000, no dump (code 5)");
    EXPECT_EQ(HangLine(true, L"C:\\tmp\\d.dmp", 0), L"hang: the window has not answered for 15 s, dump C:\\tmp\\d.dmp");
    EXPECT_EQ(HangLine(false, L"", 258), L"hang: the window has not answered for 15 s, no dump (code 258)");
}

}  // namespace
