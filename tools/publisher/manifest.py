#!/usr/bin/env python3
"""The publisher's kit for the launcher's download manifest.

    manifest.py keygen KEY.pem
        Makes a P-256 private key (keep it secret, keep it safe, back it up
        with KEY.pem.serials beside it) and prints the line for the
        configuration:  k_comm_manifest_key=<base64>

    manifest.py sign --key KEY.pem (--config CONFIG.ini | --channel NAME)
                     --installer SETUP.exe --url URL [--url URL2 ...]
                     [--serial N] [--days D | --expires YYYY-MM-DDTHH:MM:SSZ]
                     [--signer "Common Name"]
                     [--launcher LAUNCHER.exe --launcher-url URL [--launcher-url URL2 ...]
                      [--launcher-signer-key HEX_OR_CERTIFICATE ...]]
                     [--force] MANIFEST.txt
        Writes the signed manifest for this installer: its size and SHA-256,
        the addresses in order of preference, the channel (with --config, the
        configuration's k_comm_channel; the key must then be the one of its
        k_comm_manifest_key), the serial and the time of validity (default:
        30 days from now). The serial goes up by itself: KEY.pem.serials
        keeps the last one signed per channel, and a serial that is not
        above it needs --force, as does a time that has already passed.
        With --launcher, also the launcher that replaces the players' own:
        its version (read from its version resource), size, SHA-256 and
        addresses, and the signer keys it may be signed with besides the
        running launcher's own (the SHA-256 of a certificate's public key,
        given as 64 hexadecimal digits or as the certificate's file).
        Refuses whatever the launcher would refuse, and writes over no file
        that is not a manifest.

    manifest.py signer-key CERTIFICATE [CERTIFICATE ...]
        Prints the launcher_signer_key line of each certificate (PEM or
        DER): the SHA-256 of its DER SubjectPublicKeyInfo.

    manifest.py verify (--config CONFIG.ini | --key-line BASE64 --channel NAME)
                       [--accepted-serial N] [--date "Sun, 06 Nov 2094 08:49:37 GMT"]
                       [--installer SETUP.exe] [--launcher LAUNCHER.exe] MANIFEST.txt
        Judges the manifest as the launcher does (signature, fields,
        channel, serial against the highest a player accepted, expiry by
        this computer's clock and by the Date of the answer that brought
        it, when given) and, given the installer, its size and digest;
        given the launcher, its version, size and digest.

    manifest.py check-live --config CONFIG.ini [--accepted-serial N]
        Fetches the configuration's k_comm_manifest as the launcher does,
        judges it with the answer's Date too, and asks each address it
        names whether the installer (and the launcher) is there with the
        size it names.

Exit code 0 when the manifest holds (or was written), 1 when the launcher
would refuse it, 2 when it cannot be checked or written (one line says why
and what to do). Needs Python 3 and Debian's openssl command.
"""
import argparse
import base64
import datetime
import hashlib
import json
import os
import re
import struct
import subprocess
import sys
import tempfile
import urllib.error
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_config  # noqa: E402

MAX_BYTES = 64 * 1024
SERIAL_LIMIT = 2 ** 64
WARN_DAYS = 14
USER_AGENT = "quillmerexDownloader"
KEY_LINE_LENGTH = 124  # base64 of the 91 bytes of a P-256 SubjectPublicKeyInfo
SIGNATURE_NAME = b"signature="
# Key kinds by the object identifiers in their public key, for the message
# that refuses them.
KEY_KINDS = (
    (bytes.fromhex("2a864886f70d010101"), "an RSA key"),
    (bytes.fromhex("2b81040022"), "a P-384 key"),
    (bytes.fromhex("2b81040023"), "a P-521 key"),
    (bytes.fromhex("2b8104000a"), "a secp256k1 key"),
    (bytes.fromhex("06032b6570"), "an Ed25519 key"),
    (bytes.fromhex("06032b6571"), "an Ed448 key"),
)


class Stop(Exception):
    """A failure that ends the command with its one-line message."""


# --- the launcher's rules, one function each --------------------------------

def decode_base64(text):
    """Standard base64 with padding, as the launcher reads it; None for
    anything else."""
    alphabet = b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
    if not text or len(text) % 4:
        return None
    out = bytearray()
    for i in range(0, len(text), 4):
        last = i + 4 == len(text)
        values, padding = [], 0
        for k in range(4):
            c = text[i + k]
            if c == ord("=") and last and k >= 2:
                values.append(0)
                padding += 1
                continue
            if padding or c not in alphabet:
                return None
            values.append(alphabet.index(c))
        group = (values[0] << 18) | (values[1] << 12) | (values[2] << 6) | values[3]
        out += bytes([group >> 16, (group >> 8) & 0xFF, group & 0xFF])[:3 - padding]
    return bytes(out)


def split_manifest(data):
    """(bytes before the signature line, the 64-byte signature), or None when
    the text is too long or its last line is no signature line."""
    if len(data) > MAX_BYTES:
        return None
    end = len(data)
    if data[end - 1:end] == b"\n":
        end -= 1
        if data[end - 1:end] == b"\r":
            end -= 1
    start = data.rfind(b"\n", 0, end) + 1
    line = data[start:end]
    if not line.startswith(SIGNATURE_NAME):
        return None
    signature = decode_base64(line[len(SIGNATURE_NAME):])
    if signature is None or len(signature) != 64:
        return None
    return start, signature


