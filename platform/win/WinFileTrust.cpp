// The installer's checks: SHA-256 with CNG, Authenticode with WinTrust, on
// a file held open that others may only read.
#include <windows.h>
#include <bcrypt.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

#include "platform/win/ScopedHandles.h"
#include "platform/win/SystemLibrary.h"
#include "platform/win/WinTaskPlatform.h"

namespace {

constexpr DWORD kReadSize = 64 * 1024;
constexpr ULONG kSha256Bytes = 32;

inline void CloseAlgorithm(BCRYPT_ALG_HANDLE algorithm)
{
    BCryptCloseAlgorithmProvider(algorithm, 0);
}
using ScopedAlgorithm = ScopedHandle<BCRYPT_ALG_HANDLE, &CloseAlgorithm>;
using ScopedHash = ScopedHandle<BCRYPT_HASH_HANDLE, &BCryptDestroyHash>;

// WinVerifyTrust's state between its verify and its close.
struct TrustState {
    WINTRUST_DATA* data = nullptr;
};
bool IsNoHandle(const TrustState& s)
{
    return s.data == nullptr || s.data->hWVTStateData == nullptr;
}
void CloseTrustState(const TrustState& s)
{
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    s.data->dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, s.data);
}
using ScopedTrustState = ScopedHandle<TrustState, &CloseTrustState>;

bool LoadAll(std::initializer_list<const wchar_t*> names, uint32_t& error)
{
    for (const wchar_t* name : names) {
        DWORD loadError = 0;
        if (LoadSystemLibrary(name, loadError) == nullptr) {
            error = loadError;
            return false;
        }
    }
    return true;
}

// CNG's hash object, fed as the bytes arrive: the digests of a stream, of
// a held file and of a certificate's key. Its algorithm handle lives as
// long as the hash made from it. Error() is the system's code of the first
// step that failed.
class WinSha256 : public ISha256 {
public:
    bool Open()
    {
        if (!LoadAll({L"bcrypt.dll"}, m_error))
            return false;
        return Check(BCryptOpenAlgorithmProvider(m_algorithm.Out(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
               Check(BCryptCreateHash(m_algorithm.Get(), m_hash.Out(), nullptr, 0, nullptr, 0, 0));
    }

    bool Add(const uint8_t* bytes, size_t count) override
    {
        // BCryptHashData takes at most 4 GiB - 1 at once.
        while (count > 0) {
            const ULONG piece = count > 0x40000000u ? 0x40000000u : static_cast<ULONG>(count);
            if (!Check(BCryptHashData(m_hash.Get(), const_cast<PUCHAR>(bytes), piece, 0)))
                return false;
            bytes += piece;
            count -= piece;
        }
        return true;
    }

    bool Finish(std::vector<uint8_t>& digest) override
    {
        std::vector<uint8_t> result(kSha256Bytes);
        if (!Check(BCryptFinishHash(m_hash.Get(), result.data(), kSha256Bytes, 0)))
            return false;
        digest = std::move(result);
        return true;
    }

    uint32_t Error() const { return m_error; }

private:
    bool Check(NTSTATUS status)
    {
        if (status < 0)
            m_error = static_cast<uint32_t>(status);
        return status >= 0;
    }

    ScopedAlgorithm m_algorithm;
    ScopedHash m_hash;
    uint32_t m_error = 0;
};

// The first signer's certificate; null when there is none.
PCCERT_CONTEXT SignerCertificate(HANDLE stateData)
{
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(stateData);
    CRYPT_PROVIDER_SGNR* signer = provider == nullptr ? nullptr : WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain == nullptr)
        return nullptr;
    return signer->pasCertChain[0].pCert;
}

// The certificate's whole subject, as the system writes a distinguished
// name ("CN=Northwind Games Ltd, O=Northwind Games Ltd, C=GB").
std::wstring SubjectText(PCCERT_CONTEXT certificate)
{
    CERT_NAME_BLOB* subject = &certificate->pCertInfo->Subject;
    const DWORD type = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
    const DWORD size = CertNameToStrW(X509_ASN_ENCODING, subject, type, nullptr, 0);
    if (size <= 1)
        return std::wstring();
    std::vector<wchar_t> text(size);
    CertNameToStrW(X509_ASN_ENCODING, subject, type, text.data(), size);
    return std::wstring(text.data());
}

// SHA-256 of the certificate's DER SubjectPublicKeyInfo.
bool KeySha256(PCCERT_CONTEXT certificate, std::vector<uint8_t>& digest, uint32_t& error)
{
    CERT_PUBLIC_KEY_INFO* key = &certificate->pCertInfo->SubjectPublicKeyInfo;
    DWORD size = 0;
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, key, nullptr, &size)) {
        error = GetLastError();
        return false;
    }
    std::vector<uint8_t> der(size);
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, key, der.data(), &size)) {
        error = GetLastError();
        return false;
    }
    der.resize(size);
    WinSha256 sha;
    if (!sha.Open() || !sha.Add(der.data(), der.size()) || !sha.Finish(digest)) {
        error = sha.Error();
        return false;
    }
    return true;
}

