#pragma once
#include <cstdint>
#include <string>

// The name of the mutex that one launcher of a game holds for one user:
// "Local\quillmerex-" + the user's id + "-" + the game's install name, so
// that a second start by the same user for the same game finds the first,
// and other users and other games do not. Backslashes (which a kernel
// object name may not contain past its namespace) become underscores.
std::wstring InstanceMutexName(const std::wstring& userId, const std::wstring& installAppName);

// What the attempt to create that mutex says about other launchers. The
// mutex is ours when it was created anew. It exists already (183) when
// another launcher holds it; and a launcher started with administrator
// rights makes a mutex that a launcher without them may not open (5,
// access denied): another launcher runs then too. Any other failure
// leaves the launcher to run on its own.
enum class InstanceMutexState { Ours, HeldByAnother, Unknown };
InstanceMutexState JudgeInstanceMutex(bool created, uint32_t error);
