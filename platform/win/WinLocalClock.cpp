#include <windows.h>

#include "platform/win/WinLogPlatform.h"

LocalTime WinLocalClock::Now()
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    LocalTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.milliseconds = now.wMilliseconds;
    return time;
}