def parse_decimal(text):
    """Digits only, at least one, below 2^64 (leading zeros allowed); None
    otherwise."""
    if not text or any(c < "0" or c > "9" for c in text):
        return None
    digits_left = text.lstrip("0")
    if len(digits_left) > 20:
        return None
    value = int(digits_left or "0")
    return value if value < SERIAL_LIMIT else None


def to_seconds(year, month, day, hour, minute, second):
    try:
        moment = datetime.datetime(year, month, day, hour, minute, second, tzinfo=datetime.timezone.utc)
    except (ValueError, TypeError):
        return None
    return int(moment.timestamp()) if year >= 1970 else None


def digits(text, pos, count):
    part = text[pos:pos + count]
    return int(part) if len(part) == count and all("0" <= c <= "9" for c in part) else None


def parse_utc_time(text):
    """"YYYY-MM-DDTHH:MM:SSZ" as seconds since 1970; None for anything else
    or a date and time that do not exist."""
    if len(text) != 20 or any(text[i] != c for i, c in ((4, "-"), (7, "-"), (10, "T"), (13, ":"), (16, ":"),
                                                          (19, "Z"))):
        return None
    return to_seconds(digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2), digits(text, 11, 2),
                      digits(text, 14, 2), digits(text, 17, 2))


def parse_http_date(text):
    """An IMF-fixdate ("Sun, 06 Nov 1994 08:49:37 GMT") as seconds since
    1970; None for anything else."""
    months = ("Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec")
    if (not text or len(text) != 29 or text[3:5] != ", " or text[7] != " " or text[11] != " " or
            text[16] != " " or text[19] != ":" or text[22] != ":" or text[25:29] != " GMT" or
            any(ord(c) > 0x7E for c in text)):
        return None
    month = months.index(text[8:11]) + 1 if text[8:11] in months else None
    return to_seconds(digits(text, 12, 4), month, digits(text, 5, 2), digits(text, 17, 2), digits(text, 20, 2),
                      digits(text, 23, 2))


def utc_text(seconds):
    return datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")


def is_download_address(text):
    """An absolute http or https address with a host, without blanks or
    control characters."""
    lower = "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in text[:8])
    prefix = 7 if lower.startswith("http://") else 8 if lower.startswith("https://") else 0
    if not prefix or len(text) == prefix or text[prefix] == "/":
        return False
    return not any(ord(c) <= 0x20 or ord(c) == 0x7F for c in text)


def parse_launcher_version(text):
    """"a.b.c.d", four numbers of 0 to 65535 as a version resource holds
    them, as a tuple; None for anything else."""
    parts = text.split(".")
    if len(parts) != 4 or any(not part or len(part) > 5 or any(c < "0" or c > "9" for c in part)
                              for part in parts):
        return None
    numbers = tuple(int(part) for part in parts)
    return numbers if all(number <= 65535 for number in numbers) else None


def version_text(numbers):
    return ".".join(str(number) for number in numbers)


def is_hex_digest(text):
    return re.fullmatch(r"[0-9A-Fa-f]{64}", text) is not None


# The lines that name the launcher: all of these or none, with one or more
# launcher_url and zero or more launcher_signer_key.
LAUNCHER_LINES = ("launcher_version", "launcher_size", "launcher_sha256")


def shown(value):
    """A value in a message, control characters visible."""
    return json.dumps(value, ensure_ascii=False)


def parse_fields(signed):
    """The fields of the signed part, or (None, what is wrong)."""
    if signed.startswith(b"\xef\xbb\xbf"):
        signed = signed[3:]
    try:
        text = signed.decode("utf-8")
    except UnicodeDecodeError:
        return None, "the text is not UTF-8"
    fields = {"urls": [], "signer": "", "launcher_urls": [], "launcher_signer_keys": []}
    lines = text.split("\n")
    if lines[-1] == "":
        lines.pop()
    for number, line in enumerate(lines, 1):
        if line.endswith("\r"):
            line = line[:-1]
        if "=" not in line:
            return None, f"line {number} has no \"=\": {shown(line)}"
        if "\r" in line:
            return None, f"line {number} holds a lone carriage return"
        name, value = line.split("=", 1)
        if name == "url":
            if not is_download_address(value):
                return None, f"url {shown(value)} is not an absolute http or https address without blanks"
            fields["urls"].append(value)
            continue
        if name == "launcher_url":
            if not is_download_address(value):
                return None, f"launcher_url {shown(value)} is not an absolute http or https address without blanks"
            fields["launcher_urls"].append(value)
            continue
        if name == "launcher_signer_key":
            if not is_hex_digest(value):
                return None, f"launcher_signer_key {shown(value)} is not 64 hexadecimal digits"
            fields["launcher_signer_keys"].append(value.lower())
            continue
        if (name in ("serial", "expires", "size", "sha256", "signer", "channel") + LAUNCHER_LINES and
                name in fields.get("seen", ())):
            return None, f"{name} is given twice"
        fields.setdefault("seen", set()).add(name)
        if name == "serial":
            serial = parse_decimal(value)
            if not serial:
                return None, f"serial {shown(value)} is not a whole number from 1 to {SERIAL_LIMIT - 1}"
            fields["serial"] = serial
        elif name == "expires":
            fields["expires"] = parse_utc_time(value) if all(ord(c) <= 0x7E for c in value) else None
            if fields["expires"] is None:
                return None, f"expires {shown(value)} is no existing UTC time of the form YYYY-MM-DDTHH:MM:SSZ"
            fields["expires_text"] = value
        elif name == "size":
            fields["size"] = parse_decimal(value)
            if fields["size"] is None:
                return None, f"size {shown(value)} is not a whole number of bytes"
        elif name == "sha256":
            if not re.fullmatch(r"[0-9A-Fa-f]{64}", value):
                return None, f"sha256 {shown(value)} is not 64 hexadecimal digits"
            fields["sha256"] = value.lower()
        elif name == "signer":
            if not value or check_config.has_control(value):
                return None, f"signer {shown(value)} is empty or holds a control character"
            fields["signer"] = value
        elif name == "channel":
            if not value or check_config.has_control(value):
                return None, f"channel {shown(value)} is empty or holds a control character"
            fields["channel"] = value
        elif name == "launcher_version":
            fields["launcher_version"] = parse_launcher_version(value)
            if fields["launcher_version"] is None:
                return None, f"launcher_version {shown(value)} is not four numbers of 0 to 65535 (1.0.0.2)"
        elif name == "launcher_size":
            fields["launcher_size"] = parse_decimal(value)
            if fields["launcher_size"] is None:
                return None, f"launcher_size {shown(value)} is not a whole number of bytes"
        elif name == "launcher_sha256":
            if not is_hex_digest(value):
                return None, f"launcher_sha256 {shown(value)} is not 64 hexadecimal digits"
            fields["launcher_sha256"] = value.lower()
        elif name == "signature":
            return None, f"line {number} is a signature line before the last line"
        # Other names are fields of later versions.
    missing = [name for name in ("serial", "expires", "size", "sha256", "channel") if name not in fields]
    if not fields["urls"]:
        missing.append("url")
    if missing:
        return None, "no " + ", no ".join(missing)
    given = [name for name in LAUNCHER_LINES if name in fields]
    if given or fields["launcher_urls"] or fields["launcher_signer_keys"]:
        absent = [name for name in LAUNCHER_LINES if name not in fields]
        if not fields["launcher_urls"]:
            absent.append("launcher_url")
        if absent:
            return None, "the launcher's lines are incomplete: no " + ", no ".join(absent)
    fields.pop("seen", None)
    return fields, None


