#pragma once
// Fakes of the environment, resource and registry seams.
#include <map>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/Registry.h"
#include "platform/Resources.h"

class FakeEnvironment : public IEnvironment {
public:
    std::map<std::wstring, std::wstring> variables;
    std::wstring tempFolder = L"C:\\users\\player\\Temp";
    std::wstring appDataFolder = L"C:\\users\\player\\AppData\\Roaming";
    std::wstring systemTempFolder;  // set: the program runs as SYSTEM

    bool ReadVariable(const std::wstring& name, std::wstring& value) override
    {
        auto it = variables.find(name);
        // The real read fails for values that do not fit 1024 characters.
        if (it == variables.end() || it->second.empty() || it->second.size() >= 1024)
            return false;
        value = it->second;
        return true;
    }
    std::wstring KnownFolder(Folder folder) override
    {
        if (folder == Folder::SystemTemp)
            return systemTempFolder;
        return folder == Folder::Temp ? tempFolder : appDataFolder;
    }
};

class FakeResources : public IResources {
public:
    std::map<std::pair<uint16_t, uint16_t>, std::vector<uint8_t>> resources;

    void Put(uint16_t type, uint16_t id, const std::string& bytes)
    {
        resources[{type, id}] = std::vector<uint8_t>(bytes.begin(), bytes.end());
    }
    bool Load(uint16_t type, uint16_t id, std::vector<uint8_t>& bytes) override
    {
        auto it = resources.find({type, id});
        if (it == resources.end())
            return false;
        bytes = it->second;
        return true;
    }
};

// A registry of one hive; behaves as RegQueryValueExW does with a buffer of
// the offered size (a value that does not fit fails).
class FakeRegistry : public IRegistry {
public:
    struct Value {
        uint32_t type;
        std::vector<uint8_t> data;
    };
    using Keys = std::map<std::wstring, std::map<std::wstring, Value>>;
    std::map<RegistryHive, Keys> hives;
    Keys& keys = hives[RegistryHive::CurrentUser];
    std::vector<std::wstring> opened;
    std::vector<RegistryHive> openedHives;

    void PutString(const std::wstring& key, const std::wstring& name, const std::wstring& text,
                   uint32_t type = kRegSz, RegistryHive hive = RegistryHive::CurrentUser)
    {
        Value v{type, {}};
        for (wchar_t c : text) {
            v.data.push_back(static_cast<uint8_t>(c & 0xFF));
            v.data.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
        }
        v.data.push_back(0);
        v.data.push_back(0);
        hives[hive][key][name] = v;
    }
    RegistryQuery QueryValue(RegistryHive hive, const std::wstring& subKey, const std::wstring& valueName,
                             uint32_t bufferBytes, RegistryValue& value) override
    {
        opened.push_back(subKey);
        openedHives.push_back(hive);
        Keys& inHive = hives[hive];
        auto k = inHive.find(subKey);
        if (k == inHive.end())
            return RegistryQuery::NoKey;
        auto v = k->second.find(valueName);
        if (v == k->second.end() || v->second.data.size() > bufferBytes)
            return RegistryQuery::NoValue;
        value.type = v->second.type;
        value.size = static_cast<uint32_t>(v->second.data.size());
        value.data = v->second.data;
        return RegistryQuery::Found;
    }
    bool SetUserString(const std::wstring& subKey, const std::wstring& valueName, const std::wstring& text) override
    {
        if (failWrites)
            return false;
        PutString(subKey, valueName, text);
        return true;
    }
    bool failWrites = false;
};
