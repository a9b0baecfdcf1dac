#pragma once
#include <string>

// Environment variables and the system's standard folders.
class IEnvironment {
public:
    // SystemTemp: the temporary folder of SYSTEM alone (that no other
    // account may open), for a program running as SYSTEM on a system that
    // has one; empty for every other account and on older systems.
    enum class Folder { Temp, RoamingAppData, SystemTemp };

    virtual ~IEnvironment() = default;

    // Reads a variable into a buffer of 1024 wide characters. False when the
    // variable is not set or its value does not fit that buffer.
    virtual bool ReadVariable(const std::wstring& name, std::wstring& value) = 0;

    // The folder the system keeps for that purpose for the current user
    // (the temporary directory, the roaming application-data folder, the
    // temporary directory of SYSTEM).
    virtual std::wstring KnownFolder(Folder folder) = 0;
};
