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
    if (context.hasAcceptedSerial && parsed.serial < context.acceptedSerial)
        return ManifestFault::OlderSerial;
    const bool expiredHere = context.localNow >= parsed.expires;
    const bool expiredThere = !context.hasServerNow || context.serverNow >= parsed.expires;
    if (expiredHere && expiredThere)
        return ManifestFault::Expired;
    manifest = std::move(parsed);
    return ManifestFault::None;
}
