#pragma once
// What a launcher that replaces itself asks of the system: who it is (its
// file and its process), starting its successor and waiting until that one
// says it is up, saying so as the successor, and waiting for a process
// known by its id and creation time to end.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Process.h"

// A process told apart from any later one that gets the same id: its id
// and its creation time (on Windows the 64-bit FILETIME).
struct ProcessIdentity {
    uint32_t id = 0;
    uint64_t creationTime = 0;
};

class ILauncherHandoff {
public:
    virtual ~ILauncherHandoff() = default;

    // The running launcher's own file, as a full path.
    virtual std::wstring OwnPath() = 0;
    // The running launcher's own process.
    virtual ProcessIdentity OwnProcess() = 0;

    enum class Start {
        Up,          // the new process set the event in time
        NotStarted,  // it could not be started (error holds the code)
        EndedEarly,  // it ended before it set the event
        NoAnswer,    // it did not set the event in time: it has been ended
    };
    // Makes the event eventName (not set), starts program with arguments
    // (its window as an ordinary start shows it, no inherited handles) and
    // waits at most timeoutMs for the new process to set the event or to
    // end. Up hands the process over in process; on every other result no
    // process of it is left running.
    virtual Start StartAndAwait(const std::wstring& program, const std::wstring& arguments,
                                const std::wstring& eventName, uint32_t timeoutMs, std::unique_ptr<IProcess>& process,
                                uint32_t& error) = 0;

    // Sets the event eventName that the launcher before this one waits on.
    // False when there is no such event (nobody waits) or it cannot be set.
    virtual bool SignalUp(const std::wstring& eventName) = 0;

    // Waits at most timeoutMs for the process to end. True when it has
    // ended, or no process of that id and creation time runs (also when its
    // id is now another process's); false while it still runs.
    virtual bool WaitForEnd(const ProcessIdentity& process, uint32_t timeoutMs) = 0;
};
