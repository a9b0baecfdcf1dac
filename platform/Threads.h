#pragma once
#include <cstdint>

// Operating-system threads for the workers. A free-function seam, bound at
// link time: the Windows build uses CreateThread and Sleep, the portable
// build std::thread.
namespace threads {

using ThreadHandle = void*;
using ThreadRoutine = uint32_t (*)(void* parameter);

// Runs routine(parameter) at once on a new thread of its own; id is that
// thread's. False (and no handle) when no thread could be had.
bool Create(ThreadRoutine routine, void* parameter, ThreadHandle& handle, uint32_t& id);

// Waits without time limit until the routine has returned.
void WaitForEnd(ThreadHandle handle);

// Releases the handle, also while the routine still runs (it then goes on
// alone). Called once per handle, never while another thread waits on it.
void Close(ThreadHandle handle);

// Pauses the calling thread.
void Sleep(uint32_t milliseconds);

}  // namespace threads
