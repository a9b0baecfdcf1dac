// The dumps' names, the three kept, and the log lines that name them.
#include <gtest/gtest.h>

#include "app/CrashDumps.h"
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

TEST(CrashDumps, TheNewestThreeStayAndOtherFilesAreLeftAlone)
{
    FakeFileSystem files;
    files.PutDirectory(L"C:\\tmp");
    for (const wchar_t* name :
         {L"quillmerex-crash-20261211-010000-000.dmp", L"quillmerex-crash-20251211-010000-000.dmp",
          L"quillmerex-crash-20261211-010000-001.dmp", L"quillmerex-crash-my-notes.dmp",
          L"quillmerex-crash-20261210-235959-999.dmp", L"quillmerex.log"})
        files.PutFile(std::wstring(L"C:\\tmp\\") + name, {});
    KeepNewestDumps(files, L"C:\\tmp");
    EXPECT_EQ(files.Paths(), (std::vector<std::wstring>{L"C:\\tmp", L"C:\\tmp\\quillmerex-crash-20261210-235959-999.dmp",
                                                       L"C:\\tmp\\quillmerex-crash-20261211-010000-000.dmp",
                                                       L"C:\\tmp\\quillmerex-crash-20261211-010000-001.dmp",
                                                       L"C:\\tmp\\quillmerex-crash-my-notes.dmp",
                                                       L"C:\\tmp\\quillmerex.log"}));

    FakeFileSystem few;
    few.PutFile(L"C:\\tmp\\quillmerex-crash-20261211-010000-000.dmp", {});
    few.PutFile(L"C:\\tmp\\quillmerex-crash-20261211-010000-001.dmp", {});
    KeepNewestDumps(few, L"C:\\tmp");
    EXPECT_EQ(few.Paths().size(), 2u);
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
