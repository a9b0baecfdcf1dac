#pragma once
// A stand-in for the platform's ECDSA check: a "signature" holds when it is
// ToySign(point, data), a keyed checksum that any changed byte or another
// key changes. The real check runs under Wine (tests/win/tasks).
#include <cstring>
#include <string>
#include <vector>

#include "platform/SignatureVerifier.h"

class FakeSignatureVerifier : public ISignatureVerifier {
public:
    static std::vector<uint8_t> ToySign(const std::vector<uint8_t>& point, const uint8_t* data, size_t size)
    {
        uint64_t h = 1469598103934665603ull;
        auto mix = [&h](uint8_t b) {
            h ^= b;
            h *= 1099511628211ull;
        };
        for (uint8_t b : point)
            mix(b);
        for (size_t i = 0; i < size; ++i)
            mix(data[i]);
        std::vector<uint8_t> signature(64);
        for (size_t i = 0; i < signature.size(); ++i) {
            mix(static_cast<uint8_t>(i));
            signature[i] = static_cast<uint8_t>(h >> 56);
        }
        return signature;
    }

    bool VerifyP256(const uint8_t* point, const uint8_t* data, size_t size, const uint8_t* signature,
                    uint32_t& error) override
    {
        ++calls;
        const std::vector<uint8_t> expected = ToySign(std::vector<uint8_t>(point, point + 64), data, size);
        if (std::memcmp(expected.data(), signature, 64) == 0)
            return true;
        error = 0xC000A000;  // STATUS_INVALID_SIGNATURE
        return false;
    }

    int calls = 0;
};
