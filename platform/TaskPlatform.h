#pragma once
// The seams a download or an install uses, handed to the task manager by
// whoever makes it and by the manager to each worker it makes. None is
// owned here.
//
// One rule for every seam: a null pointer means the seam is absent. The
// seams the system always has (the clocks, the random source) start as the
// system's own, so a test replaces them and nobody leaves them null.
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Random.h"
#include "platform/WallClock.h"

class IHttpClient;
class IFileSystem;
class IProcessRunner;
class IFileTrust;
class IRegistry;
class ISignatureVerifier;

struct TaskPlatform {
    IHttpClient* http = nullptr;
    IFileSystem* files = nullptr;
    IProcessRunner* processes = nullptr;
    // Checks of the installer; absent is fine only when the configuration
    // pins nothing.
    IFileTrust* trust = nullptr;
    // The download manifest's signature check, and where its serial and
    // the last good address are kept; absent is fine only without a
    // manifest (an absent verifier refuses every manifest).
    ISignatureVerifier* verifier = nullptr;
    IRegistry* registry = nullptr;
    ILog* log = NoLog();
    // Pauses and deadlines, the calendar date (certificate dates, the
    // manifest's expiry, stale folders), and the random source of the
    // download folder's name and of the pauses before retries.
    IClock* clock = &SystemClock();
    IWallClock* wallClock = &SystemWallClock();
    IRandom* random = &SystemRandom();
};
