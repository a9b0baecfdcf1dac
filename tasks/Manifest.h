#pragma once
// The download manifest: a small signed UTF-8 text that names the installer
// (its size, SHA-256 digest and optional signer) and the addresses it is
// downloaded from, so that the publisher can change the installer without
// building a new launcher.
//
//     serial=42
//     expires=2027-01-31T00:00:00Z
//     size=1048576
//     sha256=<64 hexadecimal digits>
//     signer=<Authenticode signer's common name>     (optional)
//     url=https://cdn-a.example/setup.exe            (one or more, in order)
//     url=https://cdn-b.example/setup.exe
//     channel=release                                 (the launcher's channel)
//     signature=<base64 of the 64-byte r||s ECDSA P-256 signature>
//
// The signature covers SHA-256 of every byte before the signature line.
// Lines end with LF or CR LF; the signature line comes last and may end with
// one line break. Unknown names are ignored; a repeated name other than url,
// a missing or malformed field, anything after the signature line, or more
// than kMaxManifestBytes make the manifest invalid.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kMaxManifestBytes = 64 * 1024;

// The refusal codes shown after "安装信息无效,错误代码：", in the order the
// rules are checked: the signature line, the signature, the fields, the
// channel, the serial, the expiry. WrongClock is no code: an expiry that
// this computer's clock cannot judge is shown as the clock's fault.
enum class ManifestFault : uint32_t {
    None = 0,
    BadSignature = 1,
    OlderSerial = 2,
    Expired = 3,
    Malformed = 4,
    OtherChannel = 5,
    WrongClock = 0x100,
};

struct Manifest {
    uint64_t serial = 0;
    int64_t expires = 0;  // seconds since 1970-01-01T00:00:00Z
    uint64_t size = 0;
    std::vector<uint8_t> sha256;  // 32 bytes
    std::wstring signer;          // empty when the manifest names none
    std::vector<std::wstring> urls;
    std::wstring channel;  // which launchers it is for: their k_comm_channel
};

// Finds the signature line: the last line, "signature=" and the base64 of
// exactly 64 bytes, followed by at most one line break. signedLength is the
// count of bytes before it. False when the text is too long or has no such
// line (then nothing follows that could be checked).
bool SplitManifest(const uint8_t* bytes, size_t size, size_t& signedLength, std::vector<uint8_t>& signature);

// Reads the fields of the signed part (a leading UTF-8 byte-order mark is
// skipped). False when one is missing, malformed or repeated, or the text
// is not UTF-8.
bool ParseManifestFields(const uint8_t* bytes, size_t size, Manifest& manifest);

// Standard base64 with padding; false for anything else.
bool DecodeBase64(const std::string& text, std::vector<uint8_t>& bytes);

// The public point (X then Y, 32 bytes each) of a P-256 key given as the
// base64 of its DER SubjectPublicKeyInfo with the uncompressed point, as
// "openssl pkey -pubout -outform DER | base64 -w0" prints it. False for
// anything else (another curve or algorithm, a compressed point).
bool ParseP256PublicKey(const std::wstring& base64, std::vector<uint8_t>& point);
