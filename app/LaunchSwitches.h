#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/LauncherHandoff.h"

// How a run of the launcher goes: with the window and the player's click
// (Normal), unattended with the window shown (Passive), or unattended with
// nothing shown at all (Quiet). An unattended run starts the road at once
// and ends on its own at the end of it.
enum class RunMode { Normal, Passive, Quiet };

// What the private dump switch asks: a minidump of the launcher with this
// process id, written into the TMP folder under fileName, naming the thread
// threadId and the exception whose EXCEPTION_POINTERS lie at
// exceptionPointers in that process (0 for none: a hang).
struct DumpRequest {
    uint32_t processId = 0;
    uint32_t threadId = 0;
    uint64_t exceptionPointers = 0;
    std::wstring fileName;
};

// The launcher's command line, read switch by switch:
//   /passive        unattended, the window shown
//   /quiet          unattended, nothing shown (wins over /passive)
//   /log=<file>     the log goes to that file instead of the TMP folder
// Switch names are case-insensitive. Blanks separate switches; double
// quotes group a part with blanks and are dropped ("/log=C:\a b\run.log"
// or /log="C:\a b\run.log"). Anything else is kept in unknown, as given,
// for the log, and otherwise ignored: a renamed or mistyped start still
// gets the window.
struct LaunchSwitches {
    RunMode mode = RunMode::Normal;
    std::wstring logFile;
    std::vector<std::wstring> unknown;
    // The private switch of the launcher's own dump writer (DumpSwitch):
    // when it is present the run does nothing else, and dumpValid says
    // whether it could be read.
    bool writeDump = false;
    bool dumpValid = false;
    DumpRequest dump;
    // The private switch of a newer launcher started by the one it
    // replaced (/updated-from=<process id>,<creation time>, docs/updates.md):
    // the road starts at once. The last well-formed one counts; a
    // malformed one is kept in unknown.
    bool updated = false;
    ProcessIdentity updatedFrom;
};

// commandLine: the arguments after the program's name (wWinMain's).
LaunchSwitches ParseLaunchSwitches(const std::wstring& commandLine);

// The private switch that asks a second copy of the launcher to write a
// dump: /write-dump=<process id>,<thread id>,<exception pointers in
// hexadecimal>,<file name>. The file name must be a dump's name
// (IsCrashDumpName); the dump writer takes no folder from its command line.
std::wstring DumpSwitch(const DumpRequest& request);