def judge(data, point, channel, accepted=None, now=None, server_now=None):
    """(code, why, fields) as the launcher decides: 0 when the manifest
    holds; otherwise the code it shows, in the order it checks."""
    if len(data) > MAX_BYTES:
        return 4, f"{len(data)} bytes, more than the 64 KB the launcher reads", None
    parts = split_manifest(data)
    if parts is None:
        return 4, ("the last line is no signature line (signature= and the base64 of 64 bytes, followed by at "
                   "most one line break)"), None
    signed_length, signature = parts
    if not signature_holds(point, data[:signed_length], signature):
        return 1, "the signature does not hold", None
    fields, why = parse_fields(data[:signed_length])
    if fields is None:
        return 4, why, None
    if fields["channel"] != channel:
        return 5, f"it is for the channel {shown(fields['channel'])}, the launcher's is {shown(channel)}", fields
    if accepted is not None and fields["serial"] < accepted:
        return 2, f"its serial {fields['serial']} is lower than {accepted}, which players accepted", fields
    now = int(datetime.datetime.now(datetime.timezone.utc).timestamp()) if now is None else now
    if now >= fields["expires"]:
        return 3, f"it expired on {fields['expires_text']} by this computer's clock", fields
    if server_now is not None and server_now >= fields["expires"]:
        return 3, f"it expired on {fields['expires_text']} by the server's Date ({utc_text(server_now)})", fields
    return 0, "", fields


# --- openssl ------------------------------------------------------------------

def openssl(*args, data=None):
    try:
        return subprocess.run(["openssl", *args], input=data, capture_output=True,
                              stdin=None if data is not None else subprocess.DEVNULL)
    except FileNotFoundError:
        raise Stop("the openssl command is missing; install it (apt-get install openssl)")


def first_line(result):
    lines = result.stderr.decode(errors="replace").strip().splitlines()
    return lines[0] if lines else f"exit code {result.returncode}"


def raw_to_der(raw):
    def integer(b):
        b = b.lstrip(b"\0") or b"\0"
        if b[0] & 0x80:
            b = b"\0" + b
        return b"\x02" + bytes([len(b)]) + b
    body = integer(raw[:32]) + integer(raw[32:])
    return b"\x30" + bytes([len(body)]) + body


def der_to_raw(der):
    """ECDSA-Sig-Value (SEQUENCE of two INTEGERs) to the 64-byte r||s."""
    out, pos = b"", 2
    for _ in range(2):
        length = der[pos + 1]
        out += int.from_bytes(der[pos + 2:pos + 2 + length], "big").to_bytes(32, "big")
        pos += 2 + length
    return out


def signature_holds(point, signed, signature):
    with tempfile.TemporaryDirectory() as work:
        pub, sig = os.path.join(work, "pub.der"), os.path.join(work, "sig.der")
        with open(pub, "wb") as f:
            f.write(check_config.P256_KEY_PREFIX + point)
        with open(sig, "wb") as f:
            f.write(raw_to_der(signature))
        result = openssl("dgst", "-sha256", "-keyform", "DER", "-verify", pub, "-signature", sig, data=signed)
    return result.returncode == 0


KEY_KINDS_OTHER = "not a P-256 key"


def key_kind(der):
    for oid, kind in KEY_KINDS:
        if oid in der:
            return kind
    return KEY_KINDS_OTHER


