#pragma once
#include <string>

// What the program tells about the system it runs on.
class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;

    // The system's name and version as the log shows it, for example
    // "Windows 10.0.19045".
    virtual std::wstring WindowsVersion() = 0;
};
