#pragma once
#include <atomic>
#include <functional>

// Runs a blocking platform call on a thread of its own and waits for it,
// checking keepGoing every few milliseconds. A WinINet read that waits on a
// silent server cannot be interrupted under Wine (closing its handles does
// not end it, and closing them while it waits holds up the end of the
// process), so the caller stops waiting instead.
//
// True when work has run to its end. False when keepGoing was found clear
// first (also before work began, in which case work never runs): work then
// goes on alone and finishes whenever its call returns, so it must own,
// by value or shared ownership, everything it touches.
bool RunAbandonable(std::function<void()> work, const std::atomic<bool>& keepGoing);
