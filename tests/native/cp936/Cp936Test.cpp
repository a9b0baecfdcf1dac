#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "config/CIniConfig.h"
#include "config/Cp936.h"

namespace {

std::wstring Convert(const std::vector<uint8_t>& unit)
{
    std::wstring out;
    AppendCp936Unit(out, unit.data(), unit.size());
    return out;
}

struct UnitCase {
    std::vector<uint8_t> unit;
    std::wstring expected;
};

TEST(Cp936, KnownUnitsBecomeWhatWindowsGives)
{
    const UnitCase cases[] = {
        {{0x41}, L"A"},
        {{0x7F}, L"\x7F"},
        {{0x80}, L"\x20AC"},          // the euro sign, one byte
        {{0x81, 0x40}, L"\x4E02"},    // first two-byte cell
        {{0xB0, 0xA1}, L"\x554A"},    // a common hanzi
        {{0xA1, 0xA1}, L"\x3000"},    // ideographic space
        {{0xA3, 0xA4}, L"\xFFE5"},    // full-width yuan sign
        {{0xA2, 0xE3}, L"\xE76C"},    // not the euro sign in this code page
        {{0xAA, 0xA1}, L"\xE000"},    // first user-defined cell
        {{0xFE, 0xFE}, L"\xE4C5"},    // last user-defined cell
        {{0xA1, 0x40}, L"\xE4C6"},    // user-defined, second bytes below 0xA1
        {{0xFE, 0xA0}, L"\xE864"},    // the last private-use character
        {{0xFE, 0x40}, L"\xFA0C"},
        {{0x81, 0x5B}, L"\x4E55"},    // second byte is the byte of "["
        {{0x81, 0x5D}, L"\x4E5A"},    // second byte is the byte of "]"
        {{0x81, 0x7E}, L"\x4E8A"},    // last second byte before the gap at 0x7F
        {{0x81, 0x80}, L"\x4E90"},    // first second byte after it
        {{0x81, 0xFE}, L"\x4FA2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.unit));
        EXPECT_EQ(Convert(c.unit), c.expected);
    }
}

TEST(Cp936, UndefinedUnitsBecomeReplacementKeepingOnlyLineBreaks)
{
    const UnitCase cases[] = {
        {{0x00}, L""},                       // the zero byte adds nothing
        {{0xFF}, L"\xFFFD"},                 // strict conversion refuses it
        {{0x81}, L"\xFFFD"},                 // lead byte alone at the end of the text
        {{0xFE}, L"\xFFFD"},
        {{0x81, 0x0D}, L"\xFFFD\r"},
        {{0x81, 0x0A}, L"\xFFFD\n"},
        {{0xFF, 0x0A}, L"\xFFFD\n"},
        {{0x81, 0x00}, L"\xFFFD"},
        {{0x81, 0x3D}, L"\xFFFD"},           // "=" is no second byte
        {{0x81, 0x20}, L"\xFFFD"},
        {{0x81, 0x7F}, L"\xFFFD"},
        {{0x81, 0xFF}, L"\xFFFD"},
        {{0xFF, 0x5B}, L"\xFFFD"},           // 0xFF leads nothing
        {{0xFF, 0x41}, L"\xFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.unit));
        EXPECT_EQ(Convert(c.unit), c.expected);
    }
}

TEST(Cp936, NoTwoByteUnitYieldsStructureOrLosesALineBreak)
{
    // Every two-byte unit gives one character, or U+FFFD with its second
    // byte kept only when that byte is CR or LF; never "[", "]", "=" or a
    // line break of its own making.
    for (unsigned lead = 0x81; lead <= 0xFF; ++lead) {
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            const uint8_t unit[2] = {static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)};
            std::wstring out;
            AppendCp936Unit(out, unit, 2);
            bool lineBreak = trail == 0x0D || trail == 0x0A;
            bool ok = out.size() == 1 ? out[0] >= 0x80 && out[0] != 0xFFFD
                                      : out.size() == 2 && lineBreak && out[0] == 0xFFFD &&
                                            out[1] == static_cast<wchar_t>(trail);
            if (out == L"\xFFFD")
                ok = !lineBreak;
            ASSERT_TRUE(ok) << std::hex << lead << " " << trail;
        }
    }
}

TEST(Cp936, PrivateUseCellsFillExactlyE000ToE864)
{
    // Windows gives each of its 2149 user-defined and unassigned cells its
    // own character from U+E000 to U+E864, and all 23940 cells are distinct.
    std::set<uint16_t> all;
    std::set<uint16_t> privateUse;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const uint8_t unit[2] = {static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)};
            uint16_t ch = Cp936TableLookup(unit, 2);
            ASSERT_NE(ch, 0) << std::hex << lead << " " << trail;
            all.insert(ch);
            if (ch >= 0xE000 && ch <= 0xF8FF)
                privateUse.insert(ch);
        }
    }
    EXPECT_EQ(all.size(), 126u * 190u);
    ASSERT_EQ(privateUse.size(), 0xE865u - 0xE000u);
    EXPECT_EQ(*privateUse.begin(), 0xE000);
    EXPECT_EQ(*privateUse.rbegin(), 0xE864);
}

TEST(Cp936Parser, UndefinedUnitsNeitherOpenSectionsNorSplitKeys)
{
    // 0xFF takes the "]" and "=" after it into an undefined unit: the first
    // line is no header, the second no key line, so "k" stays in [a].
    const std::string text =
        "[a]\r\n"
        "[b\xFF]\r\n"
        "x\xFF=1\r\n"
        "k=\xAA\xA1\xFE\xFE\xB0\xA1\x80\r\n";
    CIniConfig config;
    config.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    ASSERT_EQ(config.Sections().size(), 1u);
    const CIniConfig::Section expected = {{L"k", L"\xE000\xE4C5\x554A\x20AC"}};
    EXPECT_EQ(config.Sections().at(L"a"), expected);
}

TEST(Cp936Parser, UndefinedUnitBeforeCrLfKeepsTheLineBreakCharacter)
{
    // 0x81 takes the CR into its unit; the LF still ends the line, so the
    // following key is read and the CR survives as a character.
    const std::string text = "[a]\r\nk=\x81\r\nx=1\r\n";
    CIniConfig config;
    config.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    EXPECT_EQ(config.GetValue(L"a", L"k"), L"\xFFFD\r");
    EXPECT_EQ(config.GetValue(L"a", L"x"), L"1");
}

}  // namespace
