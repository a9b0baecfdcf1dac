#pragma once
#include <cstdint>

#include "tasks/Failure.h"

// How the road of an unattended run ended; each value is the exit code
// that tells it to the deployment that started the launcher.
enum class RoadOutcome : int32_t {
    GameStarted = 0,       // the game was started
    StartUpFailed = 1,     // the launcher could not start (GDI+, its window), or the game could not be started
    NetworkFailed = 2,     // the download failed on the network or at the server
    Crashed = 3,           // the launcher crashed (a dump was written; app/win/CrashReporter.cpp)
    DiskFailed = 4,        // no space for the installer, or it could not be created or written
    Refused = 5,           // the installer's checks refused it (digest, signature, manifest)
    InstallerFailed = 6,   // the installer could not run, failed, or left no game behind
    ElevationRefused = 7,  // the administrator prompt was refused
    WindowClosed = 8,      // the window was closed before the road's end
};

constexpr int ExitCodeFor(RoadOutcome outcome)
{
    return static_cast<int>(outcome);
}

// The outcome of a road that stopped with a failure of this kind, found by
// a worker or by the launcher itself (the checks before a download, the
// game's start).
RoadOutcome OutcomeOf(FailureKind kind);

// The process's exit code at the end of the message loop. A player's run
// ends with the loop's own code (0 after a close, whatever the road did);
// an unattended run tells how its road ended, or that the window was
// closed before that.
int RunExitCode(bool unattended, bool roadEnded, RoadOutcome outcome, int loopCode);