def private_key(path):
    """The public point of the P-256 private key in path."""
    try:
        with open(path, "rb") as f:
            pem = f.read()
    except OSError as e:
        raise Stop(f"{path}: cannot be read: {e.strerror}; make a key with: manifest.py keygen {path}")
    if b"ENCRYPTED" in pem:
        raise Stop(f"{path} is protected by a passphrase; the kit takes the key keygen wrote (keep it offline "
                   "instead)")
    if b"PUBLIC KEY-----" in pem and b"PRIVATE KEY-----" not in pem:
        raise Stop(f"{path} is a public key; sign needs the private key that keygen wrote")
    result = openssl("pkey", "-in", path, "-passin", "pass:", "-pubout", "-outform", "DER")
    if result.returncode != 0:
        raise Stop(f"{path} is not a private key openssl can read ({first_line(result)})")
    point = check_config.p256_point(result.stdout)
    if point is None:
        raise Stop(f"{path} is {key_kind(result.stdout)}; the launcher checks only ECDSA P-256 signatures: "
                   "make a key with manifest.py keygen")
    return point


def key_line_point(text):
    """The public point of a key line as keygen prints it."""
    line = text.strip()
    if line.startswith("k_comm_manifest_key="):
        line = line.split("=", 1)[1].strip()
    if "-----BEGIN" in line or os.path.isfile(line):
        raise Stop("--key-line takes the line keygen printed (k_comm_manifest_key=MFkw…), not a key file; "
                   "or give --config with the configuration that holds it")
    if any(ord(c) > 0x7E for c in line):
        raise Stop(f"the key line holds {shown(next(c for c in line if ord(c) > 0x7E))}, which is no base64: "
                   f"copy the whole line keygen printed ({KEY_LINE_LENGTH} characters after the \"=\")")
    der = decode_base64(line.encode())
    if der is not None and key_kind(der) != KEY_KINDS_OTHER:
        raise Stop(f"the key line is {key_kind(der)}; the launcher takes only P-256 keys, as keygen makes them")
    if der is None or len(der) != len(check_config.P256_KEY_PREFIX) + 64:
        raise Stop(f"the key line is not a P-256 public key: {len(line)} characters where keygen prints "
                   f"{KEY_LINE_LENGTH} after the \"=\"; was it cut off when copied?")
    point = check_config.p256_point(der)
    if point is None:
        raise Stop("the key line is no point of the P-256 curve: it was changed; copy it again from what "
                   "keygen printed")
    return point


def read_file(path, what):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError as e:
        raise Stop(f"{path}: cannot be read ({what}): {e.strerror}")


def configuration(path):
    """(key point, channel, manifest address) of a configuration."""
    report = check_config.check(path, read_file(path, "the configuration"))
    errors = [line for line in report.text() if ": error: " in line]
    if errors:
        raise Stop(f"{errors[0]} (fix the configuration first: check_config.py {path})")
    key, channel = report.value("cver", "k_comm_manifest_key"), report.value("cver", "k_comm_channel")
    if not key or not channel:
        raise Stop(f"{path}: [cver] has no k_comm_manifest_key and k_comm_channel; its launcher takes no "
                   "manifest (add them with k_comm_manifest, see docs/publishers.md)")
    return key_line_point(key), channel, report.value("cver", "k_comm_manifest")


def key_and_channel(args):
    """The public point and the channel the manifest is judged by."""
    if args.config:
        point, channel, _ = configuration(args.config)
        if args.channel is not None and args.channel != channel:
            raise Stop(f"--channel {shown(args.channel)} is not the configuration's k_comm_channel {shown(channel)}")
        return point, channel
    if args.channel is None:
        raise Stop("give --config with the launcher's configuration, or --channel with its k_comm_channel")
    return None, args.channel


# --- the launcher's file and its signer -----------------------------------------

RT_VERSION = 16
FIXED_FILE_INFO_SIGNATURE = struct.pack("<I", 0xFEEF04BD)


class NotAProgram(Exception):
    """What makes a file no Windows program with a version resource."""


def pe_layout(data):
    """(data directories as (rva, size), sections as (rva, virtual size, file
    offset, raw size)) of a Windows program."""
    try:
        if data[:2] != b"MZ":
            raise NotAProgram("it is no Windows program (no MZ header)")
        header = struct.unpack_from("<I", data, 0x3C)[0]
        if data[header:header + 4] != b"PE\0\0":
            raise NotAProgram("it is no Windows program (no PE header)")
        sections, optional_size = struct.unpack_from("<H12xH", data, header + 6)
        optional = header + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic not in (0x10B, 0x20B):
            raise NotAProgram("it is no Windows program (unknown optional header)")
        count_at = optional + (92 if magic == 0x10B else 108)
        count = struct.unpack_from("<I", data, count_at)[0]
        directories = [struct.unpack_from("<II", data, count_at + 4 + 8 * i) for i in range(min(count, 16))]
        table = optional + optional_size
        layout = [struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)]
    except struct.error:
        raise NotAProgram("it is cut off (a header ends early)")
    return directories, layout


def rva_offset(sections, rva):
    for virtual_size, address, raw_size, raw in sections:
        if address <= rva < address + max(virtual_size, raw_size):
            return raw + rva - address
    raise NotAProgram(f"its resources point outside its sections (RVA {rva:#x})")


