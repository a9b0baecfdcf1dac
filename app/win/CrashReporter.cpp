#include "app/win/CrashReporter.h"

#include <dbghelp.h>

#include <csignal>
#include <cstdlib>

#include "app/CrashDumps.h"
#include "app/RoadOutcome.h"
#include "config/FolderVariable.h"
#include "platform/DecimalText.h"
#include "platform/Log.h"
#include "platform/win/ScopedHandles.h"
#include "platform/win/SystemLibrary.h"
#include "platform/win/ThreadStack.h"
#include "platform/win/WinExceptionPolicy.h"
#include "platform/win/WinTaskPlatform.h"
#include "platform/win/WinPlatform.h"

namespace {

ILog* volatile g_crashLog = nullptr;
// The thread that reports a crash; 0 while none does.
volatile LONG g_crashingThread = 0;

// How long a crashing or hung launcher waits for its dump.
constexpr DWORD kDumpWaitMs = 60 * 1000;

std::wstring DumpFolder()
{
    WinEnvironment environment;
    return ReadFolderVariable(environment, L"TMP", IEnvironment::Folder::Temp);
}

std::wstring OwnPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768)
            return std::wstring();
        path.resize(path.size() * 2);
    }
}

// The image a process runs, as the system names it (form: 0 for a path
// with a drive letter, PROCESS_NAME_NATIVE for the device's path): Windows
// names the file it opened, after junctions, SUBST drives and mapped drives
// are resolved, whatever path it was started by. Empty when it cannot be
// read.
std::wstring ProcessImage(HANDLE process, DWORD form)
{
    std::wstring path(32768, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process, form, &path[0], &length))
        return std::wstring();
    path.resize(length);
    return path;
}

// True when both processes run the same program file: their images named
// by the same call, with a drive letter, or as devices where either has no
// drive letter's name (a volume mounted without one).
bool SameImage(HANDLE one, HANDLE other)
{
    for (const DWORD form : {DWORD{0}, DWORD{PROCESS_NAME_NATIVE}}) {
        const std::wstring first = ProcessImage(one, form);
        const std::wstring second = ProcessImage(other, form);
        if (!first.empty() && !second.empty())
            return CompareStringOrdinal(first.c_str(), -1, second.c_str(), -1, TRUE) == CSTR_EQUAL;
    }
    return false;
}

// One crash to report: the thread it happened on and its exception.
struct CrashReport {
    DWORD thread;
    EXCEPTION_POINTERS* pointers;
};

// Writes the crash's dump and its log lines.
void Report(const CrashReport& report)
{
    const EXCEPTION_RECORD* record = report.pointers != nullptr ? report.pointers->ExceptionRecord : nullptr;
    const DWORD code = record != nullptr ? record->ExceptionCode : 0;
    const uint64_t address = record != nullptr ? reinterpret_cast<uintptr_t>(record->ExceptionAddress) : 0;
    std::wstring path;
    DWORD error = 0;
    const bool written = RequestDump(report.thread, report.pointers, path, error);
    ILog* log = g_crashLog;
    if (log != nullptr) {
        log->Write(CrashLine(code, address, static_cast<int>(sizeof(void*) * 2), written, path, error));
        log->Write(L"exit: code " + DecimalText(ExitCodeFor(RoadOutcome::Crashed)));
    }
}

DWORD WINAPI ReportOnThreadOfItsOwn(void* report)
{
    // This thread reports now: a crash of its own ends the process at once.
    InterlockedExchange(&g_crashingThread, static_cast<LONG>(GetCurrentThreadId()));
    Report(*static_cast<const CrashReport*>(report));
    return 0;
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers)
{
    const LONG thread = static_cast<LONG>(GetCurrentThreadId());
    const LONG first = InterlockedCompareExchange(&g_crashingThread, thread, 0);
    if (first == thread)  // a crash while reporting one
        TerminateProcess(GetCurrentProcess(), ExitCodeFor(RoadOutcome::Crashed));
    if (first != 0)  // another thread reports its crash and ends the process
        Sleep(INFINITE);

    CrashReport report{GetCurrentThreadId(), pointers};
    const EXCEPTION_RECORD* record = pointers != nullptr ? pointers->ExceptionRecord : nullptr;
    // After a stack overflow this thread has only the stack kept in reserve
    // (GuaranteeOverflowStack): starting the dump writer needs more, so the
    // report is made on a new thread, with a whole stack, while this one
    // waits. Only then: after another crash the new thread could wait
    // forever for a lock this thread holds (the heap's, the loader's),
    // which this thread itself may take again.
    ScopedKernelHandle reporter;
    if (record != nullptr && record->ExceptionCode == EXCEPTION_STACK_OVERFLOW)
        reporter.Reset(CreateThread(nullptr, 0, ReportOnThreadOfItsOwn, &report, 0, nullptr));
    if (reporter)
        WaitForSingleObject(reporter.Get(), kDumpWaitMs + 10 * 1000);  // its wait for the dump, and its log lines
    else
        Report(report);
    TerminateProcess(GetCurrentProcess(), ExitCodeFor(RoadOutcome::Crashed));
    return EXCEPTION_EXECUTE_HANDLER;
}

// A crash that is no exception: reported as an exception of code, raised
// where the caller of the function that calls this one stood, with the
// context of this thread now. Handed to the handler directly: raising it
// would send it through the stack walk of the exception dispatch, which
// frames without unwind tables can lead astray.
[[noreturn]] __attribute__((noinline)) void ReportCrash(DWORD code, void* address)
{
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = code;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = address;
    EXCEPTION_POINTERS pointers{&record, &context};
    OnUnhandledException(&pointers);
    TerminateProcess(GetCurrentProcess(), ExitCodeFor(RoadOutcome::Crashed));
    for (;;)
        Sleep(INFINITE);
}

