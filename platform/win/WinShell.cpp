#include "platform/win/WinPlatform.h"

#include <shellapi.h>

intptr_t WinShell::Open(const std::wstring& path)
{
    HINSTANCE result = ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
    return reinterpret_cast<intptr_t>(result);
}
