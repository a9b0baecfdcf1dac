// Feeds arbitrary bytes to the download manifest's parser (the signature
// line, then the fields of the part before it) and checks its promises: the
// signed part ends where the signature line starts, the signature is 64
// bytes, a parsed manifest has every field it needs, a channel without
// control characters and only addresses the download can request.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/AsciiText.h"
#include "tasks/Manifest.h"
#include "tasks/WebAddress.h"

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
        Require(!HasControlCharacter(manifest.channel));
        // Every address is one the download can request: http or https
        // with a host, nothing that could end the request line.
        for (const std::wstring& url : manifest.urls) {
            Require(!HasControlCharacter(url) && url.find(L' ') == std::wstring::npos);
            Require(!download::ResolveLocation(url, std::wstring()).empty());
        }
        Require(!HasControlCharacter(manifest.signer));
    }
    return 0;
}
