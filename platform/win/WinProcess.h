#pragma once
#include "platform/Process.h"
#include "platform/win/ScopedHandles.h"

// A process handle.
class WinProcess : public IProcess {
public:
    explicit WinProcess(HANDLE process) : m_process(process) {}

    WaitResult Wait(uint32_t milliseconds) override
    {
        switch (WaitForSingleObject(m_process.Get(), milliseconds)) {
        case WAIT_OBJECT_0:
            return WaitResult::Ended;
        case WAIT_TIMEOUT:
            return WaitResult::TimedOut;
        default:
            return WaitResult::Failed;
        }
    }

    bool GetExitCode(uint32_t& code) override
    {
        DWORD value = 0;
        if (!GetExitCodeProcess(m_process.Get(), &value))
            return false;
        code = value;
        return true;
    }

    Account RunsAs() override;

private:
    ScopedKernelHandle m_process;
};
