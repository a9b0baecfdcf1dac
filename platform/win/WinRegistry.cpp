#include "platform/win/ScopedHandles.h"
#include "platform/win/WinPlatform.h"

namespace {

// The current user's keys are opened as they always were (RegOpenKeyW);
// the machine's for reading only, in the view asked for.
LONG OpenKey(RegistryHive hive, const std::wstring& subKey, ScopedRegKey& key)
{
    if (hive == RegistryHive::CurrentUser)
        return RegOpenKeyW(HKEY_CURRENT_USER, subKey.c_str(), key.Out());
    const REGSAM view = hive == RegistryHive::Machine32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_QUERY_VALUE | view, key.Out());
}

}  // namespace

RegistryQuery WinRegistry::QueryValue(RegistryHive hive, const std::wstring& subKey, const std::wstring& valueName,
                                      uint32_t bufferBytes, RegistryValue& value)
{
    ScopedRegKey key;
    if (OpenKey(hive, subKey, key) != ERROR_SUCCESS)
        return RegistryQuery::NoKey;
    std::vector<uint8_t> buffer(bufferBytes);
    DWORD type = 0;
    DWORD size = bufferBytes;
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, buffer.data(), &size) !=
        ERROR_SUCCESS)
        return RegistryQuery::NoValue;
    value.type = type;
    value.size = size;
    buffer.resize(size < bufferBytes ? size : bufferBytes);
    value.data = std::move(buffer);
    return RegistryQuery::Found;
}

bool WinRegistry::SetUserString(const std::wstring& subKey, const std::wstring& valueName, const std::wstring& text)
{
    ScopedRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Out(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
}
