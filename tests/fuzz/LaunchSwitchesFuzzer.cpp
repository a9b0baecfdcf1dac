// Feeds arbitrary text to the reader of the launcher's command line and
// checks what the rest of the program relies on: no quote survives in a
// word, a dump request is only ever taken whole (a process, a dump's bare
// file name) and its switch as the crash reporter writes it reads back the
// same, and the switches as read, written out again, read back the same.
#include <cstdint>
#include <string>

#include "app/CrashDumps.h"
#include "app/LaunchSwitches.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

bool SameDump(const DumpRequest& a, const DumpRequest& b)
{
    return a.processId == b.processId && a.threadId == b.threadId && a.exceptionPointers == b.exceptionPointers &&
           a.fileName == b.fileName;
}

bool Same(const LaunchSwitches& a, const LaunchSwitches& b)
{
    return a.mode == b.mode && a.logFile == b.logFile && a.unknown == b.unknown && a.writeDump == b.writeDump &&
           a.dumpValid == b.dumpValid && (!a.dumpValid || SameDump(a.dump, b.dump));
}

std::wstring Quoted(const std::wstring& word)
{
    return L"\"" + word + L"\"";
}

// The switches as a command line that says the same.
std::wstring Written(const LaunchSwitches& switches)
{
    std::wstring line = switches.mode == RunMode::Quiet ? L"/quiet" : switches.mode == RunMode::Passive ? L"/passive" : L"";
    if (!switches.logFile.empty())
        line += L" /log=" + Quoted(switches.logFile);
    for (const std::wstring& word : switches.unknown)
        line += L" " + Quoted(word);
    if (switches.writeDump)
        line += L" " + (switches.dumpValid ? Quoted(DumpSwitch(switches.dump)) : std::wstring(L"/write-dump="));
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const LaunchSwitches switches = ParseLaunchSwitches(fuzz::WideText(data, size));

    REQUIRE(switches.logFile.find(L'"') == std::wstring::npos);
    for (const std::wstring& word : switches.unknown)
        REQUIRE(word.find(L'"') == std::wstring::npos);
    REQUIRE(!switches.dumpValid || switches.writeDump);
    if (switches.dumpValid) {
        const DumpRequest& dump = switches.dump;
        REQUIRE(dump.processId != 0 && IsCrashDumpName(dump.fileName));
        REQUIRE(dump.fileName.find_first_of(L"\\/:\" \t") == std::wstring::npos);
        const LaunchSwitches again = ParseLaunchSwitches(DumpSwitch(dump));
        REQUIRE(again.writeDump && again.dumpValid && SameDump(again.dump, dump) && again.unknown.empty());
    }

    REQUIRE(Same(ParseLaunchSwitches(Written(switches)), switches));
    return 0;
}
