#pragma once
#include <cstdint>
#include <string>

#include "platform/Types.h"

// The shell's "open" verb.
class IShell {
public:
    virtual ~IShell() = default;

    // Opens the file as the user's shell would (no parameters, shown
    // normally), with the folder as its working directory and the window as
    // the owner of any prompt the shell shows. Returns the shell's result:
    // above 32 on success, an error code of 32 or less otherwise.
    virtual intptr_t Open(const std::wstring& path, const std::wstring& folder, WindowHandle owner) = 0;
};
