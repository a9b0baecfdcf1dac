#include "tasks/Manifest.h"

#include <cstring>

#include "platform/AsciiText.h"
#include "platform/DecimalText.h"
#include "tasks/DateText.h"
#include "tasks/InstallerPins.h"

namespace {

const char kSignatureName[] = "signature=";
constexpr size_t kSignatureBytes = 64;

// An absolute http or https address with a host, without blanks or control
// characters.
bool IsDownloadAddress(const std::wstring& text)
{
    const std::wstring lower = AsciiLowered(text.substr(0, 8));
    size_t prefix = 0;
    if (lower.compare(0, 7, L"http://") == 0)
        prefix = 7;
    else if (lower.compare(0, 8, L"https://") == 0)
        prefix = 8;
    // A host must follow: "https://?x" or "https://#x" names none.
    if (prefix == 0 || text.size() == prefix || text[prefix] == L'/' || text[prefix] == L'?' || text[prefix] == L'#')
        return false;
    for (wchar_t c : text) {
        if (c == L' ' || IsControlCharacter(c))
            return false;
    }
    return true;
}

// A number field, which may appear once: false when it is not a decimal
// number or came before (seen tells).
bool ReadNumberOnce(const std::wstring& value, bool& seen, uint64_t& number)
{
    if (seen || !ParseNumber(value, number))
        return false;
    seen = true;
    return true;
}

// Strict UTF-8 to UTF-16: no overlong forms, no surrogates, nothing above
// U+10FFFF.
bool DecodeUtf8(const uint8_t* bytes, size_t size, std::wstring& text)
{
    text.clear();
    size_t i = 0;
    while (i < size) {
        const uint8_t b = bytes[i];
        uint32_t c = 0;
        size_t extra = 0;
        uint32_t minimum = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            extra = 1;
            minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            extra = 2;
            minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            extra = 3;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (size - i <= extra)
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (bytes[i + k] & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        if (c >= 0x10000) {
            c -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (c >> 10));
            text += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        } else {
            text += static_cast<wchar_t>(c);
        }
        i += extra + 1;
    }
    return true;
}

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

}  // namespace

bool SplitManifest(const uint8_t* bytes, size_t size, size_t& signedLength, std::vector<uint8_t>& signature)
{
    if (size > kMaxManifestBytes)
        return false;
    size_t end = size;
    if (end > 0 && bytes[end - 1] == '\n') {
        --end;
        if (end > 0 && bytes[end - 1] == '\r')
            --end;
    }
    size_t start = end;
    while (start > 0 && bytes[start - 1] != '\n')
        --start;
    const size_t nameLength = sizeof(kSignatureName) - 1;
    if (end - start < nameLength || std::memcmp(bytes + start, kSignatureName, nameLength) != 0)
        return false;
    std::vector<uint8_t> decoded;
    if (!DecodeBase64(std::string(bytes + start + nameLength, bytes + end), decoded) ||
        decoded.size() != kSignatureBytes)
        return false;
    signature = std::move(decoded);
    signedLength = start;
    return true;
}

