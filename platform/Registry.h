#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Value types as the registry reports them.
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;

struct RegistryValue {
    uint32_t type = 0;
    uint32_t size = 0;           // bytes of data, the terminating zero included
    std::vector<uint8_t> data;   // the first `size` bytes the query returned
};

// Read-only access to the current user's registry hive.
class IRegistry {
public:
    virtual ~IRegistry() = default;

    // Opens HKEY_CURRENT_USER\subKey (never creating it) and queries the
    // named value into a buffer of bufferBytes bytes. False when the key
    // cannot be opened or the query fails (a value larger than the buffer
    // fails too).
    virtual bool QueryUserValue(const std::wstring& subKey, const std::wstring& valueName,
                                uint32_t bufferBytes, RegistryValue& value) = 0;
};
