#pragma once
#include <string>

// Environment variables and the system's standard folders.
class IEnvironment {
public:
    enum class Folder { Temp, RoamingAppData };

    virtual ~IEnvironment() = default;

    // Reads a variable into a buffer of 1024 wide characters. False when the
    // variable is not set or its value does not fit that buffer.
    virtual bool ReadVariable(const std::wstring& name, std::wstring& value) = 0;

    // The folder the system keeps for that purpose for the current user
    // (the temporary directory, the roaming application-data folder).
    virtual std::wstring KnownFolder(Folder folder) = 0;
};
