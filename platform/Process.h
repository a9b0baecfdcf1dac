#pragma once
#include <cstdint>

// A started process (its process handle on Windows). Destroying it closes
// the handle; the process itself goes on running.
class IProcess {
public:
    enum class WaitResult { Ended, TimedOut, Failed };

    virtual ~IProcess() = default;

    // Waits at most milliseconds for the process to end.
    virtual WaitResult Wait(uint32_t milliseconds) = 0;

    // The exit code of an ended process; false when it cannot be read.
    virtual bool GetExitCode(uint32_t& code) = 0;

    // Whether the process runs under the launcher's own user account. A
    // program started with administrator rights may run under another one
    // (an administrator typed their name and password at the consent
    // prompt); it then installs into that account's folders and registry.
    enum class Account { Same, Other, Unknown };
    virtual Account RunsAs() { return Account::Unknown; }
};
