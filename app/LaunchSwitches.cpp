#include "app/LaunchSwitches.h"

#include "app/CrashDumps.h"
#include "platform/DecimalText.h"
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

// ASCII letters only: the switches' names are ASCII, and a file name keeps
// its case.
std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// All of text as digits of base (10 or 16), its value at most max.
bool ParseNumber(const std::wstring& text, unsigned base, uint64_t max, uint64_t& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    value = 0;
    for (wchar_t c : text) {
        unsigned digit = 0;
        if (c >= L'0' && c <= L'9')
            digit = static_cast<unsigned>(c - L'0');
        else if (base == 16 && c >= L'a' && c <= L'f')
            digit = static_cast<unsigned>(c - L'a' + 10);
        else if (base == 16 && c >= L'A' && c <= L'F')
            digit = static_cast<unsigned>(c - L'A' + 10);
        else
            return false;
        if (value > (max - digit) / base)
            return false;
        value = value * base + digit;
    }
    return true;
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
    if (!ParseNumber(parts[0], 10, UINT32_MAX, process) || process == 0 ||
        !ParseNumber(parts[1], 10, UINT32_MAX, thread) || !ParseNumber(parts[2], 16, UINT64_MAX, pointers))
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
        const std::wstring lower = Lower(word);
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
           HexDigits(request.exceptionPointers, 1) + L"," + request.fileName;
}
