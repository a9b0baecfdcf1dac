#pragma once
// The launcher's minidumps in the TMP folder, and the log lines that name
// them. A dump is called quillmerex-crash-<date>-<time>.dmp, the date as
// YYYYMMDD and the local time as HHMMSS-mmm (to the millisecond, so that a
// hang's dump and a crash's right after it keep apart).
#include <cstdint>
#include <string>

#include "platform/LocalClock.h"

class IExceptionPolicy;
class IFileSystem;

// The dump's file name for a dump written at time.
std::wstring CrashDumpName(const LocalTime& time);

// True for a name CrashDumpName makes, and for nothing else: no folder, no
// other characters.
bool IsCrashDumpName(const std::wstring& name);

// Called once the dump written (its file name) is in folder: it and the
// keep - 1 newest others stay, older ones are deleted. Age is the files' last
// write time, not their names: a name carries the local time of its day,
// which a clock set back or a daylight-saving fall-back puts behind older
// dumps. The dump just written is never deleted, whatever its time. Files
// that merely match the wildcard without being a dump's name are left alone.
constexpr int kDumpsKept = 3;
void KeepNewestDumps(IFileSystem& files, const std::wstring& folder, const std::wstring& written,
                     int keep = kDumpsKept);

// Turns off the system's filter that swallows exceptions raised in window
// procedures called back from the kernel (platform/ExceptionPolicy.h), so
// that a crash while painting or handling a sent message reaches the crash
// handlers as any other crash does. Returns the log's line: empty where
// there is nothing to say (the system has no such filter, or it is off).
std::wstring LetCallbackCrashesThrough(IExceptionPolicy& policy);

// How long the window's thread may go without handling a message before
// the launcher counts it as hung.
constexpr uint32_t kHangSeconds = 15;

// The log's lines:
//   crash: code 0xC0000005, address 0x0000000140001234, dump <path>
//   hang: the window has not answered for 15 s, dump <path>
// addressDigits: the width of an address (8 in the PE32 launcher). A dump
// that could not be written reads "no dump (code N)" with the writer's or
// the system's code in place of "dump <path>".
std::wstring CrashLine(uint32_t code, uint64_t address, int addressDigits, bool written, const std::wstring& path,
                       uint32_t error);
std::wstring HangLine(bool written, const std::wstring& path, uint32_t error);
