#pragma once
// Crash dumps. A launcher that crashes (an unhandled exception; abort(),
// where the runtime's throw paths end; a pure virtual call) starts a second
// copy of itself with the private dump switch. That copy opens the first by
// its process id, checks that it is this same program, writes a minidump of
// it into the TMP folder (MiniDumpWriteDump, dbghelp.dll loaded from the
// system folder only then) and keeps the newest three. The crashing
// launcher logs
//     crash: code 0x…, address 0x…, dump <path>
// and ends with exit code 3 (RoadOutcome::Crashed). A dump is written by another process because
// a crashed process cannot be trusted to walk its own memory: its heap or
// its loader lock may be what broke.
#include <windows.h>

#include <string>

#include "app/LaunchSwitches.h"

class ILog;

// What abort() is reported as: STATUS_FATAL_APP_EXIT, the code the
// system's runtime ends a process with on a fatal error of its own.
constexpr DWORD kAbortExceptionCode = 0x40000015;
// What a pure virtual call is reported as (an application's own code).
constexpr DWORD kPureCallExceptionCode = 0xE0000001;

// The handlers for the whole process, set for as long as the object lives;
// made first thing on the main thread. They also take every crash the
// system would otherwise keep from them: the stack a stack overflow's
// report needs is kept in reserve on this thread (and on every thread the
// program makes), and the filter that swallows crashes in window
// procedures called back from the kernel is turned off (logged). log is
// written to from the crashing thread and must outlive the object; after
// it, a crash still writes its dump and ends with code 3, unlogged.
class CrashHandlers {
public:
    explicit CrashHandlers(ILog* log);
    ~CrashHandlers();
    CrashHandlers(const CrashHandlers&) = delete;
    CrashHandlers& operator=(const CrashHandlers&) = delete;
};

// True from the moment a thread begins to report a crash: the process is
// about to end, and a hang of its window then is no hang of its own.
bool CrashReportUnderWay();

// Starts the dump writer for this process and waits for it (a minute at
// most): a dump naming the thread threadId, with the exception at pointers
// (null for none: a hang). True when it wrote one, with its path; false
// with the writer's or the system's code otherwise.
bool RequestDump(DWORD threadId, EXCEPTION_POINTERS* pointers, std::wstring& path, DWORD& error);

// The dump writer, run for the private switch: writes the dump the request
// asks for, if the process it names is this same program. Returns the
// exit code: 0 when the dump was written, else the system's error code
// (5 for a process that is no launcher).
int WriteDumpFor(const DumpRequest& request);
