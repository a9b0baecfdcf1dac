#pragma once
#include <windows.h>

#include <string>

#include "log/CFileLog.h"
#include "platform/win/WinLogPlatform.h"

// The log of one run of the launcher: <product name>.log in the TMP folder
// (the folder the installer is downloaded to), or the file a deployment named
// (/log=), opened first thing so that even a failed start-up is recorded,
// beginning with the program's and the system's version and ending with
// the exit code. A named file that cannot be opened leaves the log in TMP,
// which then says so.
class RunLog {
public:
    // file: the log file the command line named, or empty for TMP's.
    RunLog(HINSTANCE instance, const std::wstring& file);

    ILog* Log() { return &m_log; }

    // Records the exit code and hands it back: return log.Exit(code).
    int Exit(int code);

private:
    WinLocalClock m_clock;
    WinLogFiles m_files;
    CFileLog m_log;
};
