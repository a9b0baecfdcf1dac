#include "platform/win/ScopedHandles.h"
#include "platform/win/WinPlatform.h"

bool WinRegistry::QueryUserValue(const std::wstring& subKey, const std::wstring& valueName,
                                 uint32_t bufferBytes, RegistryValue& value)
{
    ScopedRegKey key;
    if (RegOpenKeyW(HKEY_CURRENT_USER, subKey.c_str(), key.Out()) != ERROR_SUCCESS)
        return false;
    std::vector<uint8_t> buffer(bufferBytes);
    DWORD type = 0;
    DWORD size = bufferBytes;
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, buffer.data(), &size) !=
        ERROR_SUCCESS)
        return false;
    value.type = type;
    value.size = size;
    buffer.resize(size < bufferBytes ? size : bufferBytes);
    value.data = std::move(buffer);
    return true;
}
