#pragma once
// The rules a fetched manifest must pass before the launcher downloads by
// it: a signature line, a signature by the publisher's key, well-formed
// fields, this launcher's channel, a serial no lower than the highest this
// user accepted before on that channel, and a time of validity that has
// not run out.
#include <cstdint>
#include <string>
#include <vector>

#include "tasks/Manifest.h"

class ISignatureVerifier;

// What is known around one fetched manifest.
struct ManifestContext {
    std::vector<uint8_t> publicPoint;  // the publisher's key, X then Y
    std::wstring channel;              // this launcher's channel (k_comm_channel)
    bool hasAcceptedSerial = false;    // the highest serial accepted before
    uint64_t acceptedSerial = 0;
    int64_t localNow = 0;              // this computer's clock, seconds since 1970
    bool hasServerNow = false;         // the answer's Date header
    int64_t serverNow = 0;
    int64_t buildTime = 0;             // when the launcher was built
};

// The first rule the manifest breaks (None when it passes), with its
// fields in manifest when it passes. Its channel must be this launcher's,
// exactly. An equal serial passes (the same manifest fetched again).
//
// It has expired when anything that tells the time says so: this
// computer's clock, the answer's Date (not signed: it can only make the
// verdict stricter, never rescue a replayed manifest) or the launcher's
// build time (the present is later). Expired while this computer's clock
// is before the build time is WrongClock: the player is told to set the
// clock, not that the manifest is bad.
//
// verifierError holds the platform's code when the signature could not be
// checked at all.
ManifestFault CheckManifest(const std::vector<uint8_t>& bytes, const ManifestContext& context,
                            ISignatureVerifier& verifier, Manifest& manifest, uint32_t& verifierError);
