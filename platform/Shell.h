#pragma once
#include <cstdint>
#include <string>

// The shell's "open" verb.
class IShell {
public:
    virtual ~IShell() = default;

    // Opens the file as the user's shell would (no parameters, the current
    // directory, shown normally, no owner window). Returns the shell's
    // result: above 32 on success, an error code of 32 or less otherwise.
    virtual intptr_t Open(const std::wstring& path) = 0;
};