bool ParseManifestFields(const uint8_t* bytes, size_t size, Manifest& manifest)
{
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        bytes += 3;
        size -= 3;
    }
    std::wstring text;
    if (!DecodeUtf8(bytes, size, text))
        return false;

    Manifest result;
    bool hasSerial = false, hasExpires = false, hasSize = false, hasSha256 = false, hasSigner = false,
         hasChannel = false;
    bool hasLauncherVersion = false, hasLauncherSize = false, hasLauncherSha256 = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lineEnd = text.find(L'\n', pos);
        if (lineEnd == std::wstring::npos)
            lineEnd = text.size();
        std::wstring line = text.substr(pos, lineEnd - pos);
        pos = lineEnd + 1;
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        const size_t equals = line.find(L'=');
        if (equals == std::wstring::npos || line.find(L'\r') != std::wstring::npos)
            return false;
        const std::wstring name = line.substr(0, equals);
        const std::wstring value = line.substr(equals + 1);
        if (name == L"url") {
            if (!IsDownloadAddress(value))
                return false;
            result.urls.push_back(value);
        } else if (name == L"serial") {
            if (!ReadNumberOnce(value, hasSerial, result.serial) || result.serial == 0)
                return false;
        } else if (name == L"expires") {
            std::string narrow;
            if (hasExpires || !NarrowAscii(value, narrow) || !ParseUtcTime(narrow, result.expires))
                return false;
            hasExpires = true;
        } else if (name == L"size") {
            if (!ReadNumberOnce(value, hasSize, result.size))
                return false;
        } else if (name == L"sha256") {
            if (hasSha256 || !ParseSha256Pin(value, result.sha256))
                return false;
            hasSha256 = true;
        } else if (name == L"signer") {
            if (hasSigner || value.empty() || HasControlCharacter(value))
                return false;
            result.signer = value;
            hasSigner = true;
        } else if (name == L"channel") {
            if (hasChannel || value.empty() || HasControlCharacter(value))
                return false;
            result.channel = value;
            hasChannel = true;
        } else if (name == L"launcher_version") {
            if (hasLauncherVersion || !ParseLauncherVersion(value, result.launcher.version))
                return false;
            hasLauncherVersion = true;
        } else if (name == L"launcher_size") {
            if (!ReadNumberOnce(value, hasLauncherSize, result.launcher.size))
                return false;
        } else if (name == L"launcher_sha256") {
            if (hasLauncherSha256 || !ParseSha256Pin(value, result.launcher.sha256))
                return false;
            hasLauncherSha256 = true;
        } else if (name == L"launcher_url") {
            if (!IsDownloadAddress(value))
                return false;
            result.launcher.urls.push_back(value);
        } else if (name == L"launcher_signer_key") {
            std::vector<uint8_t> key;
            if (!ParseSha256Pin(value, key))
                return false;
            result.launcher.signerKeys.push_back(std::move(key));
        } else if (name == L"signature") {
            // Only the last line may be the signature.
            return false;
        }
        // Other names are fields of later versions.
    }
    if (!hasSerial || !hasExpires || !hasSize || !hasSha256 || !hasChannel || result.urls.empty())
        return false;
    // The launcher's lines come all together or not at all.
    const bool anyLauncher = hasLauncherVersion || hasLauncherSize || hasLauncherSha256 ||
                             !result.launcher.urls.empty() || !result.launcher.signerKeys.empty();
    const bool allLauncher =
        hasLauncherVersion && hasLauncherSize && hasLauncherSha256 && !result.launcher.urls.empty();
    if (anyLauncher && !allLauncher)
        return false;
    result.launcher.present = allLauncher;
    manifest = std::move(result);
    return true;
}

bool DecodeBase64(const std::string& text, std::vector<uint8_t>& bytes)
{
    if (text.empty() || text.size() % 4 != 0)
        return false;
    std::vector<uint8_t> out;
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int v[4];
        int padding = 0;
        for (size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            if (c == '=' && last && k >= 2) {
                v[k] = 0;
                ++padding;
                continue;
            }
            if (padding > 0)
                return false;
            v[k] = Base64Value(c);
            if (v[k] < 0)
                return false;
        }
        const uint32_t group = (v[0] << 18) | (v[1] << 12) | (v[2] << 6) | v[3];
        out.push_back(static_cast<uint8_t>(group >> 16));
        if (padding < 2)
            out.push_back(static_cast<uint8_t>(group >> 8));
        if (padding < 1)
            out.push_back(static_cast<uint8_t>(group));
    }
    bytes = std::move(out);
    return true;
}

bool ParseP256PublicKey(const std::wstring& base64, std::vector<uint8_t>& point)
{
    // SEQUENCE { SEQUENCE { id-ecPublicKey, prime256v1 }, BIT STRING { 04 X Y } }
    static const uint8_t kPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02,
                                      0x01, 0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01, 0x07, 0x03,
                                      0x42, 0x00, 0x04};
    std::string text;
    std::vector<uint8_t> der;
    if (!NarrowAscii(base64, text) || !DecodeBase64(text, der) || der.size() != sizeof(kPrefix) + 64 ||
        std::memcmp(der.data(), kPrefix, sizeof(kPrefix)) != 0)
        return false;
    point.assign(der.begin() + sizeof(kPrefix), der.end());
    return true;
}
