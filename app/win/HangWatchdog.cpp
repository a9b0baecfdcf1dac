#include "app/win/HangWatchdog.h"

#include <string>

#include "app/CrashDumps.h"
#include "app/win/CrashReporter.h"
#include "platform/Log.h"
#include "platform/win/ThreadStack.h"

namespace {

// Between two messages, and how long one may take before it counts as not
// handled.
constexpr DWORD kCheckEveryMs = 2000;
constexpr DWORD kAnswerWithinMs = 2000;

}  // namespace

HangWatchdog::HangWatchdog(HWND window, ILog* log)
    : m_window(window), m_windowThread(GetCurrentThreadId()), m_log(log)
{
    m_stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (m_stop && window != nullptr)
        m_thread.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
}

HangWatchdog::~HangWatchdog()
{
    if (!m_thread)
        return;
    SetEvent(m_stop.Get());
    // The watchdog may be waiting for this thread to handle its WM_NULL.
    HANDLE thread = m_thread.Get();
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message{};
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

DWORD WINAPI HangWatchdog::Run(void* self)
{
    GuaranteeOverflowStack();
    static_cast<HangWatchdog*>(self)->Watch();
    return 0;
}

void HangWatchdog::Watch()
{
    ULONGLONG lastAnswer = GetTickCount64();
    bool reported = false;
    while (WaitForSingleObject(m_stop.Get(), kCheckEveryMs) == WAIT_TIMEOUT) {
        DWORD_PTR result = 0;
        const bool answered = SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                                  kAnswerWithinMs, &result) != 0;
        if (answered) {
            lastAnswer = GetTickCount64();
            reported = false;
            continue;
        }
        // The window is gone: the launcher is closing.
        if (!IsWindow(m_window))
            return;
        // A crash's report holds the window's thread up (it waits for its
        // dump, or it is the thread that crashed): that dump is the one.
        if (reported || CrashReportUnderWay() || GetTickCount64() - lastAnswer < kHangSeconds * 1000ull)
            continue;
        reported = true;
        std::wstring path;
        DWORD error = 0;
        const bool written = RequestDump(m_windowThread, nullptr, path, error);
        m_log->Write(HangLine(written, path, error));
    }
}
