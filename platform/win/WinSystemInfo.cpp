#include <windows.h>

#include "platform/DecimalText.h"
#include "platform/win/SystemLibrary.h"
#include "platform/win/WinLogPlatform.h"

// RtlGetVersion tells the true version; GetVersionExW answers as the
// manifest lets it (6.2 for a program that does not declare Windows 10).
// Under Wine, its version follows in brackets.
std::wstring WinSystemInfo::WindowsVersion()
{
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    using WineVersionFunction = const char*(CDECL*)();

    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    auto rtlGetVersion = LookUpFunction<RtlGetVersionFunction>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) {
        info = {};
        info.dwOSVersionInfoSize = sizeof info;
        if (!GetVersionExW(&info))
            return L"Windows (version unknown)";
    }
    std::wstring text = L"Windows ";
    text += DecimalText(info.dwMajorVersion);
    text += L'.';
    text += DecimalText(info.dwMinorVersion);
    text += L'.';
    text += DecimalText(info.dwBuildNumber);
    if (info.szCSDVersion[0] != 0)
        text += std::wstring(L" ") + info.szCSDVersion;
    auto wineVersion = LookUpFunction<WineVersionFunction>(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
    if (wineVersion != nullptr) {
        text += L" (Wine ";
        for (const char* c = wineVersion(); c != nullptr && *c != 0; ++c)
            text += static_cast<wchar_t>(static_cast<unsigned char>(*c));
        text += L")";
    }
    return text;
}
