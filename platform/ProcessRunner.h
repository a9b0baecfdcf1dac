#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Process.h"
#include "platform/SystemErrors.h"
#include "platform/Types.h"

// Starting programs.
class IProcessRunner {
public:
    virtual ~IProcessRunner() = default;

    // Starts commandLine (program and arguments, as CreateProcessW takes
    // them, no separate program name) with its window hidden, no inherited
    // handles, the launcher's environment, and workingFolder as its current
    // directory (the launcher's own when empty). Null and the platform's
    // code on failure.
    virtual std::unique_ptr<IProcess> StartHidden(const std::wstring& commandLine, const std::wstring& workingFolder,
                                                  uint32_t& error) = 0;

    // Starts program (its path, quoted) with arguments through the shell's
    // "runas" verb, for a program that asks for administrator rights: the
    // system asks the user for consent, then starts it with its window
    // hidden, in workingFolder as StartHidden does. Null and the platform's
    // code on failure (1223 when the user refuses).
    virtual std::unique_ptr<IProcess> StartElevated(const std::wstring& program, const std::wstring& arguments,
                                                    const std::wstring& workingFolder, uint32_t& error) = 0;

    // The window that owns the consent prompt of StartElevated, so that it
    // comes up in front of it rather than only flashing in the taskbar.
    // Set on the window's thread before the worker that starts programs.
    virtual void SetPromptOwner(WindowHandle owner) = 0;
};
