#pragma once
#include <windows.h>

#include <string>

#include "platform/win/ScopedHandles.h"

// A program the benchmark starts and owns: started at construction
// (CreateProcessW), its handles closed at destruction, and ended there
// (TerminateProcess) if it still runs, so that no run leaves a program
// behind.
class ChildProgram {
public:
    // Starts "path" followed by arguments; check Started().
    ChildProgram(const std::wstring& path, const std::wstring& arguments);
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    bool Started() const { return m_process.Valid(); }
    // The performance counter's time just before CreateProcessW, in ms.
    double StartedAtMs() const { return m_startedAt; }
    HANDLE Process() const { return m_process.Get(); }
    DWORD Id() const { return m_id; }

    // True once the program has ended, waiting at most timeoutMs.
    bool WaitForExit(DWORD timeoutMs);
    // The exit code; STILL_ACTIVE while it runs.
    DWORD ExitCode() const;
    // Asks window to close (WM_CLOSE) and waits up to timeoutMs for the
    // program to end; ends it by force after that. True when it ended by
    // itself.
    bool Close(HWND window, DWORD timeoutMs);

    // The program's peak working set so far, in bytes; 0 when it cannot be
    // read (for example once the program has ended).
    SIZE_T PeakWorkingSet() const;
    // The working set now (0 when it cannot be read).
    SIZE_T WorkingSet() const;

private:
    ScopedKernelHandle m_process;
    ScopedKernelHandle m_thread;
    DWORD m_id = 0;
    double m_startedAt = 0.0;
};
