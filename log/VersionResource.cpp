#include "log/VersionResource.h"

#include "platform/DecimalText.h"

namespace {

constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;

uint32_t ReadDword(const std::vector<uint8_t>& bytes, size_t at)
{
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

uint16_t ReadWord(const std::vector<uint8_t>& bytes, size_t at)
{
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// The value of a string of the version resource's string table: the entry
// whose key is name (UTF-16, zero-terminated, at 2 bytes past a 4-byte
// boundary like every key), its value beginning at the next 4-byte boundary.
std::wstring StringValue(const std::vector<uint8_t>& bytes, const std::wstring& name)
{
    const size_t keyBytes = (name.size() + 1) * 2;
    for (size_t at = 2; at + keyBytes <= bytes.size(); at += 4) {
        bool match = true;
        for (size_t i = 0; i <= name.size() && match; ++i) {
            const uint16_t expected = i < name.size() ? static_cast<uint16_t>(name[i]) : 0;
            match = ReadWord(bytes, at + i * 2) == expected;
        }
        if (!match)
            continue;
        std::wstring value;
        for (size_t p = (at + keyBytes + 3) & ~size_t{3}; p + 2 <= bytes.size(); p += 2) {
            const uint16_t unit = ReadWord(bytes, p);
            if (unit == 0)
                break;
            value += static_cast<wchar_t>(unit);
        }
        return value;
    }
    return std::wstring();
}

}  // namespace

bool ReadVersionResource(const std::vector<uint8_t>& bytes, ProgramVersion& version)
{
    for (size_t at = 0; at + 16 <= bytes.size(); at += 4) {
        if (ReadDword(bytes, at) != kFixedInfoSignature)
            continue;
        const uint32_t high = ReadDword(bytes, at + 8);
        const uint32_t low = ReadDword(bytes, at + 12);
        version.fileVersion.clear();
        version.fileVersion += DecimalText(high >> 16);
        version.fileVersion += L'.';
        version.fileVersion += DecimalText(high & 0xFFFF);
        version.fileVersion += L'.';
        version.fileVersion += DecimalText(low >> 16);
        version.fileVersion += L'.';
        version.fileVersion += DecimalText(low & 0xFFFF);
        version.productName = StringValue(bytes, L"ProductName");
        return true;
    }
    return false;
}
