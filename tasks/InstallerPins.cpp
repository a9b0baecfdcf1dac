#include "tasks/InstallerPins.h"

#include "platform/FileTrust.h"
#include "platform/HexText.h"

bool ParseSha256Pin(const std::wstring& text, std::vector<uint8_t>& digest)
{
    constexpr size_t kDigestBytes = 32;
    if (text.size() != 2 * kDigestBytes)
        return false;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = HexValue(text[i]);
        const int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    digest = std::move(bytes);
    return true;
}

bool MatchesSha256(IHeldFile& file, const std::vector<uint8_t>& pinned, const std::atomic<bool>& keepGoing)
{
    std::vector<uint8_t> digest;
    uint32_t error = 0;
    return file.Sha256(digest, error, keepGoing) && digest == pinned;
}
