#pragma once
// One launcher per user and game.
#include <windows.h>

#include "platform/win/ScopedHandles.h"

struct LauncherSettings;

// Claims the game's instance mutex for this process (see InstanceMutexName;
// the game's names come from settings) and keeps it in mutex for as long as
// the caller holds that. True when a launcher of the same game already runs
// for this user: its window has been brought to the front (restored when
// minimised), and this process should end with code 0 without a window. A
// launcher that is closing is waited for (up to 3 s): once it has let go of
// the mutex, this one runs (false). When the mutex cannot be made at all,
// the launcher runs (false).
bool HandOverToRunningLauncher(const LauncherSettings& settings, HINSTANCE instance, ScopedKernelHandle& mutex);

// For a launcher started by the one it replaces, which still holds the
// mutex until it ends: opens the game's instance mutex into mutex without
// turning this process away, so that no third launcher comes in between.
void HoldInstanceMutex(const LauncherSettings& settings, ScopedKernelHandle& mutex);
