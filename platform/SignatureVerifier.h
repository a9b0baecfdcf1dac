#pragma once
#include <cstddef>
#include <cstdint>

// Checks the publisher's signature of the download manifest (CNG on
// Windows).
class ISignatureVerifier {
public:
    virtual ~ISignatureVerifier() = default;

    // Whether signature (r then s, 32 bytes each) is an ECDSA P-256
    // signature over the SHA-256 digest of data by the key whose public
    // point is point (X then Y, 32 bytes each). False, with the platform's
    // code, when it does not hold or cannot be checked.
    virtual bool VerifyP256(const uint8_t* point, const uint8_t* data, size_t size, const uint8_t* signature,
                            uint32_t& error) = 0;
};
