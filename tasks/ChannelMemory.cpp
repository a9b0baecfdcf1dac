#include "tasks/ChannelMemory.h"

#include "platform/Registry.h"
#include "platform/DecimalText.h"
#include "resources/ProductNames.h"

namespace {

const wchar_t kSerialsKey[] = L"Software\\" PRODUCT_NAME L"\\Manifests";
const wchar_t kMirrorsKey[] = L"Software\\" PRODUCT_NAME L"\\Mirrors";
constexpr uint32_t kMaxValueBytes = 8192;

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

bool ChannelMemory::AcceptedSerial(const std::wstring& manifestUrl, uint64_t& serial)
{
    std::wstring text;
    if (!Read(kSerialsKey, manifestUrl, text) || text.empty() || text.size() > 20)
        return false;
    uint64_t value = 0;
    if (!ParseDecimal(text, value))
        return false;
    serial = value;
    return true;
}

void ChannelMemory::Accept(const std::wstring& manifestUrl, uint64_t serial)
{
    uint64_t kept = 0;
    if (m_registry == nullptr || (AcceptedSerial(manifestUrl, kept) && kept >= serial))
        return;
    m_registry->SetUserString(kSerialsKey, manifestUrl, DecimalText(serial));
}

std::wstring ChannelMemory::LastGoodAddress(const std::wstring& channel)
{
    std::wstring url;
    return Read(kMirrorsKey, channel, url) ? url : std::wstring();
}

void ChannelMemory::RememberGoodAddress(const std::wstring& channel, const std::wstring& url)
{
    if (m_registry != nullptr)
        m_registry->SetUserString(kMirrorsKey, channel, url);
}
