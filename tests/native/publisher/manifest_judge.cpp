// The launcher's judgement of one manifest file, for the test that holds the
// publisher's kit to it: CheckManifest with the signature checked by
// OpenSSL's libcrypto (the launcher checks it with CNG, which the tests
// under Wine cover).
//
//     manifest_judge KEY_LINE CHANNEL ACCEPTED_SERIAL SERVER_NOW FILE
//
// ACCEPTED_SERIAL and SERVER_NOW (seconds since 1970, the answer's Date) are
// "-" when there is none. Prints the fault's code, 0 when the manifest
// holds; exit code 2 when the arguments are wrong.
#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/SignatureVerifier.h"
#include "tasks/ManifestCheck.h"

namespace {

class OpenSslVerifier : public ISignatureVerifier {
public:
    bool VerifyP256(const uint8_t* point, const uint8_t* data, size_t size, const uint8_t* signature,
                    uint32_t& error) override
    {
        static const uint8_t kPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d,
                                          0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01,
                                          0x07, 0x03, 0x42, 0x00, 0x04};
        std::vector<uint8_t> spki(kPrefix, kPrefix + sizeof(kPrefix));
        spki.insert(spki.end(), point, point + 64);
        const unsigned char* cursor = spki.data();
        EVP_PKEY* key = d2i_PUBKEY(nullptr, &cursor, static_cast<long>(spki.size()));
        ECDSA_SIG* sig = ECDSA_SIG_new();
        ECDSA_SIG_set0(sig, BN_bin2bn(signature, 32, nullptr), BN_bin2bn(signature + 32, 32, nullptr));
        unsigned char* der = nullptr;
        const int derLength = i2d_ECDSA_SIG(sig, &der);
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        const bool holds = key != nullptr && derLength > 0 &&
                           EVP_DigestVerifyInit(context, nullptr, EVP_sha256(), nullptr, key) == 1 &&
                           EVP_DigestVerify(context, der, static_cast<size_t>(derLength), data, size) == 1;
        EVP_MD_CTX_free(context);
        OPENSSL_free(der);
        ECDSA_SIG_free(sig);
        EVP_PKEY_free(key);
        error = holds ? 0 : 1;
        return holds;
    }
};

// UTF-8 as wide text (the launcher reads its configuration's channel as
// wide text); the test gives well-formed UTF-8 only.
std::wstring Wide(const std::string& text)
{
    std::wstring wide;
    for (size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        const size_t extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (size_t k = 1; k <= extra && i + k < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        wide += static_cast<wchar_t>(c);
        i += extra + 1;
    }
    return wide;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 6)
        return 2;
    ManifestContext context;
    if (!ParseP256PublicKey(Wide(argv[1]), context.publicPoint))
        return 2;
    context.channel = Wide(argv[2]);
    if (std::strcmp(argv[3], "-") != 0) {
        context.hasAcceptedSerial = true;
        context.acceptedSerial = std::stoull(argv[3]);
    }
    if (std::strcmp(argv[4], "-") != 0) {
        context.hasServerNow = true;
        context.serverNow = std::stoll(argv[4]);
    }
    context.localNow = static_cast<int64_t>(std::time(nullptr));
    std::ifstream file(argv[5], std::ios::binary);
    if (!file)
        return 2;
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    OpenSslVerifier verifier;
    Manifest manifest;
    uint32_t verifierError = 0;
    const ManifestFault fault = CheckManifest(bytes, context, verifier, manifest, verifierError);
    std::printf("%u\n", static_cast<unsigned>(fault));
    return 0;
}
