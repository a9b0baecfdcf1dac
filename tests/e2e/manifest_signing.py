"""Signed download manifests for the tests under Wine.

    sign(key, installer, urls, output, channel, serial=1, expires=None, signer=None)

Writes the manifest the launcher reads (docs/publishers.md: UTF-8 lines,
the signature over every byte before its line) for the installer file,
signed with the publisher's key KEY (a P-256 PEM key, as
tools/publisher/manifest.py keygen makes it) by Debian's openssl, as the
publisher's kit signs: SHA-256, ECDSA, r and s of 32 bytes each in base64.
The tests sign here, not with the kit, because they also need what a
publisher's kit rightly refuses to make: a manifest that has expired, one
for another channel. expires defaults to 30 days from now."""
import base64
import datetime
import hashlib
import subprocess


def _der_length(der, pos):
    first = der[pos]
    if first < 0x80:
        return first, pos + 1
    count = first & 0x7F
    return int.from_bytes(der[pos + 1:pos + 1 + count], "big"), pos + 1 + count


def _raw_signature(der):
    """openssl's ECDSA-Sig-Value (a SEQUENCE of the INTEGERs r and s) as the
    64 bytes r||s."""
    _, pos = _der_length(der, 1)
    raw = b""
    for _ in range(2):
        length, pos = _der_length(der, pos + 1)
        raw += int.from_bytes(der[pos:pos + length], "big").to_bytes(32, "big")
        pos += length
    return raw


def sign(key, installer, urls, output, channel, serial=1, expires=None, signer=None):
    with open(installer, "rb") as f:
        data = f.read()
    if expires is None:
        moment = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(days=30)
        expires = moment.strftime("%Y-%m-%dT%H:%M:%SZ")
    lines = [f"serial={serial}", f"expires={expires}", f"size={len(data)}",
             f"sha256={hashlib.sha256(data).hexdigest()}", f"channel={channel}"]
    if signer:
        lines.append(f"signer={signer}")
    lines += [f"url={url}" for url in urls]
    signed = ("\n".join(lines) + "\n").encode("utf-8")
    der = subprocess.run(["openssl", "dgst", "-sha256", "-sign", key], input=signed, check=True,
                         capture_output=True).stdout
    with open(output, "wb") as f:
        f.write(signed + b"signature=" + base64.b64encode(_raw_signature(der)) + b"\n")
