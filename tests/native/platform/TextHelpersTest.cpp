// The small text helpers: one way to read a number, hexadecimal both ways,
// ASCII case, blanks and narrowing.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/AsciiText.h"
#include "platform/DecimalText.h"
#include "platform/HexText.h"

namespace {

// The forms the program reads numbers in.
const NumberForm kDecimal{};                                        // manifest fields, Retry-After
const NumberForm kByteCount{10, 0x7FFFFFFFFFFFFFFFull, 19};         // the resume record
const NumberForm kContentLength{10, 0x7FFFFFFFFFFFFFFFull};         // Content-Length
const NumberForm kSerial{10, UINT64_MAX, 20};                       // the remembered serial
const NumberForm kProcessId{10, UINT32_MAX, 20};                    // the dump switch
const NumberForm kPointer{16, UINT64_MAX, 20};                      // the dump switch

struct NumberCase {
    const char* name;
    const wchar_t* text;
    NumberForm form;
    bool accepted;
    uint64_t value;
};

}  // namespace

TEST(TextHelpers, NumbersAreReadWhole)
{
    const NumberCase cases[] = {
        {"empty", L"", kDecimal, false, 0},
        {"zero", L"0", kDecimal, true, 0},
        {"leading zeros", L"007", kDecimal, true, 7},
        {"largest", L"18446744073709551615", kDecimal, true, UINT64_MAX},
        {"one above 64 bits", L"18446744073709551616", kDecimal, false, 0},
        {"far above 64 bits", L"99999999999999999999999", kDecimal, false, 0},
        {"plus sign", L"+1", kDecimal, false, 0},
        {"minus sign", L"-1", kDecimal, false, 0},
        {"blank before", L" 1", kDecimal, false, 0},
        {"blank after", L"1 ", kDecimal, false, 0},
        {"letter after", L"12a", kDecimal, false, 0},
        {"full-width digit", L"\xFF11", kDecimal, false, 0},
        {"hex letters in a decimal", L"ff", kDecimal, false, 0},
        {"byte count at 2^63 - 1", L"9223372036854775807", kByteCount, true, 0x7FFFFFFFFFFFFFFFull},
        {"byte count at 2^63", L"9223372036854775808", kByteCount, false, 0},
        {"byte count of 20 digits", L"00000000000000000001", kByteCount, false, 0},
        {"length: leading zeros beyond 19 digits", L"000000000000000000000042", kContentLength, true, 42},
        {"length at 2^63", L"9223372036854775808", kContentLength, false, 0},
        {"serial of 20 digits", L"00000000000000000042", kSerial, true, 42},
        {"serial of 21 digits", L"000000000000000000042", kSerial, false, 0},
        {"process id at 2^32 - 1", L"4294967295", kProcessId, true, UINT32_MAX},
        {"process id at 2^32", L"4294967296", kProcessId, false, 0},
        {"pointer in lower case", L"7ffe0a10", kPointer, true, 0x7FFE0A10},
        {"pointer in upper case", L"FFFFFFFFFFFFFFFF", kPointer, true, UINT64_MAX},
        {"pointer above 64 bits", L"10000000000000000", kPointer, false, 0},
        {"pointer with 0x", L"0x10", kPointer, false, 0},
        {"pointer with g", L"1g", kPointer, false, 0},
    };
    for (const NumberCase& c : cases) {
        uint64_t value = 12345;
        EXPECT_EQ(ParseNumber(std::wstring(c.text), value, c.form), c.accepted) << c.name;
        if (c.accepted) {
            EXPECT_EQ(value, c.value) << c.name;
        }
    }
}

TEST(TextHelpers, ANumberIsReadFromWhereItStartsToWhereItEnds)
{
    const std::wstring range = L"bytes 12-345/1000";
    size_t pos = 6;
    uint64_t value = 0;
    ASSERT_TRUE(ReadNumber(range, pos, value));
    EXPECT_EQ(value, 12u);
    EXPECT_EQ(pos, 8u);
    EXPECT_FALSE(ReadNumber(range, pos, value)) << "no digit at the dash";
    EXPECT_EQ(pos, 8u);

    // A field of fixed width stops at its width, in narrow texts too.
    const std::string date = "20270131";
    pos = 0;
    ASSERT_TRUE(ReadNumber(date, pos, value, NumberForm{10, UINT64_MAX, 4}));
    EXPECT_EQ(value, 2027u);
    EXPECT_EQ(pos, 4u);
    pos = date.size();
    EXPECT_FALSE(ReadNumber(date, pos, value)) << "nothing left";
}

TEST(TextHelpers, HexadecimalIsWrittenInTheCaseAskedAndReadInEither)
{
    EXPECT_EQ(HexText(0, 1), L"0");
    EXPECT_EQ(HexText(0, 0), L"");
    EXPECT_EQ(HexText(0xC0000005u, 8), L"C0000005");
    EXPECT_EQ(HexText(0xAB, 4, HexCase::Lower), L"00ab");
    EXPECT_EQ(HexText(0x1234, 2), L"1234") << "more digits than asked where the value needs them";
    EXPECT_EQ(HexText(UINT64_MAX, 1), L"FFFFFFFFFFFFFFFF");

    const std::wstring digits = L"0123456789abcdefABCDEF";
    const int values[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15};
    for (size_t i = 0; i < digits.size(); ++i)
        EXPECT_EQ(HexValue(digits[i]), values[i]) << static_cast<char>(digits[i]);
    for (wchar_t c : std::wstring(L"/:@`gG \xFF10"))
        EXPECT_EQ(HexValue(c), -1) << static_cast<int>(c);
}

TEST(TextHelpers, AsciiCaseBlanksAndNarrowingLeaveOtherCharactersAlone)
{
    EXPECT_EQ(AsciiLowered(L"HTTPS://Ex.AZ/@[`{\x00C4\x0130"), L"https://ex.az/@[`{\x00C4\x0130");
    EXPECT_EQ(TrimmedBlanks(L" \t a b \r\n"), L"a b");
    EXPECT_EQ(TrimmedBlanks(L" \t\r\n"), L"");
    EXPECT_EQ(TrimmedBlanks(L"\x3000x\x3000"), L"\x3000x\x3000") << "only ASCII blanks";

    std::string narrow = "left over";
    EXPECT_TRUE(NarrowAscii(L"Sun, 06 Nov\x01~", narrow));
    EXPECT_EQ(narrow, "Sun, 06 Nov\x01~");
    EXPECT_FALSE(NarrowAscii(L"a\x7F", narrow));
    EXPECT_FALSE(NarrowAscii(L"\x4E0B", narrow));
}
