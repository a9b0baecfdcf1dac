#pragma once
#include <string>

#include "platform/Environment.h"

// Reads an environment variable that names a folder (APPDATA, TMP). When the
// variable is not set or does not fit, the system's own folder for the same
// purpose is used instead, so that nothing is ever read from or written to
// the root of a drive by accident.
std::wstring ReadFolderVariable(IEnvironment& env, const std::wstring& name,
                                IEnvironment::Folder fallback);

// The temporary folder the installer is downloaded into: TMP, as
// ReadFolderVariable reads it, except for a program running as SYSTEM (a
// deployment tool's unattended install), whose TMP is C:\Windows\Temp,
// where every user may add files and folders: it uses the temporary
// folder of SYSTEM alone where the system has one.
std::wstring ReadDownloadTemp(IEnvironment& env);