def file_version(data):
    """The file version of a Windows program's version resource (its
    VS_FIXEDFILEINFO, as Windows shows it and the launcher reads its own)."""
    directories, sections = pe_layout(data)
    if len(directories) <= 2 or not directories[2][1]:
        raise NotAProgram("it has no resources, so no version resource")
    base = rva_offset(sections, directories[2][0])
    try:
        def entries(directory):
            named, ids = struct.unpack_from("<HH", data, base + directory + 12)
            return [struct.unpack_from("<II", data, base + directory + 16 + 8 * i) for i in range(named + ids)]

        versions = [target for name, target in entries(0) if name == RT_VERSION and target & 0x80000000]
        if not versions:
            raise NotAProgram("it has no version resource")
        node = versions[0]
        for _ in range(2):  # the resource's name, then its language
            found = entries(node & 0x7FFFFFFF)
            if not found:
                raise NotAProgram("its version resource is empty")
            node = found[0][1]
            if not node & 0x80000000:
                break
        if node & 0x80000000:
            raise NotAProgram("its version resource is nested deeper than resources are")
        rva, size = struct.unpack_from("<II", data, base + node)
        start = rva_offset(sections, rva)
        block = data[start:start + size]
        at = block.find(FIXED_FILE_INFO_SIGNATURE)
        if at < 0 or at % 4:
            raise NotAProgram("its version resource holds no fixed file information")
        high, low = struct.unpack_from("<II", block, at + 8)
    except struct.error:
        raise NotAProgram("its resources are cut off")
    return high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF


def has_signature(data):
    """Whether the program carries an Authenticode signature (its security
    directory names one)."""
    directories, _ = pe_layout(data)
    return len(directories) > 4 and directories[4][1] > 0


def signer_key(path):
    """The SHA-256 (lowercase hex) of the DER SubjectPublicKeyInfo of the
    certificate in path (PEM or DER)."""
    if not os.path.isfile(path):
        raise Stop(f"{path}: no such certificate file; give the certificate (PEM or DER) or the 64 hexadecimal "
                   "digits signer-key printed")
    for form in ("PEM", "DER"):
        result = openssl("x509", "-inform", form, "-in", path, "-noout", "-pubkey")
        if result.returncode == 0:
            der = openssl("pkey", "-pubin", "-outform", "DER", data=result.stdout)
            if der.returncode == 0:
                return hashlib.sha256(der.stdout).hexdigest()
    raise Stop(f"{path} is no certificate openssl can read (PEM or DER; a .p12 file: "
               f"openssl pkcs12 -in {path} -nokeys -clcerts -out signer.pem)")


def signer_keys(values):
    """The launcher_signer_key values of --launcher-signer-key, in order and
    once each."""
    keys = []
    for value in values:
        key = value.lower() if is_hex_digest(value) else signer_key(value)
        if key not in keys:
            keys.append(key)
    return keys


def signer_key_command(args):
    for path in args.certificate:
        print(f"launcher_signer_key={signer_key(path)}")
    return 0


def launcher_lines(args):
    """The manifest's lines that name the launcher of --launcher, or none."""
    if args.launcher is None:
        if args.launcher_url or args.launcher_signer_key:
            raise Stop("--launcher-url and --launcher-signer-key name a launcher: give its file with --launcher")
        return [], None
    if not args.launcher_url:
        raise Stop("--launcher needs one or more --launcher-url, the addresses players download it from")
    for url in args.launcher_url:
        if not is_download_address(url):
            raise Stop(f"--launcher-url {shown(url)} is not an absolute http or https address without blanks or "
                       "control characters (a space is written %20)")
    data = read_file(args.launcher, "the launcher")
    try:
        version = file_version(data)
        signed = has_signature(data)
    except NotAProgram as e:
        raise Stop(f"{args.launcher}: {e}; give the launcher.exe the build wrote")
    if not signed and not args.force:
        raise Stop(f"{args.launcher} is not signed: every signed launcher would download it and refuse it; sign "
                   "it with the launcher's certificate (-DLAUNCHER_SIGN_PKCS12), or --force for unsigned builds")
    lines = [f"launcher_version={version_text(version)}", f"launcher_size={len(data)}",
             f"launcher_sha256={hashlib.sha256(data).hexdigest()}"]
    lines += [f"launcher_signer_key={key}" for key in signer_keys(args.launcher_signer_key or [])]
    lines += [f"launcher_url={url}" for url in args.launcher_url]
    return lines, version


# --- keygen -------------------------------------------------------------------

def keygen(args):
    if os.path.exists(args.key):
        raise Stop(f"{args.key} exists already; a new key would lock out every launcher built with the old one")
    folder = os.path.dirname(os.path.abspath(args.key))
    if not os.path.isdir(folder):
        raise Stop(f"{args.key}: the folder {folder} does not exist")
    old = os.umask(0o077)
    try:
        result = openssl("genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256",
                         "-pkeyopt", "ec_param_enc:named_curve", "-out", args.key)
    finally:
        os.umask(old)
    if result.returncode != 0:
        raise Stop(f"{args.key}: openssl could not make the key ({first_line(result)})")
    point = private_key(args.key)
    print("k_comm_manifest_key=" + base64.b64encode(check_config.P256_KEY_PREFIX + point).decode())
    return 0


# --- sign ---------------------------------------------------------------------

def check_channel(channel):
    if not channel:
        raise Stop("the channel is empty; name it as k_comm_channel does")
    if check_config.has_control(channel):
        raise Stop(f"the channel {shown(channel)} holds a control character; the launcher refuses such a "
                   "manifest (code 4)")
    if channel != channel.strip(" \t"):
        raise Stop(f"the channel {shown(channel)} begins or ends with a blank; a configuration's k_comm_channel "
                   "never does, so every launcher would refuse it (code 5)")
    try:
        channel.encode("gbk")
    except UnicodeEncodeError:
        raise Stop(f"the channel {shown(channel)} holds characters code page 936 cannot write; no configuration "
                   "can name it, so every launcher would refuse it (code 5)")


