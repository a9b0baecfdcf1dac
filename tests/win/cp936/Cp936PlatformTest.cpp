// The code page 936 table against the platform's own conversion, unit by
// unit: every one-byte unit and every pair of bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/Cp936.h"

namespace {

// The platform's strict answer for a unit: its character when strict
// conversion gives exactly one, else 0.
uint16_t PlatformStrict(const uint8_t* unit, int length)
{
    wchar_t out[4] = {};
    int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(unit),
                                length, out, 4);
    return n == 1 ? static_cast<uint16_t>(out[0]) : 0;
}

std::string Hex(const uint8_t* unit, size_t length)
{
    char text[16];
    if (length == 1)
        std::snprintf(text, sizeof text, "%02X", unit[0]);
    else
        std::snprintf(text, sizeof text, "%02X%02X", unit[0], unit[1]);
    return text;
}

// Collects the units on which two conversions differ, so that one failure
// lists the first few instead of thousands of lines.
class Mismatches {
public:
    void Add(const uint8_t* unit, size_t length, unsigned got, unsigned expected)
    {
        if (m_count++ < 16) {
            char text[64];
            std::snprintf(text, sizeof text, "%s: %04X, expected %04X\n", Hex(unit, length).c_str(),
                          got, expected);
            m_first += text;
        }
    }
    size_t Count() const { return m_count; }
    const std::string& First() const { return m_first; }

private:
    size_t m_count = 0;
    std::string m_first;
};

TEST(Cp936Platform, TableGivesWhatStrictConversionGivesForEveryUnit)
{
    Mismatches mismatches;
    size_t definedOne = 0;
    size_t definedTwo = 0;
    for (unsigned b = 0; b <= 0xFF; ++b) {
        const uint8_t unit[1] = {static_cast<uint8_t>(b)};
        uint16_t platform = PlatformStrict(unit, 1);
        uint16_t table = Cp936TableLookup(unit, 1);
        definedOne += platform != 0;
        if (table != platform)
            mismatches.Add(unit, 1, table, platform);
    }
    for (unsigned lead = 0; lead <= 0xFF; ++lead) {
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            const uint8_t unit[2] = {static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)};
            uint16_t platform = PlatformStrict(unit, 2);
            uint16_t table = Cp936TableLookup(unit, 2);
            definedTwo += platform != 0;
            if (table != platform)
                mismatches.Add(unit, 2, table, platform);
        }
    }
    EXPECT_EQ(mismatches.Count(), 0u) << mismatches.First();
    // 0x01..0x80 (the zero byte converts to U+0000, counted as 0), and all
    // 126 x 190 two-byte cells: the comparison above is not vacuous.
    EXPECT_EQ(definedOne, 0x80u);
    EXPECT_EQ(definedTwo, 126u * 190u);
}

TEST(Cp936Platform, ByteFFMapsIntoPrivateUseButStrictConversionRefusesIt)
{
    // Why the table leaves 0xFF undefined: the code page maps it to U+F8F5,
    // and strict conversion refuses a single byte that maps into the
    // private-use area. The user-defined two-byte cells are accepted.
    const uint8_t ff[1] = {0xFF};
    wchar_t out[4] = {};
    ASSERT_EQ(MultiByteToWideChar(936, 0, reinterpret_cast<const char*>(ff), 1, out, 4), 1);
    EXPECT_EQ(out[0], L'\xF8F5');
    EXPECT_EQ(MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(ff), 1,
                                  out, 4),
              0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    const uint8_t userDefined[2] = {0xAA, 0xA1};
    EXPECT_EQ(PlatformStrict(userDefined, 2), 0xE000);
}

TEST(Cp936Platform, WindowsConversionAgreesWithThePortableOneOnEveryUnit)
{
    // AppendCp936Unit of this build asks the system; the portable build
    // uses the table. Both must give the same text for every unit the
    // parser can form, undefined ones included.
    Mismatches mismatches;
    auto compare = [&](const uint8_t* unit, size_t length) {
        std::wstring windows;
        std::wstring portable;
        AppendCp936Unit(windows, unit, length);
        AppendCp936UnitFromTable(portable, unit, length);
        if (windows != portable) {
            unsigned got = windows.empty() ? 0 : windows[0];
            unsigned expected = portable.empty() ? 0 : portable[0];
            mismatches.Add(unit, length, got, expected);
        }
    };
    for (unsigned b = 0; b <= 0xFF; ++b) {
        const uint8_t unit[1] = {static_cast<uint8_t>(b)};
        compare(unit, 1);
    }
    for (unsigned lead = 0x81; lead <= 0xFF; ++lead) {
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            const uint8_t unit[2] = {static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)};
            compare(unit, 2);
        }
    }
    EXPECT_EQ(mismatches.Count(), 0u) << mismatches.First();
}

}  // namespace
