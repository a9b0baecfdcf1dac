#include "bench/app/ChildProgram.h"

#include <psapi.h>

#include <vector>

#include "bench/app/BenchClock.h"

ChildProgram::ChildProgram(const std::wstring& path, const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    m_startedAt = NowMs();
    if (!CreateProcessW(path.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return;
    m_process.Reset(info.hProcess);
    m_thread.Reset(info.hThread);
    m_id = info.dwProcessId;
}

ChildProgram::~ChildProgram()
{
    if (Started() && ExitCode() == STILL_ACTIVE) {
        TerminateProcess(m_process.Get(), 1);
        WaitForSingleObject(m_process.Get(), 5000);
    }
}

bool ChildProgram::WaitForExit(DWORD timeoutMs)
{
    return Started() && WaitForSingleObject(m_process.Get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD ChildProgram::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (!Started() || !GetExitCodeProcess(m_process.Get(), &code))
        return STILL_ACTIVE;
    return code;
}

bool ChildProgram::Close(HWND window, DWORD timeoutMs)
{
    if (!Started())
        return false;
    if (window != nullptr)
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForExit(timeoutMs))
        return true;
    TerminateProcess(m_process.Get(), 1);
    WaitForSingleObject(m_process.Get(), 5000);
    return false;
}

SIZE_T ChildProgram::PeakWorkingSet() const
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!Started() || !GetProcessMemoryInfo(m_process.Get(), &counters, sizeof(counters)))
        return 0;
    return counters.PeakWorkingSetSize;
}

SIZE_T ChildProgram::WorkingSet() const
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!Started() || !GetProcessMemoryInfo(m_process.Get(), &counters, sizeof(counters)))
        return 0;
    return counters.WorkingSetSize;
}
