#pragma once
// The rules a fetched manifest must pass before the launcher downloads by
// it: a signature line, a signature by the publisher's key, well-formed
// fields, a serial no lower than the highest this user accepted before,
// and a time of validity that has not run out.
#include <cstdint>
#include <vector>

#include "tasks/Manifest.h"

class ISignatureVerifier;

// What is known around one fetched manifest.
struct ManifestContext {
    std::vector<uint8_t> publicPoint;  // the publisher's key, X then Y
    bool hasAcceptedSerial = false;    // the highest serial accepted before
    uint64_t acceptedSerial = 0;
    int64_t localNow = 0;              // this computer's clock, seconds since 1970
    bool hasServerNow = false;         // the answer's Date header
    int64_t serverNow = 0;
};

// The first rule the manifest breaks (None when it passes), with its
// fields in manifest when it passes. An equal serial passes (the same
// manifest fetched again). It has expired only when both this computer's
// clock and the answer's Date say so, so that a wrong clock alone never
// refuses a good manifest; without a Date the local clock decides.
// verifierError holds the platform's code when the signature could not be
// checked at all.
ManifestFault CheckManifest(const std::vector<uint8_t>& bytes, const ManifestContext& context,
                            ISignatureVerifier& verifier, Manifest& manifest, uint32_t& verifierError);
