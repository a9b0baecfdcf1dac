// The log file: what one line looks like, when the file is renamed, and a
// log that cannot be written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/CFileLog.h"
#include "log/LogLine.h"
#include "tests/fakes/FakeLog.h"

namespace {

const std::wstring kFolder = L"C:\\users\\player\\Temp";
const std::wstring kLog = kFolder + L"\\quillmerex.log";
const std::wstring kOldLog = kFolder + L"\\quillmerex.1.log";

struct LineCase {
    const char* name;
    LocalTime time;
    std::wstring text;
    std::string line;
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << c.name;
}

class LogLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(LogLine, TimestampThenUtf8TextOnOneLine)
{
    const std::vector<char> line = FormatLogLine(GetParam().time, GetParam().text);
    EXPECT_EQ(std::string(line.begin(), line.end()), GetParam().line);
}

const LineCase kLines[] = {
    {"Plain", {2024, 3, 5, 7, 8, 9, 10}, L"exit: code 0", "2024-03-05 07:08:09.010 exit: code 0\r\n"},
    {"PaddedFields", {987, 12, 31, 23, 59, 0, 5}, L"x", "0987-12-31 23:59:00.005 x\r\n"},
    {"Chinese", {2024, 1, 1, 0, 0, 0, 999}, L"status: 下载完毕",
     "2024-01-01 00:00:00.999 status: \xE4\xB8\x8B\xE8\xBD\xBD\xE5\xAE\x8C\xE6\xAF\x95\r\n"},
    // U+1F600 as UTF-16 units, as a Windows string holds it.
    {"SurrogatePair", {2024, 1, 1, 0, 0, 0, 0}, std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)},
     "2024-01-01 00:00:00.000 \xF0\x9F\x98\x80\r\n"},
    {"LoneSurrogate", {2024, 1, 1, 0, 0, 0, 0}, std::wstring{L'a', wchar_t(0xDC00), L'b'},
     "2024-01-01 00:00:00.000 a\xEF\xBF\xBD" "b\r\n"},
    // A text with line breaks (an address, a server's words) stays one line.
    {"BreaksBecomeBlanks", {2024, 1, 1, 0, 0, 0, 0}, L"a\r\nb\tc", "2024-01-01 00:00:00.000 a  b c\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Log, LogLine, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

struct FileLog : ::testing::Test {
    FakeLocalClock clock;
    FakeLogFiles files;
    CFileLog log{clock, files};
};

TEST_F(FileLog, EachRunAppendsToTheSameFile)
{
    files.Put(kLog, "2024-03-04 10:00:00.000 exit: code 0\r\n");
    ASSERT_TRUE(log.Open(kFolder));
    log.Write(L"start");
    log.Write(L"exit: code 0");
    EXPECT_EQ(files.Lines(kLog), (std::vector<std::string>{"2024-03-04 10:00:00.000 exit: code 0",
                                                          "2024-03-05 07:08:09.010 start",
                                                          "2024-03-05 07:08:09.011 exit: code 0"}));
    EXPECT_FALSE(files.Exists(kOldLog));
}

// Rotation happens only above 1 MB, and keeps one old file: the one before
// is replaced.
TEST_F(FileLog, AFileAboveOneMegabyteIsRenamedAndANewOneBegun)
{
    files.Put(kOldLog, "older");
    files.Put(kLog, std::string(CFileLog::kRotateAbove, 'x'));
    ASSERT_TRUE(log.Open(kFolder));
    EXPECT_EQ(files.Content(kOldLog), "older") << "exactly 1 MB is not above it";
    log.Write(L"next");
    const std::string full = files.Content(kLog);
    ASSERT_GT(full.size(), CFileLog::kRotateAbove);

    CFileLog nextRun(clock, files);
    ASSERT_TRUE(nextRun.Open(kFolder));
    nextRun.Write(L"fresh");
    EXPECT_EQ(files.Content(kOldLog), full);
    EXPECT_EQ(files.Lines(kLog), (std::vector<std::string>{"2024-03-05 07:08:09.011 fresh"}));
}

TEST_F(FileLog, AFailedRenameKeepsAppendingToTheOldFile)
{
    files.Put(kLog, std::string(CFileLog::kRotateAbove, 'x') + "\r\n");
    files.replaceFails = true;
    ASSERT_TRUE(log.Open(kFolder));
    log.Write(L"line");
    EXPECT_EQ(files.Lines(kLog).back(), "2024-03-05 07:08:09.010 line");
    EXPECT_FALSE(files.Exists(kOldLog));
}

TEST_F(FileLog, ALogThatCannotBeOpenedOrWrittenDropsItsLines)
{
    files.openFails = true;
    EXPECT_FALSE(log.Open(kFolder));
    log.Write(L"dropped");
    EXPECT_FALSE(files.Exists(kLog));

    // No folder: nothing is opened, least of all in the root of a drive.
    files.openFails = false;
    EXPECT_FALSE(log.Open(L""));
    log.Write(L"dropped");
    EXPECT_FALSE(files.Exists(L"\\quillmerex.log"));

    ASSERT_TRUE(log.Open(kFolder));
    files.appendFails = true;
    log.Write(L"dropped");
    files.appendFails = false;
    log.Write(L"kept");
    EXPECT_EQ(files.Lines(kLog).size(), 1u);
}

}  // namespace

// A file a deployment names (/log=) is appended to as it is, however large:
// it is the deployment's to rotate.
TEST_F(FileLog, ANamedFileIsAppendedToAndNeverRotated)
{
    const std::wstring named = L"D:\\deploy\\orvantis.log";
    files.Put(named, std::string(CFileLog::kRotateAbove + 10, 'x') + "\r\n");
    ASSERT_TRUE(log.OpenFile(named));
    log.Write(L"start");
    EXPECT_EQ(files.Lines(named).back(), "2024-03-05 07:08:09.010 start");
    EXPECT_GT(files.Content(named).size(), CFileLog::kRotateAbove + 10);
    EXPECT_FALSE(files.Exists(L"D:\\deploy\\quillmerex.1.log"));
    EXPECT_FALSE(files.Exists(kLog));

    EXPECT_FALSE(log.OpenFile(L""));
    files.openFails = true;
    EXPECT_FALSE(log.OpenFile(named));
}
