#!/usr/bin/env python3
"""The publisher's kit for the launcher's download manifest.

    manifest.py keygen KEY.pem
        Makes a P-256 private key (keep it secret, keep it safe) and prints
        the line for the configuration:  k_comm_manifest_key=<base64>

    manifest.py sign --key KEY.pem --installer SETUP.exe --url URL [--url URL2 ...]
                     [--serial N] [--days D | --expires YYYY-MM-DDTHH:MM:SSZ]
                     [--signer "Common Name"] MANIFEST.txt
        Writes the signed manifest for this installer: its size and SHA-256,
        the addresses in order of preference, the serial (default: the serial
        of the MANIFEST.txt already there plus one, else 1) and the time of
        validity (default: 30 days from now).

    manifest.py verify --key-line BASE64 MANIFEST.txt [--installer SETUP.exe]
        Checks the manifest as the launcher does (signature, fields, expiry
        by this computer's clock) and, given the installer, its size and
        digest. Exit code 0 when it holds, 1 otherwise.

Needs Python 3 and Debian's openssl command; nothing is fetched.
"""
import argparse
import base64
import datetime
import hashlib
import os
import re
import subprocess
import sys
import tempfile

MAX_BYTES = 64 * 1024
FIELDS = ("serial", "expires", "size", "sha256", "signer")


def openssl(*args, data=None):
    result = subprocess.run(["openssl", *args], input=data, capture_output=True)
    return result


def public_der(key_path):
    result = openssl("pkey", "-in", key_path, "-pubout", "-outform", "DER")
    if result.returncode != 0:
        sys.exit(f"{key_path}: not a private key: {result.stderr.decode(errors='replace').strip()}")
    return result.stdout


def der_length(data, pos):
    first = data[pos]
    if first < 0x80:
        return first, pos + 1
    count = first & 0x7F
    return int.from_bytes(data[pos + 1:pos + 1 + count], "big"), pos + 1 + count


def der_to_raw(der):
    """ECDSA-Sig-Value (SEQUENCE of two INTEGERs) to the 64-byte r||s."""
    if der[0] != 0x30:
        raise ValueError("not a DER signature")
    _, pos = der_length(der, 1)
    out = b""
    for _ in range(2):
        if der[pos] != 0x02:
            raise ValueError("not a DER signature")
        length, pos = der_length(der, pos + 1)
        value = int.from_bytes(der[pos:pos + length], "big")
        out += value.to_bytes(32, "big")
        pos += length
    return out


def raw_to_der(raw):
    def integer(b):
        b = b.lstrip(b"\0") or b"\0"
        if b[0] & 0x80:
            b = b"\0" + b
        return b"\x02" + bytes([len(b)]) + b
    body = integer(raw[:32]) + integer(raw[32:])
    return b"\x30" + bytes([len(body)]) + body


def keygen(args):
    if os.path.exists(args.key):
        sys.exit(f"{args.key} exists already; a new key would lock out every launcher built with the old one")
    old = os.umask(0o077)
    try:
        result = openssl("genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256",
                         "-pkeyopt", "ec_param_enc:named_curve", "-out", args.key)
    finally:
        os.umask(old)
    if result.returncode != 0:
        sys.exit(result.stderr.decode(errors="replace").strip())
    print("k_comm_manifest_key=" + base64.b64encode(public_der(args.key)).decode())


def read_fields(text):
    """name -> value (url: a list) of the lines before the signature line."""
    fields = {"url": []}
    for line in text.splitlines():
        if "=" not in line:
            continue
        name, value = line.split("=", 1)
        if name == "url":
            fields["url"].append(value)
        else:
            fields.setdefault(name, value)
    return fields


