#pragma once
#include <cstdint>

// The process's policy for exceptions raised inside a callback from the
// kernel: a window procedure that a system call (GetMessage, SendMessage,
// a paint, a DPI change) calls back. On 64-bit Windows 7 and later a 32-bit
// program's exception there is swallowed by a filter unless the program
// turns it off: no crash handler runs, and the program carries on from the
// system call as if the window procedure had returned. kernel32's
// GetProcessUserModeExceptionPolicy and SetProcessUserModeExceptionPolicy
// (KB976038), which the system may lack.
class IExceptionPolicy {
public:
    virtual ~IExceptionPolicy() = default;

    // The policy's flags; false where the system has no such policy.
    virtual bool Read(uint32_t& flags) = 0;

    // Sets the policy's flags; false and the system's code on failure.
    virtual bool Write(uint32_t flags, uint32_t& error) = 0;
};

// PROCESS_CALLBACK_FILTER_ENABLED: the filter that swallows them.
constexpr uint32_t kCallbackFilterEnabled = 0x1;
