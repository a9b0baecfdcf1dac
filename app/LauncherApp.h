#pragma once
#include <string>

#include "config/CIniConfig.h"
#include "platform/Platform.h"

// The one application object: configuration, paths and install detection.
class LauncherApp {
public:
    explicit LauncherApp(const Platform& platform);

    // Reads the configuration and the environment and detects the install.
    void Init();

    // APPDATA into baseDir, the embedded configuration into config, the
    // three "pack" names, then DetectInstall.
    void LoadConfiguration();

    // Replaces baseDir with the install root registered under App Paths,
    // when there is one.
    void DetectInstall();

    // baseDir\installAppName\startAppName.
    std::wstring StartProgramPath() const;

    std::wstring baseDir;
    std::wstring installAppName;
    std::wstring startAppName;
    std::wstring installerKey;
    CIniConfig config;

private:
    Platform m_platform;
};

// The application object, set by Init.
extern LauncherApp* g_app;
