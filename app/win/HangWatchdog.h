#pragma once
// The hang watchdog: a thread that sends the window a WM_NULL every two
// seconds (SendMessageTimeout, which gives up at once on a thread the
// system already counts as hung). When the window's thread has not
// handled one for 15 s it writes a dump of the launcher as a crash does
// (see CrashReporter.h) and logs
//     hang: the window has not answered for 15 s, dump <path>
// once per hang, and leaves the process running; the next hang is watched
// for once the window has answered again.
#include <windows.h>

#include "platform/win/ScopedHandles.h"

class ILog;

class HangWatchdog {
public:
    // Watches window, which belongs to the calling thread; log must outlive
    // the watchdog.
    HangWatchdog(HWND window, ILog* log);
    // Stops the thread and waits for it, handling the messages it sends to
    // this thread's windows meanwhile.
    ~HangWatchdog();
    HangWatchdog(const HangWatchdog&) = delete;
    HangWatchdog& operator=(const HangWatchdog&) = delete;

private:
    static DWORD WINAPI Run(void* self);
    void Watch();

    HWND m_window;
    DWORD m_windowThread;
    ILog* m_log;
    ScopedKernelHandle m_stop;
    ScopedKernelHandle m_thread;
};