// The subject common name of the first signer's certificate.
std::wstring SignerName(HANDLE stateData)
{
    PCCERT_CONTEXT certificate = SignerCertificate(stateData);
    if (certificate == nullptr)
        return std::wstring();
    void* commonName = const_cast<char*>(szOID_COMMON_NAME);
    const DWORD size = CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, commonName, nullptr, 0);
    if (size <= 1)
        return std::wstring();
    std::vector<wchar_t> name(size);
    CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, commonName, name.data(), size);
    return std::wstring(name.data());
}

class WinHeldFile : public IHeldFile {
public:
    WinHeldFile(std::wstring path, HANDLE file) : m_path(std::move(path)), m_file(file) {}

    bool Identity(FileIdentity& identity) override
    {
        BY_HANDLE_FILE_INFORMATION info = {};
        if (!GetFileInformationByHandle(m_file.Get(), &info))
            return false;
        identity.volume = info.dwVolumeSerialNumber;
        identity.number = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
        identity.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
        identity.lastWrite = (uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime;
        return true;
    }

    bool Sha256(std::vector<uint8_t>& digest, uint32_t& error, const std::atomic<bool>& keepGoing) override
    {
        WinSha256 sha;
        if (!sha.Open()) {
            error = sha.Error();
            return false;
        }
        LARGE_INTEGER start = {};
        if (!SetFilePointerEx(m_file.Get(), start, nullptr, FILE_BEGIN)) {
            error = GetLastError();
            return false;
        }
        std::vector<uint8_t> buffer(kReadSize);
        for (;;) {
            if (!keepGoing.load()) {
                error = ERROR_CANCELLED;
                return false;
            }
            DWORD read = 0;
            if (!ReadFile(m_file.Get(), buffer.data(), kReadSize, &read, nullptr)) {
                error = GetLastError();
                return false;
            }
            if (read == 0)
                break;
            if (!sha.Add(buffer.data(), read)) {
                error = sha.Error();
                return false;
            }
        }
        if (!sha.Finish(digest)) {
            error = sha.Error();
            return false;
        }
        return true;
    }

    uint32_t VerifySignature(const std::wstring& expectedSigner) override
    {
        std::wstring name;
        const uint32_t status = CheckSignature([&name](HANDLE state) { name = SignerName(state); });
        if (status != 0)
            return status;
        return name == expectedSigner ? 0 : kErrorSignerMismatch;
    }

    uint32_t ReadSigner(SignerIdentity& signer) override
    {
        uint32_t keyError = 0;
        const uint32_t status = CheckSignature([&signer, &keyError](HANDLE state) {
            PCCERT_CONTEXT certificate = SignerCertificate(state);
            if (certificate == nullptr) {
                keyError = static_cast<uint32_t>(TRUST_E_NOSIGNATURE);
                return;
            }
            signer.subject = SubjectText(certificate);
            if (!KeySha256(certificate, signer.keySha256, keyError) && keyError == 0)
                keyError = static_cast<uint32_t>(NTE_BAD_KEY);
        });
        return status != 0 ? status : keyError;
    }

    // WinVerifyTrust on the held file (no user interface, revocation only
    // from what the system has cached); when the signature holds, read
    // gets its state data before the state is closed. 0 or the system's
    // code.
    template <typename Read>
    uint32_t CheckSignature(Read read)
    {
        uint32_t error = 0;
        if (!LoadAll({L"crypt32.dll", L"wintrust.dll"}, error))
            return error;
        WINTRUST_FILE_INFO file = {};
        file.cbStruct = sizeof(file);
        file.pcwszFilePath = m_path.c_str();
        file.hFile = m_file.Get();
        WINTRUST_DATA data = {};
        data.cbStruct = sizeof(data);
        data.dwUIChoice = WTD_UI_NONE;
        data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
        data.dwUnionChoice = WTD_CHOICE_FILE;
        data.pFile = &file;
        data.dwStateAction = WTD_STATEACTION_VERIFY;
        data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
        GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
        const LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
        ScopedTrustState state(TrustState{&data});
        if (status != ERROR_SUCCESS)
            return static_cast<uint32_t>(status);
        read(data.hWVTStateData);
        return 0;
    }

private:
    std::wstring m_path;
    ScopedFileHandle m_file;
};

}  // namespace

std::unique_ptr<ISha256> WinFileTrust::NewSha256()
{
    auto sha = std::make_unique<WinSha256>();
    if (!sha->Open())
        return nullptr;
    return sha;
}

std::unique_ptr<IHeldFile> WinFileTrust::Hold(const std::wstring& path, uint32_t& error)
{
    // Others may read the file (the installer's own start does), but not
    // write, rename or delete it while it is held.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return nullptr;
    }
    return std::make_unique<WinHeldFile>(path, file);
}