def sign(args):
    with open(args.installer, "rb") as f:
        installer = f.read()
    serial = args.serial
    if serial is None:
        serial = 1
        if os.path.exists(args.manifest):
            with open(args.manifest, encoding="utf-8") as f:
                previous = read_fields(f.read()).get("serial", "0")
            serial = int(previous) + 1 if previous.isdigit() else 1
    if serial < 1:
        sys.exit("the serial must be a positive integer")
    if args.expires:
        if not re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", args.expires):
            sys.exit("--expires must be YYYY-MM-DDTHH:MM:SSZ (UTC)")
        expires = args.expires
    else:
        moment = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(days=args.days)
        expires = moment.strftime("%Y-%m-%dT%H:%M:%SZ")
    for url in args.url:
        if not re.fullmatch(r"https?://[^/\s][^\s]*", url, re.IGNORECASE):
            sys.exit(f"not an http or https address: {url!r}")
    lines = [f"serial={serial}", f"expires={expires}", f"size={len(installer)}",
             f"sha256={hashlib.sha256(installer).hexdigest()}"]
    if args.signer:
        lines.append(f"signer={args.signer}")
    lines += [f"url={url}" for url in args.url]
    signed = ("\n".join(lines) + "\n").encode("utf-8")
    result = openssl("dgst", "-sha256", "-sign", args.key, data=signed)
    if result.returncode != 0:
        sys.exit(result.stderr.decode(errors="replace").strip())
    manifest = signed + b"signature=" + base64.b64encode(der_to_raw(result.stdout)) + b"\n"
    if len(manifest) > MAX_BYTES:
        sys.exit("the manifest would exceed 64 KB")
    with open(args.manifest, "wb") as f:
        f.write(manifest)
    print(f"{args.manifest}: serial {serial}, expires {expires}, {len(args.url)} address(es)")


def verify(args):
    with open(args.manifest, "rb") as f:
        data = f.read()
    problems = []
    if len(data) > MAX_BYTES:
        problems.append("more than 64 KB")
    body = data[:-2] if data.endswith(b"\r\n") else data[:-1] if data.endswith(b"\n") else data
    start = body.rfind(b"\n") + 1
    line = body[start:]
    signature = None
    if line.startswith(b"signature="):
        try:
            signature = base64.b64decode(line[len(b"signature="):], validate=True)
        except ValueError:
            pass
    if signature is None or len(signature) != 64:
        print(f"{args.manifest}: invalid (code 4): no well-formed signature line at the end")
        return 1
    signed = data[:start]
    with tempfile.TemporaryDirectory() as work:
        pub = os.path.join(work, "pub.der")
        sig = os.path.join(work, "sig.der")
        with open(pub, "wb") as f:
            f.write(base64.b64decode(args.key_line.split("=", 1)[-1] if args.key_line.startswith("k_comm")
                                     else args.key_line))
        with open(sig, "wb") as f:
            f.write(raw_to_der(signature))
        result = openssl("dgst", "-sha256", "-keyform", "DER", "-verify", pub, "-signature", sig, data=signed)
    if result.returncode != 0:
        print(f"{args.manifest}: invalid (code 1): the signature does not hold for this key")
        return 1
    text = signed.decode("utf-8", errors="replace")
    if text.startswith("\ufeff"):
        text = text[1:]
    fields = read_fields(text)
    for name in ("serial", "expires", "size", "sha256"):
        if name not in fields:
            problems.append(f"no {name}")
    if not fields["url"]:
        problems.append("no url")
    if problems:
        print(f"{args.manifest}: invalid (code 4): " + "; ".join(problems))
        return 1
    expires = datetime.datetime.strptime(fields["expires"], "%Y-%m-%dT%H:%M:%SZ").replace(
        tzinfo=datetime.timezone.utc)
    if expires <= datetime.datetime.now(datetime.timezone.utc):
        print(f"{args.manifest}: expired on {fields['expires']} (code 3)")
        return 1
    if args.installer:
        with open(args.installer, "rb") as f:
            installer = f.read()
        if str(len(installer)) != fields["size"] or hashlib.sha256(installer).hexdigest() != fields["sha256"].lower():
            print(f"{args.manifest}: {args.installer} is not the installer it names")
            return 1
    print(f"{args.manifest}: good, serial {fields['serial']}, expires {fields['expires']}, "
          f"{len(fields['url'])} address(es)")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    p = commands.add_parser("keygen")
    p.add_argument("key")
    p = commands.add_parser("sign")
    p.add_argument("--key", required=True)
    p.add_argument("--installer", required=True)
    p.add_argument("--url", action="append", required=True)
    p.add_argument("--serial", type=int)
    p.add_argument("--days", type=int, default=30)
    p.add_argument("--expires")
    p.add_argument("--signer")
    p.add_argument("manifest")
    p = commands.add_parser("verify")
    p.add_argument("--key-line", required=True)
    p.add_argument("--installer")
    p.add_argument("manifest")
    args = parser.parse_args()
    if args.command == "keygen":
        keygen(args)
        return 0
    if args.command == "sign":
        sign(args)
        return 0
    return verify(args)


if __name__ == "__main__":
    sys.exit(main())
