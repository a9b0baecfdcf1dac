#pragma once
#include <cstdint>
#include <string>

class IRegistry;

// What the launcher keeps of its download channel for this user, under
// HKEY_CURRENT_USER: the highest manifest serial accepted for each manifest
// address and channel (so that an older signed manifest cannot be played
// back; each channel counts its own serials), and the address that last
// completed a download for each list of addresses (tried first next time).
class ChannelMemory {
public:
    // registry may be null: nothing is kept.
    explicit ChannelMemory(IRegistry* registry) : m_registry(registry) {}

    bool AcceptedSerial(const std::wstring& manifestUrl, const std::wstring& channel, uint64_t& serial);
    // Keeps serial unless a higher one is kept already.
    void Accept(const std::wstring& manifestUrl, const std::wstring& channel, uint64_t serial);

    // list names the list: the manifest's address, or the first configured
    // one.
    std::wstring LastGoodAddress(const std::wstring& list);
    void RememberGoodAddress(const std::wstring& list, const std::wstring& url);

private:
    bool Read(const wchar_t* subKey, const std::wstring& name, std::wstring& text);

    IRegistry* m_registry;
};
