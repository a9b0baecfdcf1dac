#pragma once
// The main window for native tests of the application: a recording window
// system whose posted messages queue up until the test pumps them (the
// workers post from their own threads), and a shell that records what it
// was asked to open.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/Shell.h"
#include "tests/fakes/RecordingWindowSystem.h"

class FakeAppWindowSystem : public RecordingWindowSystem {
public:
    struct Message {
        WindowHandle window;
        uint32_t message;
        uintptr_t wParam;
        uintptr_t lParam;
    };

    int minimized = 0;
    int destroyed = 0;
    // Every screen-reader notification, in order (made on the test's thread).
    std::vector<std::pair<AccessibleEvent, int32_t>> accessible;

    void NotifyAccessible(WindowHandle, AccessibleEvent event, int32_t child) override
    {
        accessible.emplace_back(event, child);
    }

    void DestroyWindow(WindowHandle window) override
    {
        if (IsWindow(window))
            ++destroyed;
        RecordingWindowSystem::DestroyWindow(window);
    }
    void Minimize(WindowHandle) override { ++minimized; }
    void PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, uintptr_t lParam) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(Message{window, message, wParam, lParam});
        m_ready.notify_all();
    }

    // Waits (up to a generous limit) for the next posted message.
    bool Next(Message& message)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_ready.wait_for(lock, std::chrono::seconds(10), [&] { return !m_queue.empty(); }))
            return false;
        message = m_queue.front();
        m_queue.pop_front();
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Message> m_queue;
};

class FakeShell : public IShell {
public:
    intptr_t result = 42;
    std::vector<std::wstring> opened;
    std::vector<std::wstring> folders;
    std::vector<WindowHandle> owners;
    std::vector<ShellPrompts> prompts;

    intptr_t Open(const std::wstring& path, const std::wstring& folder, WindowHandle owner,
                  ShellPrompts allowed) override
    {
        opened.push_back(path);
        folders.push_back(folder);
        owners.push_back(owner);
        prompts.push_back(allowed);
        return result;
    }
};
