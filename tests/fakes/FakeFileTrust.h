#pragma once
// Scripted checks of files: the digests that successive hashes give, and
// the outcome of a signature check. Records every file hashed and how many
// files are held at a time.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileTrust.h"

class FakeFileTrust : public IFileTrust {
public:
    // Digests handed out by successive hashes; the last one answers every
    // further hash.
    std::vector<std::vector<uint8_t>> digests;
    // A signature check gives signatureError when set, else compares the
    // signer's name.
    uint32_t signatureError = 0;
    std::wstring signerName;
    // Who signed each file, with the code its check gives (0: it holds); a
    // file not listed is unsigned.
    struct Signer {
        uint32_t code = 0;
        SignerIdentity identity;
    };
    std::map<std::wstring, Signer> signers;

    std::atomic<int> held{0};

    // What a held file's identity is, by its path; unknown without it.
    std::function<bool(const std::wstring& path, FileIdentity& identity)> identity;

    std::vector<std::wstring> Hashed() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_hashed;
    }

    std::unique_ptr<IHeldFile> Hold(const std::wstring& path, uint32_t&) override
    {
        return std::make_unique<File>(*this, path);
    }

    // The digests computed as the bytes arrive: none unless a test hands
    // out its own (every file is then hashed whole, from digests).
    std::function<std::unique_ptr<ISha256>()> newSha256;
    std::unique_ptr<ISha256> NewSha256() override { return newSha256 ? newSha256() : nullptr; }

private:
    class File : public IHeldFile {
    public:
        File(FakeFileTrust& trust, std::wstring path) : m_trust(trust), m_path(std::move(path)) { ++m_trust.held; }
        ~File() override { --m_trust.held; }

        bool Sha256(std::vector<uint8_t>& digest, uint32_t&, const std::atomic<bool>&) override
        {
            std::lock_guard<std::mutex> lock(m_trust.m_mutex);
            const size_t index = m_trust.m_hashed.size();
            m_trust.m_hashed.push_back(m_path);
            digest = m_trust.digests.at(index < m_trust.digests.size() ? index : m_trust.digests.size() - 1);
            return true;
        }
        bool Identity(FileIdentity& identity) override
        {
            return m_trust.identity && m_trust.identity(m_path, identity);
        }
        uint32_t VerifySignature(const std::wstring& expectedSigner) override
        {
            if (m_trust.signatureError != 0)
                return m_trust.signatureError;
            return m_trust.signerName == expectedSigner ? 0 : kErrorSignerMismatch;
        }
        uint32_t ReadSigner(SignerIdentity& signer) override
        {
            auto it = m_trust.signers.find(m_path);
            if (it == m_trust.signers.end())
                return kErrorNoSignature;
            signer = it->second.identity;
            return it->second.code;
        }

    private:
        FakeFileTrust& m_trust;
        std::wstring m_path;
    };

    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_hashed;
};
