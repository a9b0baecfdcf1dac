#pragma once
#include <string>
#include <vector>

#include "platform/LocalClock.h"

// One line of the log in UTF-8: "YYYY-MM-DD hh:mm:ss.mmm ", the text, CR LF.
// Line breaks and other control characters inside the text become blanks,
// so that one event is always one line.
std::vector<char> FormatLogLine(const LocalTime& time, const std::wstring& text);
