#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Sha256.h"

// CERT_E_CN_NO_MATCH: the file is signed and its signature holds, but by
// another signer than the one asked for.
constexpr uint32_t kErrorSignerMismatch = 0x800B010F;

// TRUST_E_NOSIGNATURE: the file carries no Authenticode signature.
constexpr uint32_t kErrorNoSignature = 0x800B0100;

// Who signed a file: the subject of the signer's certificate (its whole
// distinguished name, as the system writes it) and the SHA-256 of the
// certificate's DER SubjectPublicKeyInfo (32 bytes).
struct SignerIdentity {
    std::wstring subject;
    std::vector<uint8_t> keySha256;
};

// Which file a path named, and as what: the volume, the file's number on
// it, its size and its last write (100-ns units since 1601). Two equal
// identities are the same file, not written to in between (short of a
// writer that put its time back).
struct FileIdentity {
    uint32_t volume = 0;
    uint64_t number = 0;
    uint64_t size = 0;
    uint64_t lastWrite = 0;

    bool operator==(const FileIdentity& other) const
    {
        return volume == other.volume && number == other.number && size == other.size &&
               lastWrite == other.lastWrite;
    }
};

// A file held open for its checks: others may read it but neither write,
// rename nor delete it until it is let go, so that what was checked is
// what runs.
class IHeldFile {
public:
    virtual ~IHeldFile() = default;

    // The SHA-256 digest (32 bytes) of the whole file. False, with the
    // platform's code, when it cannot be read or hashed, or as soon as
    // keepGoing is found clear.
    virtual bool Sha256(std::vector<uint8_t>& digest, uint32_t& error, const std::atomic<bool>& keepGoing) = 0;

    // The held file's identity; false when the system cannot tell it.
    virtual bool Identity(FileIdentity& identity)
    {
        (void)identity;
        return false;
    }

    // Checks the file's Authenticode signature: it must hold (the file is
    // unchanged since it was signed and the system trusts the signer's
    // chain; no user interface; revocation only from what the system has
    // cached) and its signer's subject common name must be expectedSigner
    // exactly. 0 when all holds; the system's code, or kErrorSignerMismatch.
    virtual uint32_t VerifySignature(const std::wstring& expectedSigner) = 0;

    // Checks the file's Authenticode signature as VerifySignature does and
    // tells who signed it. 0 with signer filled when it holds;
    // kErrorNoSignature for an unsigned file; else the system's code.
    virtual uint32_t ReadSigner(SignerIdentity& signer)
    {
        (void)signer;
        return kErrorNoSignature;
    }
};

// Checks of what the launcher is about to run.
class IFileTrust {
public:
    virtual ~IFileTrust() = default;

    // Opens the file for its checks. Null, with the platform's code, when
    // it cannot be opened (or is already open for writing elsewhere).
    virtual std::unique_ptr<IHeldFile> Hold(const std::wstring& path, uint32_t& error) = 0;

    // A digest to compute as a download's bytes arrive; null when the
    // system gives none (the file is then hashed whole once it is there).
    virtual std::unique_ptr<ISha256> NewSha256() { return nullptr; }
};
