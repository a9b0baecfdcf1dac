#pragma once
// A taskbar button for native tests: it records what it is told as lines
// ("attach", "state normal", "value 60/100"), and can be missing.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/TaskbarButton.h"

class FakeTaskbarButton : public ITaskbarButton {
public:
    bool available = true;  // false: a system without taskbar progress
    std::vector<std::string> calls;

    bool Attach(WindowHandle) override
    {
        calls.push_back(available ? "attach" : "attach failed");
        return available;
    }
    void SetState(TaskbarState state) override
    {
        const char* names[] = {"none", "indeterminate", "normal", "error"};
        calls.push_back(std::string("state ") + names[static_cast<int>(state)]);
    }
    void SetValue(uint64_t done, uint64_t total) override
    {
        char line[64];
        std::snprintf(line, sizeof line, "value %llu/%llu", static_cast<unsigned long long>(done),
                      static_cast<unsigned long long>(total));
        calls.push_back(line);
    }
};
