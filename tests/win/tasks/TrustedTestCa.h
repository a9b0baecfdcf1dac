#pragma once
// A test certificate authority in the local machine's trusted roots while
// a test runs, removed again afterwards. The store is closed after each
// change: a registry store writes its changes when it is closed, and only
// then does a new chain engine see them.
#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "platform/win/ScopedHandles.h"

inline void CloseCertStore(HCERTSTORE store)
{
    CertCloseStore(store, 0);
}
using ScopedCertStore = ScopedHandle<HCERTSTORE, &CloseCertStore>;
using ScopedCertContext = ScopedHandle<PCCERT_CONTEXT, &CertFreeCertificateContext>;

class TrustedTestCa {
public:
    TrustedTestCa() = default;
    TrustedTestCa(const TrustedTestCa&) = delete;
    TrustedTestCa& operator=(const TrustedTestCa&) = delete;

    // der: the certificate in DER encoding.
    bool Add(const std::string& der)
    {
        m_der = der;
        ScopedCertStore store = OpenRoot();
        return store && CertAddEncodedCertificateToStore(store.Get(), X509_ASN_ENCODING, Bytes(), Size(),
                                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
    }
    ~TrustedTestCa()
    {
        if (m_der.empty())
            return;
        ScopedCertStore store = OpenRoot();
        ScopedCertContext ours(CertCreateCertificateContext(X509_ASN_ENCODING, Bytes(), Size()));
        if (!store || !ours)
            return;
        PCCERT_CONTEXT found =
            CertFindCertificateInStore(store.Get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, ours.Get(), nullptr);
        if (found != nullptr)
            CertDeleteCertificateFromStore(found);  // frees found too
    }

private:
    static ScopedCertStore OpenRoot()
    {
        return ScopedCertStore(
            CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
    }
    const BYTE* Bytes() const { return reinterpret_cast<const BYTE*>(m_der.data()); }
    DWORD Size() const { return static_cast<DWORD>(m_der.size()); }

    std::string m_der;
};
