#pragma once
// SHA-256 as the bytes arrive, with OpenSSL's libcrypto: what CNG's hash
// object does on Windows, for the native tests.
#include <openssl/evp.h>

#include <memory>
#include <vector>

#include "platform/Sha256.h"

class OpenSslSha256 : public ISha256 {
public:
    OpenSslSha256() : m_context(EVP_MD_CTX_new()) { EVP_DigestInit_ex(m_context, EVP_sha256(), nullptr); }
    ~OpenSslSha256() override { EVP_MD_CTX_free(m_context); }
    OpenSslSha256(const OpenSslSha256&) = delete;
    OpenSslSha256& operator=(const OpenSslSha256&) = delete;

    bool Add(const uint8_t* bytes, size_t count) override { return EVP_DigestUpdate(m_context, bytes, count) == 1; }
    bool Finish(std::vector<uint8_t>& digest) override
    {
        digest.resize(32);
        unsigned int size = 0;
        return EVP_DigestFinal_ex(m_context, digest.data(), &size) == 1 && size == 32;
    }

    // The digest of bytes in one piece.
    static std::vector<uint8_t> Of(const std::vector<uint8_t>& bytes)
    {
        OpenSslSha256 sha;
        std::vector<uint8_t> digest;
        sha.Add(bytes.data(), bytes.size());
        sha.Finish(digest);
        return digest;
    }

private:
    EVP_MD_CTX* m_context;
};
