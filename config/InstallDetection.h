#pragma once
#include <string>

#include "platform/Registry.h"

// The registry key where an installer registers the game, under
// HKEY_CURRENT_USER or, for an installer that ran with administrator
// rights, HKEY_LOCAL_MACHINE:
// "Software\Microsoft\Windows\CurrentVersion\App Paths\<key>.exe".
std::wstring AppPathsKey(const std::wstring& installerKey);

// Looks up the install root of the game: the "Path" value of its App Paths
// key, the current user's or, when the current user has no such key, the
// machine's (32-bit view first) (REG_SZ only, fewer than 260 bytes of
// data), cut before the first
// occurrence of "\" + installAppName. True and the root in baseDir when the
// value was taken; false, baseDir unchanged, otherwise.
bool DetectInstallRoot(IRegistry& registry, const std::wstring& installerKey,
                       const std::wstring& installAppName, std::wstring& baseDir);
