#pragma once
#include <windows.h>

#include "log/CFileLog.h"
#include "platform/win/WinLogPlatform.h"

// The log of one run of the launcher: quillmerex.log in the TMP folder (the
// folder the installer is downloaded to), opened first thing so that even a
// failed start-up is recorded, beginning with the program's and the
// system's version and ending with the exit code.
class RunLog {
public:
    explicit RunLog(HINSTANCE instance);

    ILog* Log() { return &m_log; }

    // Records the exit code and hands it back: return log.Exit(code).
    int Exit(int code);

private:
    WinLocalClock m_clock;
    WinLogFiles m_files;
    CFileLog m_log;
};
