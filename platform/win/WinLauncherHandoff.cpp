#include "platform/win/WinLauncherHandoff.h"

#include <windows.h>

#include <vector>

#include "platform/win/ScopedHandles.h"
#include "platform/win/WinProcess.h"

namespace {

// How long an ended process may take to go once it was told to end.
constexpr DWORD kEndWaitMs = 5000;

uint64_t CreationTime(HANDLE process)
{
    FILETIME creation = {}, exit = {}, kernel = {}, user = {};
    if (!GetProcessTimes(process, &creation, &exit, &kernel, &user))
        return 0;
    return static_cast<uint64_t>(creation.dwHighDateTime) << 32 | creation.dwLowDateTime;
}

}  // namespace

std::wstring WinLauncherHandoff::OwnPath()
{
    // Long paths too: the buffer grows until the name fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        if (buffer.size() >= 32768)
            return std::wstring();
        buffer.resize(buffer.size() * 2);
    }
}

ProcessIdentity WinLauncherHandoff::OwnProcess()
{
    ProcessIdentity identity;
    identity.id = GetCurrentProcessId();
    identity.creationTime = CreationTime(GetCurrentProcess());
    return identity;
}

ILauncherHandoff::Start WinLauncherHandoff::StartAndAwait(const std::wstring& program, const std::wstring& arguments,
                                                          const std::wstring& eventName, uint32_t timeoutMs,
                                                          std::unique_ptr<IProcess>& process, uint32_t& error)
{
    // Manual reset: once set it stays set, whenever it is looked at.
    ScopedKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    if (!event) {
        error = GetLastError();
        return Start::NotStarted;
    }
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        error = GetLastError();
        return Start::NotStarted;
    }
    ScopedKernelHandle thread(info.hThread);
    ScopedKernelHandle started(info.hProcess);
    const HANDLE waits[2] = {event.Get(), started.Get()};
    const DWORD result = WaitForMultipleObjects(2, waits, FALSE, timeoutMs);
    if (result == WAIT_OBJECT_0) {
        process = std::make_unique<WinProcess>(started.Release());
        return Start::Up;
    }
    if (result == WAIT_OBJECT_0 + 1)
        return Start::EndedEarly;
    // No answer: it must not go on with the road beside this launcher.
    TerminateProcess(started.Get(), 1);
    WaitForSingleObject(started.Get(), kEndWaitMs);
    return Start::NoAnswer;
}

bool WinLauncherHandoff::SignalUp(const std::wstring& eventName)
{
    ScopedKernelHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName.c_str()));
    return event && SetEvent(event.Get());
}

bool WinLauncherHandoff::WaitForEnd(const ProcessIdentity& process, uint32_t timeoutMs)
{
    ScopedKernelHandle handle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.id));
    // No such process any more; or its id is now another process's.
    if (!handle || CreationTime(handle.Get()) != process.creationTime)
        return true;
    return WaitForSingleObject(handle.Get(), timeoutMs) == WAIT_OBJECT_0;
}
