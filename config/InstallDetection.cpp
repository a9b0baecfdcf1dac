#include "config/InstallDetection.h"

#include <algorithm>

namespace {

// The query offers a buffer of 260 wide characters; only data below 260
// bytes (a path of at most 128 characters) is taken.
constexpr uint32_t kPathBufferBytes = 260 * 2;
constexpr uint32_t kPathLimitBytes = 260;

}  // namespace

std::wstring AppPathsKey(const std::wstring& installerKey)
{
    return L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + installerKey + L".exe";
}

bool DetectInstallRoot(IRegistry& registry, const std::wstring& installerKey,
                       const std::wstring& installAppName, std::wstring& baseDir)
{
    // The current user's key; where it is not there, the machine's (an
    // installer that ran with administrator rights registers the game
    // there), in the 32-bit view, then the 64-bit one.
    RegistryValue value;
    RegistryQuery query = RegistryQuery::NoKey;
    for (RegistryHive hive : {RegistryHive::CurrentUser, RegistryHive::Machine32, RegistryHive::Machine64}) {
        query = registry.QueryValue(hive, AppPathsKey(installerKey), L"Path", kPathBufferBytes, value);
        if (query != RegistryQuery::NoKey)
            break;
    }
    if (query != RegistryQuery::Found)
        return false;
    if (value.type != kRegSz || value.size >= kPathLimitBytes)
        return false;

    // The data is UTF-16 text; take it up to its first zero character.
    std::wstring path;
    size_t units = std::min<size_t>(value.size, value.data.size()) / 2;
    for (size_t i = 0; i < units; ++i) {
        wchar_t c = static_cast<wchar_t>(value.data[2 * i] | (value.data[2 * i + 1] << 8));
        if (c == 0)
            break;
        path.push_back(c);
    }

    size_t cut = path.find(L"\\" + installAppName);
    if (cut != std::wstring::npos)
        path.resize(cut);
    baseDir = path;
    return true;
}
