#include "app/LauncherApp.h"

#include <vector>

#include "config/FolderVariable.h"
#include "config/InstallDetection.h"
#include "platform/Resources.h"

LauncherApp* g_app = nullptr;

LauncherApp::LauncherApp(const Platform& platform) : m_platform(platform) {}

void LauncherApp::Init()
{
    g_app = this;
    LoadConfiguration();
}

void LauncherApp::LoadConfiguration()
{
    baseDir = ReadFolderVariable(*m_platform.environment, L"APPDATA",
                                 IEnvironment::Folder::RoamingAppData);

    std::vector<uint8_t> bytes;
    if (m_platform.resources->Load(kResourceType, kConfigResourceId, bytes))
        config.Parse(bytes.data(), bytes.size());

    installAppName = config.GetValue(L"pack", L"k_installAppName");
    startAppName = config.GetValue(L"pack", L"k_startAppName");
    installerKey = config.GetValue(L"pack", L"k_installerKey");
    DetectInstall();
}

void LauncherApp::DetectInstall()
{
    DetectInstallRoot(*m_platform.registry, installerKey, installAppName, baseDir);
}

std::wstring LauncherApp::StartProgramPath() const
{
    return baseDir + L"\\" + installAppName + L"\\" + startAppName;
}
