// The manifest's signature: ECDSA P-256 over SHA-256 with CNG alone. The
// public point goes in as a BCRYPT_ECCPUBLIC_BLOB; the signature is the
// 64-byte r||s that BCryptVerifySignature takes as it is.
#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <vector>

#include "platform/win/ScopedHandles.h"
#include "platform/win/SystemLibrary.h"
#include "platform/win/WinTaskPlatform.h"

namespace {

constexpr ULONG kCoordinateBytes = 32;
constexpr ULONG kSha256Bytes = 32;

inline void CloseAlgorithm(BCRYPT_ALG_HANDLE algorithm)
{
    BCryptCloseAlgorithmProvider(algorithm, 0);
}
using ScopedAlgorithm = ScopedHandle<BCRYPT_ALG_HANDLE, &CloseAlgorithm>;
using ScopedHash = ScopedHandle<BCRYPT_HASH_HANDLE, &BCryptDestroyHash>;
using ScopedKey = ScopedHandle<BCRYPT_KEY_HANDLE, &BCryptDestroyKey>;

bool Sha256(const uint8_t* data, size_t size, uint8_t* digest, NTSTATUS& status)
{
    ScopedAlgorithm algorithm;
    status = BCryptOpenAlgorithmProvider(algorithm.Out(), BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (status < 0)
        return false;
    ScopedHash hash;
    status = BCryptCreateHash(algorithm.Get(), hash.Out(), nullptr, 0, nullptr, 0, 0);
    if (status >= 0)
        status = BCryptHashData(hash.Get(), const_cast<PUCHAR>(data), static_cast<ULONG>(size), 0);
    if (status >= 0)
        status = BCryptFinishHash(hash.Get(), digest, kSha256Bytes, 0);
    return status >= 0;
}

}  // namespace

bool WinSignatureVerifier::VerifyP256(const uint8_t* point, const uint8_t* data, size_t size,
                                      const uint8_t* signature, uint32_t& error)
{
    DWORD loadError = 0;
    if (LoadSystemLibrary(L"bcrypt.dll", loadError) == nullptr) {
        error = loadError;
        return false;
    }
    uint8_t digest[kSha256Bytes];
    NTSTATUS status = 0;
    if (!Sha256(data, size, digest, status)) {
        error = static_cast<uint32_t>(status);
        return false;
    }

    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 2 * kCoordinateBytes);
    BCRYPT_ECCKEY_BLOB header = {};
    header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header.cbKey = kCoordinateBytes;
    std::memcpy(blob.data(), &header, sizeof(header));
    std::memcpy(blob.data() + sizeof(header), point, 2 * kCoordinateBytes);

    ScopedAlgorithm algorithm;
    ScopedKey key;
    status = BCryptOpenAlgorithmProvider(algorithm.Out(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
    if (status >= 0)
        status = BCryptImportKeyPair(algorithm.Get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.Out(), blob.data(),
                                     static_cast<ULONG>(blob.size()), 0);
    if (status >= 0)
        status = BCryptVerifySignature(key.Get(), nullptr, digest, kSha256Bytes, const_cast<PUCHAR>(signature),
                                       2 * kCoordinateBytes, 0);
    error = static_cast<uint32_t>(status);
    return status >= 0;
}
