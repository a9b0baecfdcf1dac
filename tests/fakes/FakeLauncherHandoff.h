#pragma once
// A scripted hand-over: what the start of the new launcher gives, and what
// was started, with the bytes that lay under the program's name then.
#include <memory>
#include <string>
#include <vector>

#include "platform/LauncherHandoff.h"
#include "tests/fakes/FakeFileSystem.h"

class FakeLauncherHandoff : public ILauncherHandoff {
public:
    explicit FakeLauncherHandoff(FakeFileSystem& disk, std::wstring ownPath = L"C:\\Games\\Orvantis\\launcher.exe")
        : m_disk(disk), m_ownPath(std::move(ownPath))
    {
    }

    // The new launcher's process, ended with its code.
    struct EndedProcess : IProcess {
        explicit EndedProcess(uint32_t code) : m_code(code) {}
        WaitResult Wait(uint32_t) override { return WaitResult::Ended; }
        bool GetExitCode(uint32_t& code) override
        {
            code = m_code;
            return true;
        }
        uint32_t m_code;
    };

    Start result = Start::Up;
    uint32_t startError = 0;
    uint32_t exitCode = 0;  // of the started process
    // "<program> <arguments> / <event name>" per start.
    std::vector<std::wstring> started;
    std::vector<uint8_t> startedBytes;

    std::wstring OwnPath() override { return m_ownPath; }
    ProcessIdentity OwnProcess() override { return ProcessIdentity{77, 0x0123456789ABCDEF}; }
    Start StartAndAwait(const std::wstring& program, const std::wstring& arguments, const std::wstring& eventName,
                        uint32_t, std::unique_ptr<IProcess>& process, uint32_t& error) override
    {
        started.push_back(program + L" " + arguments + L" / " + eventName);
        startedBytes = m_disk.Content(program);
        error = startError;
        if (result == Start::Up)
            process = std::make_unique<EndedProcess>(exitCode);
        return result;
    }
    bool SignalUp(const std::wstring&) override { return true; }
    bool WaitForEnd(const ProcessIdentity&, uint32_t) override { return true; }

private:
    FakeFileSystem& m_disk;
    std::wstring m_ownPath;
};
