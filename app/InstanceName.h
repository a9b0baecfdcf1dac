#pragma once
#include <string>

// The name of the mutex that one launcher of a game holds for one user:
// "Local\quillmerex-" + the user's id + "-" + the game's install name, so
// that a second start by the same user for the same game finds the first,
// and other users and other games do not. Backslashes (which a kernel
// object name may not contain past its namespace) become underscores.
std::wstring InstanceMutexName(const std::wstring& userId, const std::wstring& installAppName);
