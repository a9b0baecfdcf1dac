#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IHeldFile;

// What the publisher pinned about the installer in the configuration: its
// SHA-256 digest ("cver" "k_comm_sha256") and the common name of the
// signer of its Authenticode signature ("cver" "k_comm_signer"). Empty
// fields pin nothing; without either key the road is unchanged.
struct InstallerPins {
    std::vector<uint8_t> sha256;  // 32 bytes, or empty
    std::wstring signer;
    // The size in bytes, when a download manifest names it.
    bool hasSize = false;
    uint64_t size = 0;

    bool Any() const { return !sha256.empty() || !signer.empty(); }
};

// The digest of a "k_comm_sha256" value: 64 hexadecimal digits, either
// case, nothing else. False for anything else.
bool ParseSha256Pin(const std::wstring& text, std::vector<uint8_t>& digest);

// Whether the held file's SHA-256 digest is the pinned one; a file that
// cannot be hashed does not match.
bool MatchesSha256(IHeldFile& file, const std::vector<uint8_t>& pinned, const std::atomic<bool>& keepGoing);
