#pragma once
// A scripted process runner: a start that fails or succeeds, then a series
// of wait results and an exit code. Records every command line.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/ProcessRunner.h"

class FakeProcessRunner : public IProcessRunner {
public:
    bool startFails = false;
    uint32_t startError = 2;
    // The installer asks for administrator rights: StartHidden fails with
    // 740, StartElevated starts it unless elevatedError is set (1223: the
    // user refused).
    bool needsRights = false;
    uint32_t elevatedError = 0;
    // Results of the waits in turn; after the last, the process has ended.
    std::vector<IProcess::WaitResult> waits;
    bool exitCodeFails = false;
    uint32_t exitCode = 0;
    // Called at the start of each wait with its index.
    std::function<void(size_t)> beforeWait;
    // Called at each start, before it succeeds or fails.
    std::function<void()> onStart;

    std::atomic<int> openProcesses{0};
    std::atomic<int> waitsDone{0};

    std::vector<std::wstring> CommandLines() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_commandLines;
    }

    // The working folder of every start, hidden or elevated, in turn.
    std::vector<std::wstring> WorkingFolders() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_workingFolders;
    }

    std::unique_ptr<IProcess> StartHidden(const std::wstring& commandLine, const std::wstring& workingFolder,
                                          uint32_t& error) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_commandLines.push_back(commandLine);
            m_workingFolders.push_back(workingFolder);
        }
        if (onStart)
            onStart();
        if (startFails || needsRights) {
            error = needsRights ? kErrorElevationRequired : startError;
            return nullptr;
        }
        return std::make_unique<Process>(*this);
    }

    // Each elevated start as program and arguments.
    std::vector<std::pair<std::wstring, std::wstring>> ElevatedStarts() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_elevated;
    }

    // The elevated process runs under this account.
    IProcess::Account elevatedAccount = IProcess::Account::Same;
    // The consent prompt's owner at each elevated start.
    std::atomic<WindowHandle> promptOwner{nullptr};
    std::vector<WindowHandle> PromptOwners() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_promptOwners;
    }

    void SetPromptOwner(WindowHandle owner) override { promptOwner = owner; }

    std::unique_ptr<IProcess> StartElevated(const std::wstring& program, const std::wstring& arguments,
                                            const std::wstring& workingFolder, uint32_t& error) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_workingFolders.push_back(workingFolder);
            m_elevated.emplace_back(program, arguments);
            m_promptOwners.push_back(promptOwner.load());
        }
        if (!needsRights || elevatedError != 0) {
            error = needsRights ? elevatedError : startError;
            return nullptr;
        }
        return std::make_unique<Process>(*this, elevatedAccount);
    }

private:
    class Process : public IProcess {
    public:
        explicit Process(FakeProcessRunner& runner, Account account = Account::Same)
            : m_runner(runner), m_account(account)
        {
            ++m_runner.openProcesses;
        }
        ~Process() override { --m_runner.openProcesses; }

        WaitResult Wait(uint32_t) override
        {
            const size_t index = m_next++;
            ++m_runner.waitsDone;
            if (m_runner.beforeWait)
                m_runner.beforeWait(index);
            return index < m_runner.waits.size() ? m_runner.waits[index] : WaitResult::Ended;
        }
        bool GetExitCode(uint32_t& code) override
        {
            if (m_runner.exitCodeFails)
                return false;
            code = m_runner.exitCode;
            return true;
        }
        Account RunsAs() override { return m_account; }

    private:
        FakeProcessRunner& m_runner;
        Account m_account;
        size_t m_next = 0;
    };

    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_commandLines;
    std::vector<std::wstring> m_workingFolders;
    std::vector<std::pair<std::wstring, std::wstring>> m_elevated;
    std::vector<WindowHandle> m_promptOwners;
};
