#include "tasks/LauncherVersion.h"

#include "platform/DecimalText.h"

bool ParseLauncherVersion(const std::wstring& text, LauncherVersion& version)
{
    LauncherVersion parsed;
    size_t part = 0;
    uint32_t value = 0;
    size_t digits = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == L'.') {
            if (digits == 0 || part == 4)
                return false;
            parsed.parts[part++] = static_cast<uint16_t>(value);
            value = 0;
            digits = 0;
            continue;
        }
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        value = value * 10 + static_cast<uint32_t>(text[i] - L'0');
        if (value > 0xFFFF || ++digits > 5)
            return false;
    }
    if (part != 4)
        return false;
    version = parsed;
    return true;
}

int CompareLauncherVersions(const LauncherVersion& a, const LauncherVersion& b)
{
    for (size_t i = 0; i < 4; ++i) {
        if (a.parts[i] != b.parts[i])
            return a.parts[i] < b.parts[i] ? -1 : 1;
    }
    return 0;
}

std::wstring LauncherVersionText(const LauncherVersion& version)
{
    return DecimalText(version.parts[0]) + L"." + DecimalText(version.parts[1]) + L"." +
           DecimalText(version.parts[2]) + L"." + DecimalText(version.parts[3]);
}
