#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Process.h"

// Starting programs.
class IProcessRunner {
public:
    virtual ~IProcessRunner() = default;

    // Starts commandLine (program and arguments, as CreateProcessW takes
    // them, no separate program name) with its window hidden, no inherited
    // handles, the launcher's environment and current directory. Null and
    // the platform's code on failure.
    virtual std::unique_ptr<IProcess> StartHidden(const std::wstring& commandLine, uint32_t& error) = 0;
};
