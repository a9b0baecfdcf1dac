#include "app/win/TestTriggers.h"

#include <windows.h>

#include <cstdlib>

#include "platform/DecimalText.h"
#include "platform/Log.h"
#include "platform/win/ScopedHandles.h"

// A base class whose constructor calls its own pure virtual function
// through a function the compiler may not look into (noipa): a real call
// through the table of virtual functions, which the compiler would
// otherwise drop as undefined behaviour.
struct PureBase {
    PureBase();
    virtual ~PureBase() = default;
    virtual void Run() = 0;
};

__attribute__((noipa)) void CallRun(PureBase* object)
{
    object->Run();
}

PureBase::PureBase()
{
    CallRun(this);
}

struct PureDerived : PureBase {
    void Run() override {}
};

namespace {

void Announce(ILog* log, const std::wstring& trigger)
{
    log->Write(L"test: " + trigger + L" on thread " + DecimalText(GetCurrentThreadId()));
}

void WriteToAddressZero()
{
    volatile uintptr_t address = 0;
    *reinterpret_cast<volatile int*>(address) = 1;
}

DWORD WINAPI CrashingThread(void* log)
{
    Announce(static_cast<ILog*>(log), L"/test-crash");
    WriteToAddressZero();
    return 0;
}

// Calls itself with a page of stack each time until the stack is gone (the
// limit only keeps the compiler from calling the recursion endless).
volatile unsigned g_depthLimit = 0xFFFFFFFF;

__attribute__((noinline)) unsigned Overflow(volatile char* caller)
{
    volatile char page[4096];
    page[0] = caller != nullptr ? caller[0] : 0;
    if (--g_depthLimit == 0)
        return page[0];
    return Overflow(page) + page[1];
}

// The window's own procedure, and the message whose handling crashes.
ILog* g_log = nullptr;
WNDPROC g_windowProcedure = nullptr;
constexpr UINT kCrashMessage = WM_APP + 0x3F0;

LRESULT CALLBACK CrashingWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kCrashMessage) {
        Announce(g_log, L"/test-crash-in-sent-message");
        WriteToAddressZero();
    }
    return CallWindowProcW(g_windowProcedure, window, message, wParam, lParam);
}

DWORD WINAPI SendingThread(void* window)
{
    SendMessageW(static_cast<HWND>(window), kCrashMessage, 0, 0);
    return 0;
}

}  // namespace

void RunTestTriggers(const std::vector<std::wstring>& switches, ILog* log, HWND window)
{
    for (const std::wstring& word : switches) {
        if (word == L"/test-crash") {
            HANDLE thread = CreateThread(nullptr, 0, CrashingThread, log, 0, nullptr);
            WaitForSingleObject(thread, INFINITE);
        } else if (word == L"/test-abort") {
            Announce(log, word);
            std::abort();
        } else if (word == L"/test-purecall") {
            Announce(log, word);
            PureDerived object;
        } else if (word == L"/test-overflow") {
            Announce(log, word);
            Overflow(nullptr);
        } else if (word == L"/test-crash-in-sent-message") {
            // The message arrives once the message loop waits for the next.
            g_log = log;
            g_windowProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
                window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CrashingWindowProcedure)));
            ScopedKernelHandle sender(CreateThread(nullptr, 0, SendingThread, window, 0, nullptr));
        } else if (word == L"/test-hang") {
            Announce(log, word);
            Sleep(20 * 1000);
            log->Write(L"test: /test-hang over");
        }
    }
}
