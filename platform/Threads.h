#pragma once
#include <cstdint>

// Operating-system threads for the workers. A free-function seam, bound at
// link time: the Windows build uses CreateThread and Sleep, the portable
// build std::thread.
namespace threads {

using ThreadHandle = void*;
using ThreadRoutine = uint32_t (*)(void* parameter);

// Starts a thread that runs routine(parameter) at once. False (and no
// handle) when no thread could be created.
bool Create(ThreadRoutine routine, void* parameter, ThreadHandle& handle, uint32_t& id);

// Waits without time limit until the thread has ended.
void WaitForEnd(ThreadHandle handle);

// Releases the handle. Called once per handle, never while another thread
// waits on it.
void Close(ThreadHandle handle);

// Pauses the calling thread.
void Sleep(uint32_t milliseconds);

}  // namespace threads
