// The launcher's command line: the unattended switches, the log file, the
// private dump switch, and what is ignored.
#include <gtest/gtest.h>

#include "app/LaunchSwitches.h"

namespace {

struct SwitchCase {
    const wchar_t* line;
    RunMode mode;
    const wchar_t* logFile;
    std::vector<std::wstring> unknown;
};

TEST(LaunchSwitches, ModesLogFileAndUnknownWords)
{
    const SwitchCase cases[] = {
        {L"", RunMode::Normal, L"", {}},
        {L"   ", RunMode::Normal, L"", {}},
        {L"/passive", RunMode::Passive, L"", {}},
        {L"/QUIET", RunMode::Quiet, L"", {}},
        {L"/passive /quiet", RunMode::Quiet, L"", {}},
        {L"/quiet\t/Passive", RunMode::Quiet, L"", {}},
        {L"/log=C:\\logs\\Run.log /passive", RunMode::Passive, L"C:\\logs\\Run.log", {}},
        {L"\"/log=C:\\a b\\run.log\"", RunMode::Normal, L"C:\\a b\\run.log", {}},
        {L"/LOG=\"C:\\a b\\run.log\" /quiet", RunMode::Quiet, L"C:\\a b\\run.log", {}},
        // An empty log file is no log file: it stays in TMP.
        {L"/log=", RunMode::Normal, L"", {L"/log="}},
        {L"/passive-ish /s -b game.exe", RunMode::Normal, L"", {L"/passive-ish", L"/s", L"-b", L"game.exe"}},
        {L"\"a b\" \"\"", RunMode::Normal, L"", {L"a b", L""}},
    };
    for (const SwitchCase& c : cases) {
        const LaunchSwitches s = ParseLaunchSwitches(c.line);
        SCOPED_TRACE(testing::Message() << "line " << testing::PrintToString(std::wstring(c.line)));
        EXPECT_EQ(s.mode, c.mode);
        EXPECT_EQ(s.logFile, c.logFile);
        EXPECT_EQ(s.unknown, c.unknown);
        EXPECT_FALSE(s.writeDump);
    }
}

TEST(LaunchSwitches, TheDumpSwitchRoundTripsAndTakesOnlyADumpsName)
{
    DumpRequest request;
    request.processId = 4294967295u;
    request.threadId = 88;
    request.exceptionPointers = 0x7FFE1234ABCDull;
    request.fileName = L"quillmerex-crash-20261211-014502-007.dmp";
    const LaunchSwitches s = ParseLaunchSwitches(L"/passive " + DumpSwitch(request));
    ASSERT_TRUE(s.writeDump);
    ASSERT_TRUE(s.dumpValid);
    EXPECT_EQ(s.dump.processId, request.processId);
    EXPECT_EQ(s.dump.threadId, request.threadId);
    EXPECT_EQ(s.dump.exceptionPointers, request.exceptionPointers);
    EXPECT_EQ(s.dump.fileName, request.fileName);

    for (const wchar_t* bad : {
             L"/write-dump=",
             L"/write-dump=12,34,0",
             L"/write-dump=0,34,0,quillmerex-crash-20261211-014502-007.dmp",      // no process
             L"/write-dump=4294967296,34,0,quillmerex-crash-20261211-014502-007.dmp",  // above 32 bits
             L"/write-dump=12,x,0,quillmerex-crash-20261211-014502-007.dmp",
             L"/write-dump=12,34,12345678901234567,quillmerex-crash-20261211-014502-007.dmp",
             L"/write-dump=12,34,0,..\\quillmerex-crash-20261211-014502-007.dmp",  // a folder
             L"/write-dump=12,34,0,C:\\Windows\\win.ini",
             L"/write-dump=12,34,0,quillmerex-crash-2026121-014502-007.dmp",
         }) {
        const LaunchSwitches b = ParseLaunchSwitches(bad);
        EXPECT_TRUE(b.writeDump) << testing::PrintToString(std::wstring(bad));
        EXPECT_FALSE(b.dumpValid) << testing::PrintToString(std::wstring(bad));
    }
}

}  // namespace

// The hand-over's private switch: the last well-formed one counts, the
// other switches keep their meaning, a malformed one is an unknown word.
TEST(LaunchSwitches, TheUpdatedFromSwitchNamesTheReplacedProcess)
{
    const LaunchSwitches s = ParseLaunchSwitches(
        L"/quiet /updated-from=12,00000000000000aa /log=x.log /UPDATED-FROM=34,00000000000000BB /updated-from=0,1");
    EXPECT_TRUE(s.updated);
    EXPECT_EQ(s.updatedFrom.id, 34u);
    EXPECT_EQ(s.updatedFrom.creationTime, 0xBBu);
    EXPECT_EQ(s.mode, RunMode::Quiet);
    EXPECT_EQ(s.logFile, L"x.log");
    EXPECT_EQ(s.unknown, std::vector<std::wstring>{L"/updated-from=0,1"});
    EXPECT_FALSE(ParseLaunchSwitches(L"/passive").updated);
}
