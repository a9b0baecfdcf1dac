#include "log/LogLine.h"

#include "log/Utf8.h"
#include "platform/AsciiText.h"

namespace {

// The number with at least width digits, zeros in front.
void AppendPadded(std::vector<char>& out, unsigned value, int width)
{
    char digits[8];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && count < 8);
    for (int i = count; i < width; ++i)
        out.push_back('0');
    while (count > 0)
        out.push_back(digits[--count]);
}

}  // namespace

std::vector<char> FormatLogLine(const LocalTime& time, const std::wstring& text)
{
    std::vector<char> line;
    line.reserve(32 + text.size() * 3);
    AppendPadded(line, time.year, 4);
    line.push_back('-');
    AppendPadded(line, time.month, 2);
    line.push_back('-');
    AppendPadded(line, time.day, 2);
    line.push_back(' ');
    AppendPadded(line, time.hour, 2);
    line.push_back(':');
    AppendPadded(line, time.minute, 2);
    line.push_back(':');
    AppendPadded(line, time.second, 2);
    line.push_back('.');
    AppendPadded(line, time.milliseconds, 3);
    line.push_back(' ');

    std::wstring oneLine = text;
    for (wchar_t& c : oneLine) {
        if (IsControlCharacter(c))
            c = L' ';
    }
    AppendUtf8(line, oneLine);
    line.push_back('\r');
    line.push_back('\n');
    return line;
}