def expiry(args, now):
    if args.expires is not None:
        seconds = parse_utc_time(args.expires)
        if seconds is None:
            raise Stop(f"--expires {shown(args.expires)} is no time the launcher reads: YYYY-MM-DDTHH:MM:SSZ "
                       "in UTC, a day that exists, hours 00 to 23 (the launcher would refuse it: code 4)")
        return seconds
    try:
        moment = datetime.datetime.fromtimestamp(now, datetime.timezone.utc) + datetime.timedelta(days=args.days)
    except OverflowError:
        moment = None
    if moment is None or moment.year > 9999:
        raise Stop(f"--days {args.days} reaches beyond the year 9999")
    return max(parse_utc_time(moment.strftime("%Y-%m-%dT%H:%M:%SZ")) or 0, 0)


def load_serials(path):
    if not os.path.exists(path):
        return {}
    try:
        with open(path, encoding="utf-8") as f:
            serials = json.load(f)["serials"]
        if not all(isinstance(k, str) and isinstance(v, int) for k, v in serials.items()):
            raise ValueError("a serial is not a number")
        return serials
    except (OSError, ValueError, KeyError, TypeError, AttributeError) as e:
        raise Stop(f"{path} cannot be read as the last serials signed ({e}); restore it from the key's backup, or "
                   "give --serial above the last serial you published")


def write_atomically(path, data, mode):
    folder = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".manifest-")
    try:
        with os.fdopen(handle, "wb") as f:
            f.write(data)
        os.chmod(temporary, mode)
        os.replace(temporary, path)
    except OSError as e:
        if os.path.exists(temporary):
            os.remove(temporary)
        raise Stop(f"{path}: cannot be written: {e.strerror}")


def earlier_manifest(path, channel, warnings, launcher=None):
    """The serial of the manifest already at path when it is this channel's
    (or names none), None when there is no file; a file that is not a
    manifest is never written over. launcher, (version, SHA-256) of the
    launcher the new manifest names, is held against the one the earlier
    manifest names: players who took that one never go back."""
    if not os.path.exists(path):
        return None
    if os.path.isdir(path):
        raise Stop(f"{path} is a folder; name the manifest file")
    data = read_file(path, "the manifest to replace")
    parts = split_manifest(data)
    if parts is None:
        raise Stop(f"{path} exists and is not a manifest; sign writes over nothing else: choose another name")
    fields = {}
    for line in data[:parts[0]].decode("utf-8", errors="replace").splitlines():
        name, _, value = line.partition("=")
        fields.setdefault(name, value)
    serial = parse_decimal(fields.get("serial", ""))
    if fields.get("channel", channel) != channel:
        warnings.append(f"it replaces the manifest of the channel {shown(fields['channel'])}")
        return None
    before = parse_launcher_version(fields.get("launcher_version", ""))
    if launcher is not None and before is not None:
        version, digest = launcher
        if version < before:
            warnings.append(f"it names launcher {version_text(version)}, the manifest it replaces "
                            f"{version_text(before)}: players who took {version_text(before)} keep it (a launcher "
                            f"never goes back; to roll back, publish the old launcher under a version above "
                            f"{version_text(before)})")
        elif version == before and fields.get("launcher_sha256", "").lower() != digest:
            warnings.append(f"it names another launcher under the same version {version_text(version)}: players "
                            "who took the earlier one keep it (give the new build a higher version)")
    return serial


def sign(args):
    now = int(datetime.datetime.now(datetime.timezone.utc).timestamp())
    expected, channel = key_and_channel(args)
    check_channel(channel)
    point = private_key(args.key)
    if expected is not None and point != expected:
        raise Stop(f"{args.key} is not the key of k_comm_manifest_key in {args.config}: its launchers would "
                   "refuse the manifest (code 1)")
    if args.signer is not None and (not args.signer or check_config.has_control(args.signer)):
        raise Stop(f"--signer {shown(args.signer)} is empty or holds a control character (a tab, a line break); "
                   "the launcher refuses such a manifest (code 4)")
    for url in args.url:
        if not is_download_address(url):
            raise Stop(f"--url {shown(url)} is not an absolute http or https address without blanks or control "
                       "characters (a space is written %20)")
    installer = read_file(args.installer, "the installer")
    launcher, launcher_version = launcher_lines(args)
    expires = expiry(args, now)
    warnings = []
    if expires <= now:
        if not args.force:
            raise Stop(f"the manifest would expire on {utc_text(expires)}, which is not in the future: every "
                       "launcher would refuse it (code 3); give --days or a later --expires")
        warnings.append(f"it expired on {utc_text(expires)}: every launcher refuses it (code 3)")
    elif expires - now < WARN_DAYS * 86400:
        warnings.append(f"it expires in {(expires - now) / 86400:.1f} days ({utc_text(expires)}): sign the next "
                        "one before then")

    folder = os.path.dirname(os.path.abspath(args.manifest))
    if not os.path.isdir(folder):
        raise Stop(f"{args.manifest}: the folder {folder} does not exist")
    state = args.key + ".serials"
    serials = load_serials(state)
    named = None
    if launcher_version is not None:
        named = (launcher_version, next(line for line in launcher if line.startswith("launcher_sha256=")).split("=")[1])
    earlier = earlier_manifest(args.manifest, channel, warnings, named)
    last = [s for s in (serials.get(channel), earlier) if s is not None]
    last = max(last) if last else None
    serial = args.serial if args.serial is not None else (last or 0) + 1
    if not 1 <= serial < SERIAL_LIMIT:
        raise Stop(f"the serial {serial} is not from 1 to {SERIAL_LIMIT - 1}: the launcher would refuse it (code 4)")
    if last is not None and serial <= last:
        if not args.force:
            raise Stop(f"the serial {serial} is not above {last}, the last one signed for the channel "
                       f"{shown(channel)} ({state}): players who took {last} would refuse it (code 2); "
                       "give a higher --serial, or --force")
        warnings.append(f"its serial {serial} is not above {last}: players who took {last} refuse it (code 2)")

    lines = [f"channel={channel}", f"serial={serial}", f"expires={utc_text(expires)}", f"size={len(installer)}",
             f"sha256={hashlib.sha256(installer).hexdigest()}"]
    if args.signer:
        lines.append(f"signer={args.signer}")
    lines += [f"url={url}" for url in args.url]
    lines += launcher
    signed = ("\n".join(lines) + "\n").encode("utf-8")
    result = openssl("dgst", "-sha256", "-sign", args.key, "-passin", "pass:", data=signed)
    if result.returncode != 0:
        raise Stop(f"{args.key}: openssl could not sign ({first_line(result)})")
    manifest = signed + SIGNATURE_NAME + base64.b64encode(der_to_raw(result.stdout)) + b"\n"
    if len(manifest) > MAX_BYTES:
        raise Stop(f"the manifest would be {len(manifest)} bytes; the launcher reads at most 64 KB: fewer --url "
                   "or --launcher-url")
    code, why, _ = judge(manifest, point, channel, now=now)
    if code and not (code == 3 and args.force):
        raise Stop(f"the manifest made would be refused (code {code}: {why}); please report this")

    # The serial is kept before the manifest is written: a serial lost to a
    # failed write is a gap, never a repeat.
    serials[channel] = max(serial, serials.get(channel, 0))
    write_atomically(state, (json.dumps({"serials": serials}, ensure_ascii=False, indent=1, sort_keys=True)
                             + "\n").encode("utf-8"), 0o600)
    write_atomically(args.manifest, manifest, 0o644)
    for warning in warnings:
        print(f"{args.manifest}: warning: {warning}", file=sys.stderr)
    named = f", launcher {version_text(launcher_version)}" if launcher_version else ""
    print(f"{args.manifest}: channel {shown(channel)}, serial {serial}, expires {utc_text(expires)}, "
          f"{len(args.url)} address(es){named}")
    return 0


