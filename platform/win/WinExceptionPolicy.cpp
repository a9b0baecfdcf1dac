#include "platform/win/WinExceptionPolicy.h"

#include <windows.h>

#include "platform/win/SystemLibrary.h"

namespace {

// The function of kernel32 of that name, or null where it has none.
template <typename F>
F Kernel32Function(const char* name)
{
    return LookUpFunction<F>(GetModuleHandleW(L"kernel32.dll"), name);
}

}  // namespace

bool WinExceptionPolicy::Read(uint32_t& flags)
{
    using GetPolicyFn = BOOL(WINAPI*)(DWORD*);
    auto get = Kernel32Function<GetPolicyFn>("GetProcessUserModeExceptionPolicy");
    if (get == nullptr)
        return false;
    DWORD value = 0;
    if (!get(&value))
        return false;
    flags = value;
    return true;
}

bool WinExceptionPolicy::Write(uint32_t flags, uint32_t& error)
{
    using SetPolicyFn = BOOL(WINAPI*)(DWORD);
    auto set = Kernel32Function<SetPolicyFn>("SetProcessUserModeExceptionPolicy");
    if (set == nullptr) {
        error = ERROR_PROC_NOT_FOUND;
        return false;
    }
    if (set(flags))
        return true;
    error = GetLastError();
    return false;
}
