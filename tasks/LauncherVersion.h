#pragma once
// A launcher's version: the four numbers of its version resource's fixed
// file version ("1.0.0.2"), as the download manifest names a newer one.
#include <cstdint>
#include <string>

struct LauncherVersion {
    uint16_t parts[4] = {0, 0, 0, 0};
};

// Exactly four dotted decimal numbers, each 0 to 65535, without blanks,
// signs or empty parts; leading zeros are allowed ("1.02.0.0"). False for
// anything else.
bool ParseLauncherVersion(const std::wstring& text, LauncherVersion& version);

// Negative when a is lower than b, 0 when equal, positive when higher;
// the parts compared from the first.
int CompareLauncherVersions(const LauncherVersion& a, const LauncherVersion& b);

// "1.0.0.2".
std::wstring LauncherVersionText(const LauncherVersion& version);