# --- verify and check-live ------------------------------------------------------

def changed_after_signing(data, point):
    """How the file was changed after it was signed, when a change that
    editors and uploads make explains the broken signature."""
    variants = []
    if data.startswith(b"\xef\xbb\xbf"):
        variants.append((data[3:], "a byte-order mark was put before it"))
    if b"\r\n" in data:
        variants.append((data.replace(b"\r\n", b"\n"), "it was saved with CR LF line ends"))
        if data.startswith(b"\xef\xbb\xbf"):
            variants.append((data[3:].replace(b"\r\n", b"\n"), "it was saved with a byte-order mark and CR LF"))
    else:
        variants.append((data.replace(b"\n", b"\r\n"), "it was saved with LF line ends (it was signed with CR LF)"))
    for variant, what in variants:
        parts = split_manifest(variant)
        if parts and signature_holds(point, variant[:parts[0]], parts[1]):
            return what
    return None


def explain(data, point, code, why, fields):
    """The verdict in one line: what the launcher does and what to do."""
    if code == 1:
        what = changed_after_signing(data, point)
        if what:
            return (f"invalid (code 1): the file was changed after it was signed: {what}; upload the file "
                    "sign wrote byte for byte (binary mode), or sign it again")
        return ("invalid (code 1): the signature does not hold for k_comm_manifest_key: the file was changed "
                "after it was signed, or it was signed with another key; never edit a signed manifest: sign it "
                "again with the configuration's key")
    todo = {4: "sign it again with manifest.py sign",
            5: "sign it with the launcher's channel (sign --config)",
            2: "sign a new one with a higher serial",
            3: "sign a new one"}
    return f"invalid (code {code}): {why}; {todo[code]}"


def launcher_mismatch(fields, path):
    """What makes the file at path another launcher than the manifest names
    (None when it is the one)."""
    if "launcher_version" not in fields:
        return "the manifest names no launcher"
    content = read_file(path, "the launcher")
    try:
        version = version_text(file_version(content))
    except NotAProgram as e:
        return f"{path} is not the launcher it names: {e}"
    if len(content) != fields["launcher_size"] or hashlib.sha256(content).hexdigest() != fields["launcher_sha256"]:
        return (f"{path} is not the launcher it names ({len(content)} bytes; it names {fields['launcher_size']} "
                "bytes and another SHA-256)")
    if version != version_text(fields["launcher_version"]):
        return (f"{path} is version {version}, the manifest names {version_text(fields['launcher_version'])}: the "
                "new launcher would offer itself again at every start")
    return None


def verdict(path, data, point, channel, accepted, server_now=None, installer=None, launcher=None):
    code, why, fields = judge(data, point, channel, accepted=accepted, server_now=server_now)
    if code:
        print(f"{path}: {explain(data, point, code, why, fields)}")
        return 1, None
    if installer is not None:
        content = read_file(installer, "the installer")
        if len(content) != fields["size"] or hashlib.sha256(content).hexdigest() != fields["sha256"]:
            print(f"{path}: the manifest holds, but {installer} is not the installer it names "
                  f"({len(content)} bytes; it names {fields['size']} bytes and another SHA-256)")
            return 1, fields
    if launcher is not None:
        wrong = launcher_mismatch(fields, launcher)
        if wrong:
            print(f"{path}: the manifest holds, but {wrong}")
            return 1, fields
    now = int(datetime.datetime.now(datetime.timezone.utc).timestamp())
    days = (fields["expires"] - now) / 86400
    soon = f"; fewer than {WARN_DAYS} days left: sign the next one now" if days < WARN_DAYS else ""
    print(f"{path}: good: channel {shown(fields['channel'])}, serial {fields['serial']}, expires "
          f"{fields['expires_text']} (in {days:.1f} days{soon}), {len(fields['urls'])} address(es)"
          + (f", launcher {version_text(fields['launcher_version'])}" if "launcher_version" in fields else ""))
    return 0, fields


