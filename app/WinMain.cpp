#include <windows.h>

#include "app/LauncherApp.h"
#include "platform/win/WinPlatform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    WinEnvironment environment;
    WinResources resources(instance);
    WinRegistry registry;
    Platform platform;
    platform.environment = &environment;
    platform.resources = &resources;
    platform.registry = &registry;

    LauncherApp* app = new LauncherApp(platform);
    app->Init();
    delete app;
    return 0;
}
