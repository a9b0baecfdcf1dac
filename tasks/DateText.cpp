#include "tasks/DateText.h"

#include "platform/AsciiText.h"
#include "platform/DecimalText.h"

namespace {

// Days from 1970-01-01 to the given date (years 1970 to 9999) of the
// Gregorian calendar. 32-bit arithmetic: the program's 64-bit divisions
// would each call into the runtime library.
int32_t DaysFromCivil(int32_t year, int32_t month, int32_t day)
{
    year -= month <= 2 ? 1 : 0;
    const int32_t era = year / 400;
    const int32_t yearOfEra = year - era * 400;
    const int32_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int32_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool IsLeapYear(int32_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t DaysInMonth(int32_t year, int32_t month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// digits decimal digits of text at pos, or -1.
int32_t Digits(const std::string& text, size_t pos, size_t digits)
{
    uint64_t value = 0;
    size_t end = pos;
    if (!ReadNumber(text, end, value, NumberForm{10, UINT64_MAX, digits}) || end != pos + digits)
        return -1;
    return static_cast<int32_t>(value);
}

bool ToSeconds(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second,
               int64_t& seconds)
{
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    seconds = static_cast<int64_t>(DaysFromCivil(year, month, day)) * 86400 + (hour * 3600 + minute * 60 + second);
    return true;
}

}  // namespace

bool ParseUtcTime(const std::string& text, int64_t& seconds)
{
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return false;
    return ToSeconds(Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2), Digits(text, 11, 2),
                     Digits(text, 14, 2), Digits(text, 17, 2), seconds);
}

bool ParseHttpDate(const std::wstring& wide, int64_t& seconds)
{
    // IMF-fixdate, the form every current server sends:
    // "Sun, 06 Nov 1994 08:49:37 GMT".
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::string text;
    if (!NarrowAscii(wide, text) || text.size() != 29 || text.compare(3, 2, ", ") != 0 || text[7] != ' ' ||
        text[11] != ' ' || text[16] != ' ' || text[19] != ':' || text[22] != ':' || text.compare(25, 4, " GMT") != 0)
        return false;
    int32_t month = 0;
    for (int32_t m = 0; m < 12; ++m) {
        if (text.compare(8, 3, kMonths[m]) == 0)
            month = m + 1;
    }
    return ToSeconds(Digits(text, 12, 4), month, Digits(text, 5, 2), Digits(text, 17, 2), Digits(text, 20, 2),
                     Digits(text, 23, 2), seconds);
}

namespace download {

std::wstring UtcText(int64_t seconds)
{
    // Days since 1970 to a civil date (proleptic Gregorian calendar).
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    // "-MM-DD HH:MM:SS UTC" after the year, two digits each.
    wchar_t tail[] = L"-00-00 00:00:00 UTC";
    const int64_t twoDigits[] = {month, day, rest / 3600, rest / 60 % 60, rest % 60};
    for (int i = 0; i < 5; ++i) {
        tail[1 + 3 * i] = static_cast<wchar_t>(L'0' + twoDigits[i] / 10);
        tail[2 + 3 * i] = static_cast<wchar_t>(L'0' + twoDigits[i] % 10);
    }
    return DecimalText(year) + tail;
}

}  // namespace download
