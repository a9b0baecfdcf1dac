#pragma once
// Stack kept in reserve on each thread of the program for the handlers of
// a stack overflow (SetThreadStackGuarantee). Without it they get only what
// lies beyond the guard page the overflow ran into: the crash handler
// would overflow again there, and the system would end the process with no
// dump and no log line. The crash handler needs this much to hand its
// report to a thread of its own (app/win/CrashReporter.cpp).
#include <windows.h>

constexpr ULONG kOverflowStackBytes = 32 * 1024;

// Called first on every thread the program makes, and on its main thread.
inline void GuaranteeOverflowStack()
{
    ULONG bytes = kOverflowStackBytes;
    SetThreadStackGuarantee(&bytes);
}
