#include "app/CrashDumps.h"

#include <algorithm>
#include <vector>

#include "platform/DecimalText.h"
#include "platform/ExceptionPolicy.h"
#include "platform/FileSystem.h"
#include "platform/HexText.h"

namespace {

const wchar_t kPrefix[] = L"quillmerex-crash-";
const wchar_t kSuffix[] = L".dmp";
// YYYYMMDD-HHMMSS-mmm: '0' stands for a digit.
const wchar_t kStamp[] = L"00000000-000000-000";

void Digits(std::wstring& text, unsigned value, size_t width)
{
    std::wstring digits(width, L'0');
    for (size_t i = width; i-- > 0;) {
        digits[i] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    }
    text += digits;
}

std::wstring DumpPart(bool written, const std::wstring& path, uint32_t error)
{
    return written ? L"dump " + path : L"no dump (code " + DecimalText(error) + L")";
}

}  // namespace

std::wstring CrashDumpName(const LocalTime& time)
{
    std::wstring name = kPrefix;
    Digits(name, time.year, 4);
    Digits(name, time.month, 2);
    Digits(name, time.day, 2);
    name += L'-';
    Digits(name, time.hour, 2);
    Digits(name, time.minute, 2);
    Digits(name, time.second, 2);
    name += L'-';
    Digits(name, time.milliseconds, 3);
    return name + kSuffix;
}

bool IsCrashDumpName(const std::wstring& name)
{
    const std::wstring prefix = kPrefix;
    const std::wstring stamp = kStamp;
    const std::wstring suffix = kSuffix;
    if (name.size() != prefix.size() + stamp.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    for (size_t i = 0; i < stamp.size(); ++i) {
        const wchar_t c = name[prefix.size() + i];
        if (stamp[i] == L'-' ? c != L'-' : (c < L'0' || c > L'9'))
            return false;
    }
    return true;
}

void KeepNewestDumps(IFileSystem& files, const std::wstring& folder, const std::wstring& written, int keep)
{
    std::vector<FoundFile> found;
    files.List(folder + L"\\" + kPrefix + L"*", found);
    std::vector<FoundFile> others;
    for (const FoundFile& file : found) {
        if (IsCrashDumpName(file.name) && file.name != written)
            others.push_back(file);
    }
    // The newest first: by time, and between dumps of one second by name.
    std::sort(others.begin(), others.end(), [](const FoundFile& a, const FoundFile& b) {
        return a.lastWriteSeconds != b.lastWriteSeconds ? a.lastWriteSeconds > b.lastWriteSeconds : a.name > b.name;
    });
    const size_t kept = keep > 1 ? static_cast<size_t>(keep - 1) : 0;
    for (size_t i = kept; i < others.size(); ++i)
        files.Delete(folder + L"\\" + others[i].name);
}

std::wstring LetCallbackCrashesThrough(IExceptionPolicy& policy)
{
    uint32_t flags = 0;
    if (!policy.Read(flags) || (flags & kCallbackFilterEnabled) == 0)
        return std::wstring();
    uint32_t error = 0;
    if (!policy.Write(flags & ~kCallbackFilterEnabled, error))
        return L"start-up: the system's filter of crashes in window callbacks cannot be turned off (code " +
               DecimalText(error) + L"); such a crash may leave no dump";
    return L"start-up: the system's filter of crashes in window callbacks turned off";
}

std::wstring CrashLine(uint32_t code, uint64_t address, int addressDigits, bool written, const std::wstring& path,
                       uint32_t error)
{
    return L"crash: code 0x" + HexText(code, 8) + L", address 0x" + HexText(address, addressDigits) + L", " +
           DumpPart(written, path, error);
}

std::wstring HangLine(bool written, const std::wstring& path, uint32_t error)
{
    return L"hang: the window has not answered for " + DecimalText(kHangSeconds) + L" s, " +
           DumpPart(written, path, error);
}
