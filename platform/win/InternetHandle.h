#pragma once
// WinINet handles held in shared ownership: each is closed exactly once,
// by whichever holder lets go last (the worker, or a call still waiting
// inside WinINet).
#include <windows.h>
#include <wininet.h>

#include <memory>

#include "platform/win/ScopedHandles.h"

// A WinINet handle with one owner.
using ScopedInternetHandle = ScopedHandle<HINTERNET, &InternetCloseHandle>;

// A URL handle keeps its session open until it has been closed itself.
inline std::shared_ptr<void> ShareInternetHandle(HINTERNET handle, std::shared_ptr<void> parent = nullptr)
{
    return std::shared_ptr<void>(handle, [parent](HINTERNET h) { InternetCloseHandle(h); });
}