// abort() raises SIGABRT.
void OnAbort(int)
{
    ReportCrash(kAbortExceptionCode, __builtin_return_address(0));
}

}  // namespace

// A call of a pure virtual function (through an object under construction
// or already destroyed) lands here instead of the C++ runtime's handler,
// which would end in abort() with the crash's kind lost.
extern "C" void __cxa_pure_virtual()
{
    ReportCrash(kPureCallExceptionCode, __builtin_return_address(0));
}

namespace {

// The compiler names __cxa_pure_virtual in the tables of virtual functions
// only as a weak reference, which the linker's removal of unused sections
// does not follow: without this strong reference the tables would hold a
// null address instead of the function above.
void (*volatile g_pureCallHandler)() = nullptr;

}  // namespace

CrashHandlers::CrashHandlers(ILog* log)
{
    GuaranteeOverflowStack();
    g_crashLog = log;
    // A crash in a window procedure (painting, a DPI change, a screen
    // reader's question, the hang watchdog's message) must reach the
    // handler below, which a 64-bit Windows keeps from a 32-bit program
    // unless told otherwise.
    WinExceptionPolicy policy;
    const std::wstring line = LetCallbackCrashesThrough(policy);
    if (!line.empty() && log != nullptr)
        log->Write(line);
    g_pureCallHandler = __cxa_pure_virtual;
    SetUnhandledExceptionFilter(OnUnhandledException);
    // The runtime's abort shows a message box ("abnormal program
    // termination") in a program with a window before it raises SIGABRT,
    // unless its messages go to the error output, which this program has
    // not: nobody may be there to click it (an unattended run).
    _set_error_mode(_OUT_TO_STDERR);
    std::signal(SIGABRT, OnAbort);
}

CrashHandlers::~CrashHandlers()
{
    g_crashLog = nullptr;
}

bool CrashReportUnderWay()
{
    return g_crashingThread != 0;
}

bool RequestDump(DWORD threadId, EXCEPTION_POINTERS* pointers, std::wstring& path, DWORD& error)
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const LocalTime time{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    DumpRequest request;
    request.processId = GetCurrentProcessId();
    request.threadId = threadId;
    request.exceptionPointers = reinterpret_cast<uintptr_t>(pointers);
    request.fileName = CrashDumpName(time);
    path = DumpFolder() + L"\\" + request.fileName;

    const std::wstring program = OwnPath();
    std::wstring commandLine = L"\"" + program + L"\" " + DumpSwitch(request);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (program.empty() || !CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                           nullptr, &startup, &started)) {
        error = GetLastError();
        return false;
    }
    ScopedKernelHandle process(started.hProcess);
    ScopedKernelHandle thread(started.hThread);
    if (WaitForSingleObject(process.Get(), kDumpWaitMs) != WAIT_OBJECT_0) {
        error = WAIT_TIMEOUT;
        return false;
    }
    DWORD code = 1;
    GetExitCodeProcess(process.Get(), &code);
    error = code;
    return code == 0;
}

int WriteDumpFor(const DumpRequest& request)
{
    // A failure of the writer itself ends it quietly: no error report box
    // may hold up the launcher that waits for it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    if (!IsCrashDumpName(request.fileName))
        return ERROR_INVALID_PARAMETER;
    ScopedKernelHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, request.processId));
    if (!process)
        return static_cast<int>(GetLastError());
    // Only a launcher, this very program, is dumped: both images named by
    // the same call, so that a launcher started through a junction, a SUBST
    // or a mapped drive compares as the file it leads to (the path it was
    // started by need not be the name the system gives its image).
    if (!SameImage(GetCurrentProcess(), process.Get()))
        return ERROR_ACCESS_DENIED;

    DWORD error = 0;
    HMODULE dbghelp = LoadSystemLibrary(L"dbghelp.dll", error);
    if (dbghelp == nullptr)
        return static_cast<int>(error);
    using WriteDump = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                    PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);
    auto writeDump = LookUpFunction<WriteDump>(dbghelp, "MiniDumpWriteDump");
    if (writeDump == nullptr)
        return static_cast<int>(GetLastError());

    const std::wstring folder = DumpFolder();
    const std::wstring path = folder + L"\\" + request.fileName;
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return static_cast<int>(GetLastError());
    // The exception's record and context are read from the crashed
    // process's memory (ClientPointers), so that the dump names the thread
    // that crashed and its state at the crash.
    MINIDUMP_EXCEPTION_INFORMATION exception{};
    exception.ThreadId = request.threadId;
    exception.ExceptionPointers =
        reinterpret_cast<EXCEPTION_POINTERS*>(static_cast<uintptr_t>(request.exceptionPointers));
    exception.ClientPointers = TRUE;
    const BOOL written = writeDump(process.Get(), request.processId, file.Get(), MiniDumpNormal,
                                   request.exceptionPointers != 0 ? &exception : nullptr, nullptr, nullptr);
    const DWORD writeError = written ? 0 : GetLastError();
    file.Reset();
    if (!written) {
        // Nothing half-written stays behind.
        DeleteFileW(path.c_str());
        return writeError != 0 ? static_cast<int>(writeError) : ERROR_GEN_FAILURE;
    }
    WinFileSystem files;
    KeepNewestDumps(files, folder, request.fileName);
    return 0;
}
