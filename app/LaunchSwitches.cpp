#include "app/LaunchSwitches.h"

#include "app/CrashDumps.h"
#include "platform/AsciiText.h"
#include "platform/DecimalText.h"
#include "platform/HexText.h"
#include "tasks/LauncherUpdate.h"

namespace {

const wchar_t kDumpSwitch[] = L"/write-dump=";
const wchar_t kUpdatedSwitch[] = L"/updated-from=";

// The command line's words: blanks and tabs separate them, double quotes
// group a part with blanks in it and are dropped.
std::vector<std::wstring> Words(const std::wstring& line)
{
    std::vector<std::wstring> words;
    std::wstring word;
    bool inWord = false;
    bool quoted = false;
    for (wchar_t c : line) {
        if (c == L'"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == L' ' || c == L'\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool ParseDumpRequest(const std::wstring& text, DumpRequest& request)
{
    std::wstring parts[3];
    size_t start = 0;
    for (std::wstring& part : parts) {
        const size_t comma = text.find(L',', start);
        if (comma == std::wstring::npos)
            return false;
        part = text.substr(start, comma - start);
        start = comma + 1;
    }
    uint64_t process = 0;
    uint64_t thread = 0;
    uint64_t pointers = 0;
    // At most 20 characters each: a number with a run of zeros in front is
    // not one the launcher writes.
    const NumberForm id{10, UINT32_MAX, 20};
    if (!ParseNumber(parts[0], process, id) || process == 0 || !ParseNumber(parts[1], thread, id) ||
        !ParseNumber(parts[2], pointers, NumberForm{16, UINT64_MAX, 20}))
        return false;
    request.processId = static_cast<uint32_t>(process);
    request.threadId = static_cast<uint32_t>(thread);
    request.exceptionPointers = pointers;
    request.fileName = text.substr(start);
    return IsCrashDumpName(request.fileName);
}

}  // namespace

LaunchSwitches ParseLaunchSwitches(const std::wstring& commandLine)
{
    LaunchSwitches switches;
    bool passive = false;
    bool quiet = false;
    for (const std::wstring& word : Words(commandLine)) {
        // ASCII letters only: the switches' names are ASCII, and a file
        // name keeps its case.
        const std::wstring lower = AsciiLowered(word);
        if (lower == L"/passive") {
            passive = true;
        } else if (lower == L"/quiet") {
            quiet = true;
        } else if (StartsWith(lower, L"/log=") && word.size() > 5) {
            switches.logFile = word.substr(5);
        } else if (StartsWith(lower, kDumpSwitch)) {
            switches.writeDump = true;
            switches.dumpValid = ParseDumpRequest(word.substr(std::wstring(kDumpSwitch).size()), switches.dump);
        } else if (StartsWith(lower, kUpdatedSwitch) &&
                   ParseUpdatedFrom(word.substr(std::wstring(kUpdatedSwitch).size()), switches.updatedFrom)) {
            switches.updated = true;
        } else {
            switches.unknown.push_back(word);
        }
    }
    switches.mode = quiet ? RunMode::Quiet : passive ? RunMode::Passive : RunMode::Normal;
    return switches;
}

std::wstring DumpSwitch(const DumpRequest& request)
{
    return kDumpSwitch + DecimalText(request.processId) + L"," + DecimalText(request.threadId) + L"," +
           HexText(request.exceptionPointers, 1) + L"," + request.fileName;
}