def verify(args):
    if args.config and args.key_line:
        raise Stop("give either --config or --key-line, not both")
    point, channel = key_and_channel(args)
    if point is None:
        if not args.key_line:
            raise Stop("give --config with the launcher's configuration, or --key-line with its "
                       "k_comm_manifest_key")
        point = key_line_point(args.key_line)
    server_now = None
    if args.date is not None:
        server_now = parse_http_date(args.date)
        if server_now is None:
            raise Stop(f"--date {shown(args.date)} is no HTTP date as servers send it: "
                       "\"Sun, 06 Nov 2094 08:49:37 GMT\"")
    data = read_file(args.manifest, "the manifest")
    return verdict(args.manifest, data, point, channel, args.accepted_serial, server_now=server_now,
                   installer=args.installer, launcher=args.launcher)[0]


class RefuseDowngrade(urllib.request.HTTPRedirectHandler):
    """Redirects as the launcher takes them: never from https to http."""

    def redirect_request(self, req, fp, code, msg, headers, newurl):
        if req.full_url.lower().startswith("https:") and not newurl.lower().startswith("https:"):
            raise urllib.error.URLError(f"a redirect from https to http ({newurl}), which the launcher refuses")
        return super().redirect_request(req, fp, code, msg, headers, newurl)


def fetch(url, limit):
    """(status, headers, the first limit + 1 bytes of the body)."""
    opener = urllib.request.build_opener(RefuseDowngrade)
    request = urllib.request.Request(url, headers={"User-Agent": USER_AGENT})
    try:
        with opener.open(request, timeout=30) as answer:
            return answer.status, answer.headers, answer.read(limit + 1) if limit else b""
    except urllib.error.HTTPError as e:
        return e.code, e.headers, b""
    except (urllib.error.URLError, OSError, ValueError) as e:
        raise Stop(f"{url}: cannot be fetched: {getattr(e, 'reason', e)}")


def check_live(args):
    point, channel, url = configuration(args.config)
    if not url:
        raise Stop(f"{args.config}: [cver] has no k_comm_manifest; there is nothing to check")
    status, headers, data = fetch(url, MAX_BYTES)
    if status != 200:
        print(f"{url}: answers HTTP {status}; the launcher takes only 200 (upload the manifest there)")
        return 1
    server_now = parse_http_date(headers.get("Date", ""))
    code, fields = verdict(url, data, point, channel, args.accepted_serial, server_now=server_now)
    if code:
        return code
    problems = 0
    files = [(address, fields["size"], "installer") for address in fields["urls"]]
    files += [(address, fields.get("launcher_size"), "launcher") for address in fields["launcher_urls"]]
    for address, size, what in files:
        status, headers, _ = fetch(address, 0)
        length = headers.get("Content-Length") if headers else None
        if status != 200:
            print(f"{address}: answers HTTP {status}: upload the {what} before the manifest")
            problems += 1
        elif length != str(size):
            print(f"{address}: announces {length} bytes, the manifest names {size}: another {what} "
                  "lies there (or an old copy in a cache)")
            problems += 1
        else:
            print(f"{address}: the {what} is there ({length} bytes)")
    return 1 if problems else 0


# --- the command line -----------------------------------------------------------

class Parser(argparse.ArgumentParser):
    def error(self, message):
        raise Stop(f"{self.prog}: {message} (see manifest.py --help)")


def main(argv):
    parser = Parser(prog="manifest.py", description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True, parser_class=Parser)
    p = commands.add_parser("keygen")
    p.add_argument("key")
    p = commands.add_parser("sign")
    p.add_argument("--key", required=True)
    p.add_argument("--config")
    p.add_argument("--channel")
    p.add_argument("--installer", required=True)
    p.add_argument("--url", action="append", required=True)
    p.add_argument("--serial", type=int)
    when = p.add_mutually_exclusive_group()
    when.add_argument("--days", type=int, default=30)
    when.add_argument("--expires")
    p.add_argument("--signer")
    p.add_argument("--launcher")
    p.add_argument("--launcher-url", action="append")
    p.add_argument("--launcher-signer-key", action="append")
    p.add_argument("--force", action="store_true")
    p.add_argument("manifest")
    for name in ("verify", "check-live"):
        p = commands.add_parser(name)
        p.add_argument("--config")
        p.add_argument("--accepted-serial", type=int)
        if name == "verify":
            p.add_argument("--key-line")
            p.add_argument("--channel")
            p.add_argument("--date")
            p.add_argument("--installer")
            p.add_argument("--launcher")
            p.add_argument("manifest")
    p = commands.add_parser("signer-key")
    p.add_argument("certificate", nargs="+")
    try:
        args = parser.parse_args(argv[1:])
        if args.command == "check-live" and not args.config:
            raise Stop("check-live needs --config, the launcher's configuration")
        return {"keygen": keygen, "sign": sign, "verify": verify, "check-live": check_live,
                "signer-key": signer_key_command}[args.command](args)
    except Stop as stop:
        print(stop, file=sys.stderr)
        return 2
    except KeyboardInterrupt:
        return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
