#pragma once
#include <string>

// Where the program's log lines go. Each call is one line: the log puts the
// time in front and keeps the text on one line. Writing never fails the
// caller: a log that cannot be written drops the line, and the program goes
// on exactly as without it. Safe to call from any thread.
//
//     log->Write(L"request: \"" + url + L"\" -> HTTP " + DecimalText(status));
class ILog {
public:
    virtual ~ILog() = default;
    virtual void Write(const std::wstring& text) = 0;
};

// A log that drops every line.
class SilentLog : public ILog {
public:
    void Write(const std::wstring&) override {}
};

// The one silent log, what a caller gets when nobody set a log. A global
// rather than a local static: it is made before the program starts, with
// no guard, so the launcher links none of the runtime's guard code.
inline SilentLog g_silentLog;

inline ILog* NoLog()
{
    return &g_silentLog;
}
