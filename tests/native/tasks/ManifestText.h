#pragma once
// Manifests for the tests, "signed" for FakeSignatureVerifier.
#include <string>
#include <vector>

#include "tests/fakes/FakeSignatureVerifier.h"

inline std::string Base64(const std::vector<uint8_t>& bytes)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = bytes[i] << 16;
        if (i + 1 < bytes.size())
            group |= bytes[i + 1] << 8;
        if (i + 2 < bytes.size())
            group |= bytes[i + 2];
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
    }
    return out;
}

// The publisher's key as the tests' verifier knows it.
inline std::vector<uint8_t> TestKey(uint8_t seed = 1)
{
    return std::vector<uint8_t>(64, seed);
}

// The signed part followed by its signature line.
inline std::vector<uint8_t> Signed(const std::string& body, const std::string& tail = "\n", uint8_t key = 1)
{
    std::vector<uint8_t> bytes(body.begin(), body.end());
    const std::string line =
        "signature=" + Base64(FakeSignatureVerifier::ToySign(TestKey(key), bytes.data(), bytes.size())) + tail;
    bytes.insert(bytes.end(), line.begin(), line.end());
    return bytes;
}
