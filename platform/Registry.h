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

// Where a key is looked up: the current user's hive, or the machine's in
// its 32-bit or its 64-bit view (a 32-bit program sees the 32-bit view
// unless it asks for the other; on a 32-bit system both are the same).
enum class RegistryHive { CurrentUser, Machine32, Machine64 };

enum class RegistryQuery {
    NoKey,    // the key cannot be opened
    NoValue,  // the key is there, the value cannot be read
    Found,
};

// Access to the registry: reading anywhere, writing text values of the
// current user's keys only.
class IRegistry {
public:
    virtual ~IRegistry() = default;

    // Opens hive\subKey for reading (never creating it) and queries the
    // named value into a buffer of bufferBytes bytes; a value larger than
    // the buffer cannot be read.
    virtual RegistryQuery QueryValue(RegistryHive hive, const std::wstring& subKey, const std::wstring& valueName,
                                     uint32_t bufferBytes, RegistryValue& value) = 0;

    // Creates HKEY_CURRENT_USER\subKey if need be and sets the named value
    // to text (REG_SZ). False when it cannot be written.
    virtual bool SetUserString(const std::wstring& subKey, const std::wstring& valueName,
                               const std::wstring& text) = 0;
};
