#include "app/win/TestTriggers.h"

#include <windows.h>

#include <cstdlib>

#include "platform/DecimalText.h"
#include "platform/Log.h"

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

DWORD WINAPI CrashingThread(void* log)
{
    Announce(static_cast<ILog*>(log), L"/test-crash");
    volatile uintptr_t address = 0;
    *reinterpret_cast<volatile int*>(address) = 1;
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

}  // namespace

void RunTestTriggers(const std::vector<std::wstring>& switches, ILog* log)
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
        } else if (word == L"/test-hang") {
            Announce(log, word);
            Sleep(20 * 1000);
            log->Write(L"test: /test-hang over");
        }
    }
}
