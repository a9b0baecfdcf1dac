#include "tasks/ChannelMemory.h"

#include "platform/Registry.h"
#include "platform/DecimalText.h"
#include "resources/ProductNames.h"

namespace {

const wchar_t kSerialsKey[] = L"Software\\" PRODUCT_NAME L"\\Manifests";
const wchar_t kMirrorsKey[] = L"Software\\" PRODUCT_NAME L"\\Mirrors";
constexpr uint32_t kMaxValueBytes = 8192;

// The serial's value name: the manifest's address, a blank, the channel.
// An address holds no blank, so each pair has a name of its own.
std::wstring SerialName(const std::wstring& manifestUrl, const std::wstring& channel)
{
    return manifestUrl + L" " + channel;
}

}  // namespace

bool ChannelMemory::Read(const wchar_t* subKey, const std::wstring& name, std::wstring& text)
{
    RegistryValue value;
    if (m_registry == nullptr ||
        m_registry->QueryValue(RegistryHive::CurrentUser, subKey, name, kMaxValueBytes, value) !=
            RegistryQuery::Found ||
        value.type != kRegSz)
        return false;
    text.clear();
    for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
        const wchar_t c = static_cast<wchar_t>(value.data[i] | (value.data[i + 1] << 8));
        if (c == L'\0')
            break;
        text += c;
    }
    return true;
}

bool ChannelMemory::AcceptedSerial(const std::wstring& manifestUrl, const std::wstring& channel, uint64_t& serial)
{
    std::wstring text;
    uint64_t value = 0;
    if (!Read(kSerialsKey, SerialName(manifestUrl, channel), text) ||
        !ParseNumber(text, value, NumberForm{10, UINT64_MAX, 20}))
        return false;
    serial = value;
    return true;
}

void ChannelMemory::Accept(const std::wstring& manifestUrl, const std::wstring& channel, uint64_t serial)
{
    uint64_t kept = 0;
    if (m_registry == nullptr || (AcceptedSerial(manifestUrl, channel, kept) && kept >= serial))
        return;
    m_registry->SetUserString(kSerialsKey, SerialName(manifestUrl, channel), DecimalText(serial));
}

std::wstring ChannelMemory::LastGoodAddress(const std::wstring& list)
{
    std::wstring url;
    return Read(kMirrorsKey, list, url) ? url : std::wstring();
}

void ChannelMemory::RememberGoodAddress(const std::wstring& list, const std::wstring& url)
{
    if (m_registry != nullptr)
        m_registry->SetUserString(kMirrorsKey, list, url);
}
