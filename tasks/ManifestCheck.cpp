#include "tasks/ManifestCheck.h"

#include "platform/SignatureVerifier.h"

ManifestFault CheckManifest(const std::vector<uint8_t>& bytes, const ManifestContext& context,
                            ISignatureVerifier& verifier, Manifest& manifest, uint32_t& verifierError)
{
    verifierError = 0;
    size_t signedLength = 0;
    std::vector<uint8_t> signature;
    if (!SplitManifest(bytes.data(), bytes.size(), signedLength, signature))
        return ManifestFault::Malformed;
    if (context.publicPoint.size() != 64 ||
        !verifier.VerifyP256(context.publicPoint.data(), bytes.data(), signedLength, signature.data(), verifierError))
        return ManifestFault::BadSignature;
    Manifest parsed;
    if (!ParseManifestFields(bytes.data(), signedLength, parsed))
        return ManifestFault::Malformed;
    // Another game's or channel's manifest signed with the same key: its
    // serial is of another count and must not touch this one's.
    if (parsed.channel != context.channel)
        return ManifestFault::OtherChannel;
    if (context.hasAcceptedSerial && parsed.serial < context.acceptedSerial)
        return ManifestFault::OlderSerial;
    const bool expired = context.localNow >= parsed.expires ||
                         (context.hasServerNow && context.serverNow >= parsed.expires) ||
                         context.buildTime >= parsed.expires;
    if (expired)
        return context.localNow < context.buildTime ? ManifestFault::WrongClock : ManifestFault::Expired;
    manifest = std::move(parsed);
    return ManifestFault::None;
}
