#pragma once
// The launcher's hand-over to a newer copy of itself, with kernel32: its
// own file and process, the start of the new one with a named event it
// sets once it is up, and waiting on a process by id and creation time.
#include "platform/LauncherHandoff.h"

class WinLauncherHandoff : public ILauncherHandoff {
public:
    std::wstring OwnPath() override;
    ProcessIdentity OwnProcess() override;
    Start StartAndAwait(const std::wstring& program, const std::wstring& arguments, const std::wstring& eventName,
                        uint32_t timeoutMs, std::unique_ptr<IProcess>& process, uint32_t& error) override;
    bool SignalUp(const std::wstring& eventName) override;
    bool WaitForEnd(const ProcessIdentity& process, uint32_t timeoutMs) override;
};
