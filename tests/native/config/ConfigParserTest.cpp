#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "config/CIniConfig.h"

namespace {

CIniConfig ParseText(const std::string& text)
{
    CIniConfig config;
    config.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return config;
}

using Store = std::map<std::wstring, CIniConfig::Section>;

struct ParseCase {
    const char* name;
    std::string text;
    Store expected;
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << c.name;
}

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, GivesExactlyTheseSections)
{
    EXPECT_EQ(ParseText(GetParam().text).Sections(), GetParam().expected);
}

const ParseCase kParseCases[] = {
    {"BlanksAroundHeaderAndEquals", " \t[pack]\t \nk_name \t=\t value \n",
     {{L"pack", {{L"k_name", L"value"}}}}},
    {"SpacesInsideBracketsNameAnotherSection", "[ pack ]\nk=v\n", {{L" pack ", {{L"k", L"v"}}}}},
    {"HeaderTestComesBeforeKeyTest", "[a=b]\nk=v\n", {{L"a=b", {{L"k", L"v"}}}}},
    {"BracketsAloneAreNoHeader", "[a]\n[]\nk=v\n", {{L"a", {{L"k", L"v"}}}}},
    {"ValueKeepsFurtherEquals", "[a]\nurl=http://h/?x=1&y=2\n",
     {{L"a", {{L"url", L"http://h/?x=1&y=2"}}}}},
    {"EmptyValueAndEmptyKey", "[a]\nk=\n=v\n", {{L"a", {{L"k", L""}, {L"", L"v"}}}}},
    {"NoCommentSyntax", "[a]\n;c=1\n# plain\n#k=2\n", {{L"a", {{L";c", L"1"}, {L"#k", L"2"}}}}},
    {"KeysBeforeFirstHeaderDropped", "k=v\n[a]\nx=1\n", {{L"a", {{L"x", L"1"}}}}},
    {"NoHeaderGivesEmptyStore", "k=v\nx=1\n", {}},
    {"RepeatedSectionReplacedWhole", "[a]\nold=1\nboth=1\n[b]\n[a]\nboth=2\n",
     {{L"a", {{L"both", L"2"}}}, {L"b", {}}}},
    {"RepeatedKeyLaterWins", "[a]\nk=1\nk=2\n", {{L"a", {{L"k", L"2"}}}}},
    {"CaseSensitive", "[a]\nK_name=1\nk_name=2\n", {{L"a", {{L"K_name", L"1"}, {L"k_name", L"2"}}}}},
    {"EveryLineBreakKind", "[a]\r\nx=1\ry=2\nz=3\n\rw=4", 
     {{L"a", {{L"x", L"1"}, {L"y", L"2"}, {L"z", L"3"}, {L"w", L"4"}}}}},
    {"ZeroBytesAddNothing", std::string("[a]\nk=v\0al\0ue\n", 13), {{L"a", {{L"k", L"value"}}}}},
    {"OnlyBlankAndTabAreTrimmed", "[a]\nk=\x0Bv\x0C\n", {{L"a", {{L"k", L"\x0Bv\x0C"}}}}},
    {"EmptyText", "", {}},
};

INSTANTIATE_TEST_SUITE_P(Parser, ParseTable, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Parser, LeadByteTakesTheFollowingLineBreakIntoItsUnit)
{
    // 0xB0 before CR LF: the CR belongs to the unit, so the line does not end
    // there and "k=2" only starts after the LF; no character is lost.
    CIniConfig config = ParseText("[a]\nk=1\xB0\r\nx=2\n");
    std::wstring value = config.GetValue(L"a", L"k");
    ASSERT_EQ(value.size(), 3u);
    EXPECT_EQ(value[0], L'1');
    EXPECT_EQ(value[2], L'\r');
    EXPECT_EQ(config.GetValue(L"a", L"x"), L"2");
}

TEST(Parser, SecondByteOfTwoByteCharacterNeverActsAsBracket)
{
    // 0x81 0x5D is one character whose second byte is the byte of "]".
    CIniConfig config = ParseText("[a\x81]\nk=v\n[b]\n");
    EXPECT_EQ(config.Sections().size(), 1u);
    EXPECT_EQ(config.GetValue(L"b", L"k"), L"");
}

TEST(Parser, LoneLeadByteAtEndOfTextIsReadWithinTheText)
{
    // The last byte is above 0x80: it forms a unit of its own.
    CIniConfig config = ParseText("[a]\nk=v\xB0");
    std::wstring value = config.GetValue(L"a", L"k");
    ASSERT_EQ(value.size(), 2u);
    EXPECT_EQ(value[0], L'v');
}

TEST(ReadLine, ReportsWhereTheNextLineStarts)
{
    const std::string text = "ab\r\ncd\n\ref";
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    std::vector<std::pair<std::wstring, size_t>> lines;
    size_t pos = 0;
    size_t next = 0;
    std::wstring line;
    while (CIniConfig::ReadLine(bytes, pos, text.size(), next, line)) {
        lines.emplace_back(line, next);
        pos = next;
    }
    std::vector<std::pair<std::wstring, size_t>> expected = {
        {L"ab", 4}, {L"cd", 7}, {L"", 8}, {L"ef", 10}};
    EXPECT_EQ(lines, expected);
    EXPECT_FALSE(CIniConfig::ReadLine(bytes, text.size(), text.size(), next, line));
}

TEST(Lookup, MissingEntriesGiveEmptyAndAreNeverInserted)
{
    CIniConfig config = ParseText("[gurl]\n[pack]\nk=v\n");
    const Store before = config.Sections();
    EXPECT_EQ(config.GetValue(L"gurl", L"k"), L"");
    EXPECT_EQ(config.GetValue(L"none", L"k"), L"");
    EXPECT_EQ(config.GetValue(L"pack", L"K"), L"");
    EXPECT_EQ(config.Sections(), before);
}

TEST(ShippedConfiguration, HasThreeSectionsWithTheirKeys)
{
    std::ifstream in(LAUNCHER_SHIPPED_CONFIG, std::ios::binary);
    ASSERT_TRUE(in) << LAUNCHER_SHIPPED_CONFIG;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CIniConfig config = ParseText(text);
    ASSERT_EQ(config.Sections().size(), 3u);
    EXPECT_EQ(config.Sections().at(L"cver").size(), 5u);
    EXPECT_EQ(config.Sections().at(L"gurl").size(), 0u);
    EXPECT_EQ(config.Sections().at(L"pack").size(), 4u);
    EXPECT_EQ(config.GetValue(L"pack", L"k_name"), L"\u5965\u51E1\u8482\u65AF");
    EXPECT_EQ(config.GetValue(L"pack", L"k_installAppName"), L"Marnholt");
    std::wstring url = config.GetValue(L"cver", L"k_comm_url");
    EXPECT_EQ(url, config.GetValue(L"cver", L"k_beta_url"));
    EXPECT_NE(url.find(L"/package/Windows/pomvel_mini.exe"), std::wstring::npos);
    EXPECT_EQ(url.rfind(L"http://", 0), 0u);
    // Thirteen lines, every one ended by CR LF.
    size_t crlf = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i)
        crlf += text[i] == '\r' && text[i + 1] == '\n';
    EXPECT_EQ(crlf, 13u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

}  // namespace
