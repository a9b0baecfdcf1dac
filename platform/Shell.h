#pragma once
#include <cstdint>
#include <string>

#include "platform/Types.h"

// Whether the shell may show windows of its own while it starts a file:
// its message box for an error (SEE_MASK_FLAG_NO_UI when not). An
// unattended run lets it show none (nobody may be there to answer it); the
// failure then comes back as the result alone.
enum class ShellPrompts { Allowed, None };

// The shell's "open" verb.
class IShell {
public:
    virtual ~IShell() = default;

    // Opens the file as the user's shell would (no parameters, shown
    // normally), with the folder as its working directory and the window as
    // the owner of any prompt the shell shows, if prompts allows one.
    // Returns the shell's result: above 32 on success, an error code of 32
    // or less otherwise.
    virtual intptr_t Open(const std::wstring& path, const std::wstring& folder, WindowHandle owner,
                          ShellPrompts prompts) = 0;
};
