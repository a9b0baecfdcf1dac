// Feeds arbitrary bytes to the download manifest's parser (the signature
// line, then the fields of the part before it) and checks its promises: the
// signed part ends where the signature line starts, the signature is 64
// bytes, a parsed manifest has every field it needs and a channel without
// control characters.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tasks/Manifest.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t signedLength = 0;
    std::vector<uint8_t> signature;
    if (SplitManifest(data, size, signedLength, signature)) {
        Require(size <= kMaxManifestBytes);
        Require(signature.size() == 64);
        Require(signedLength < size);
        Require(signedLength == 0 || data[signedLength - 1] == '\n');
    }
    // The fields are read whether or not a signature line was found, so
    // that every byte sequence reaches the field parser.
    Manifest manifest;
    if (ParseManifestFields(data, size < kMaxManifestBytes ? size : kMaxManifestBytes, manifest)) {
        Require(manifest.serial > 0);
        Require(manifest.sha256.size() == 32);
        Require(!manifest.urls.empty());
        Require(!manifest.channel.empty());
        for (wchar_t c : manifest.channel)
            Require(c >= 0x20 && c != 0x7F);
    }
    return 0;
}
