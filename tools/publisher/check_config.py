#!/usr/bin/env python3
"""Checks a launcher configuration file before it is compiled in.

    python3 tools/publisher/check_config.py CONFIG.ini

The launcher reads its configuration as code page 936 (GBK) text, line by
line, the way it is described in docs/publishers.md. This checker
reads the file the same way and reports, one line each, as a compiler does:

    CONFIG.ini:6: error: k_comm_url is not an absolute http or https address: "ftp://x"
    CONFIG.ini:6: warning: k_comm_url uses http: ...
    CONFIG.ini:3: note: k_comm_manifest: a manifest that cannot be fetched ...

Errors: text that is not code page 936 (UTF-8, UTF-16, a byte-order mark,
bytes the code page does not define); a key the launcher reads that is
missing or empty; an address that is not an absolute http or https address
without blanks (k_comm_url, k_comm_url2..4 and k_comm_manifest alike); a
folder, program or registry name that cannot be a file name; an optional
key of a wrong form (k_comm_sha256: 64 hexadecimal digits; k_comm_signer:
some text; k_comm_rate: a number of bytes a second, decimal digits only;
k_comm_manifest_key: a P-256 public key as manifest.py keygen
prints it, and needed whenever k_comm_manifest is set, as is
k_comm_channel, a name without control characters).

Warnings: an http address for the installer; lines the launcher ignores: a
key it reads standing in another section than the one it is read from, a
key close to one it reads (a misspelling), any other key it does not know,
a section it does not read, a line that is neither a section nor a key.

Notes: with k_comm_manifest, what a launcher does when the manifest cannot
be fetched (a compiled-in pin vouches for k_comm_url, or the download
fails).

Exit code 0 when there is no error (warnings allowed), 1 otherwise, 2 when
the file cannot be read. Needs only Python 3's standard library.
"""
import argparse
import base64
import binascii
import difflib
import re
import sys
from urllib.parse import urlsplit

# The keys the launcher reads, with what it uses them for.
REQUIRED = [
    ("cver", "k_comm_url", "the installer's download address"),
    ("pack", "k_name", "the game's name in the caption and on the screen"),
    ("pack", "k_installAppName", "the game's install folder"),
    ("pack", "k_startAppName", "the game's start program"),
    ("pack", "k_installerKey", "the game's App Paths registry key"),
]
OPTIONAL_CVER = ("k_comm_url2", "k_comm_url3", "k_comm_url4", "k_comm_sha256", "k_comm_signer",
                 "k_comm_manifest", "k_comm_manifest_key", "k_comm_channel", "k_comm_rate")
# Keys of the shipped configuration that nothing reads: no warning.
UNUSED = {"cver": ("k_max", "k_comm", "k_min", "k_beta_url"), "gurl": (), "pack": ()}
# Key -> the one section the launcher reads it from.
HOME = dict([(key, section) for section, key, _ in REQUIRED] + [(key, "cver") for key in OPTIONAL_CVER])
KNOWN = set(HOME) | {key for keys in UNUSED.values() for key in keys}
ADDRESS_KEYS = ("k_comm_url", "k_comm_url2", "k_comm_url3", "k_comm_url4", "k_comm_manifest")
INSTALLER_ADDRESS_KEYS = ADDRESS_KEYS[:4]
FILE_NAME_KEYS = ("k_installAppName", "k_startAppName", "k_installerKey")
FORBIDDEN_IN_NAMES = set('\\/:*?"<>|')
# DER SubjectPublicKeyInfo of a P-256 key up to its uncompressed point.
P256_KEY_PREFIX = bytes.fromhex("3059301306072a8648ce3d020106082a8648ce3d030107034200" "04")
# The curve P-256 (FIPS 186-4, D.1.2.3): y^2 = x^3 - 3x + b over the prime p.
P256_P = 2 ** 256 - 2 ** 224 + 2 ** 192 + 2 ** 96 - 1
P256_B = 0x5AC635D8AA3A93E7B3EBBD55769886BC651D06B0CC53B0F63BCE3C3E27D2604B


def has_control(text):
    return any(ord(c) < 0x20 or ord(c) == 0x7F for c in text)


def is_address(url):
    """An absolute http or https address with a host, without blanks or
    control characters."""
    try:
        parts = urlsplit(url)
        host = parts.hostname
    except ValueError:
        return False
    return (parts.scheme.lower() in ("http", "https") and bool(host) and
            not any(ord(c) <= 0x20 or ord(c) == 0x7F for c in url))


def p256_point(der):
    """The public point (X then Y) of a DER P-256 key on the curve, or None."""
    if len(der) != len(P256_KEY_PREFIX) + 64 or not der.startswith(P256_KEY_PREFIX):
        return None
    point = der[len(P256_KEY_PREFIX):]
    x, y = int.from_bytes(point[:32], "big"), int.from_bytes(point[32:], "big")
    if x >= P256_P or y >= P256_P or (y * y - (x * x * x - 3 * x + P256_B)) % P256_P:
        return None
    return point


def is_p256_key(text):
    try:
        der = base64.b64decode(text, validate=True)
    except (binascii.Error, ValueError):
        return False
    return p256_point(der) is not None


def split_lines(data):
    """Lines as the launcher reads them: CR LF, a lone CR or a lone LF end a
    line, except where the byte is the second byte of a two-byte character
    (any byte after a byte above 0x80). Yields (line number, bytes)."""
    number, start, p = 1, 0, 0
    while p < len(data):
        b = data[p]
        if b == 0x0D or b == 0x0A:
            yield number, data[start:p]
            p += 2 if b == 0x0D and p + 1 < len(data) and data[p + 1] == 0x0A else 1
            start = p
            number += 1
        elif b > 0x80 and p + 1 < len(data):
            p += 2
        else:
            p += 1
    if start < len(data):
        yield number, data[start:]


def user_defined(lead, trail):
    """The two-byte areas that Windows' code page 936 maps to the private
    use area and Python's GBK codec leaves undefined."""
    return ((0xAA <= lead <= 0xAF or 0xF8 <= lead <= 0xFE) and 0xA1 <= trail <= 0xFE) or \
           (0xA1 <= lead <= 0xA7 and 0x40 <= trail <= 0xA0 and trail != 0x7F)


def decode_line(raw):
    """The line's text, or (None, column, why) for a unit code page 936 does
    not define."""
    text, p = [], 0
    while p < len(raw):
        b = raw[p]
        if b < 0x80:
            text.append(chr(b))
            p += 1
            continue
        if b == 0x80:
            text.append("\u20ac")
            p += 1
            continue
        if p + 1 >= len(raw):
            return None, p + 1, "a first byte %02X without its second byte" % b
        unit = raw[p:p + 2]
        try:
            text.append(unit.decode("gbk"))
        except UnicodeDecodeError:
            if not user_defined(unit[0], unit[1]):
                return None, p + 1, "bytes %02X %02X are no character of code page 936" % (unit[0], unit[1])
            text.append("\ue000")
        p += 2
    return "".join(text), None, None


class Report:
    def __init__(self, path):
        self.path = path
        self.errors = 0
        self.lines = []
        # section name -> (header line, {key: (line, value)}), as the
        # launcher keeps them (a later section of the same name replaces).
        self.sections = {}

    def error(self, line, message):
        self.errors += 1
        self.lines.append((line, f"{self.path}:{line}: error: {message}"))

    def warning(self, line, message):
        self.lines.append((line, f"{self.path}:{line}: warning: {message}"))

    def note(self, line, message):
        self.lines.append((line, f"{self.path}:{line}: note: {message}"))

    def value(self, section, key):
        """The value the launcher reads ("" when there is none)."""
        return self.sections.get(section, (None, {}))[1].get(key, (0, ""))[1]

    def text(self):
        """The messages in the order of their lines."""
        return [message for _, message in sorted(self.lines, key=lambda entry: entry[0])]


def is_utf8(raw):
    try:
        raw.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def wrong_encoding(data, report):
    """Reports a file in another encoding as a whole; True when it is one."""
    if data.startswith(b"\xef\xbb\xbf"):
        report.error(1, "the file starts with a UTF-8 byte-order mark; save it as code page 936 (GBK) "
                        "without a byte-order mark")
        return True
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff") or b"\x00" in data[:200]:
        report.error(1, "the file is UTF-16 text; save it as code page 936 (GBK)")
        return True
    return False


def close_to(name, candidates):
    """The candidate that name is most likely a misspelling of, or None."""
    lower = {candidate.lower(): candidate for candidate in candidates}
    if name.lower() in lower:
        return lower[name.lower()]
    found = difflib.get_close_matches(name, list(candidates), n=1, cutoff=0.8)
    return found[0] if found else None


def read_sections(data, report):
    """Fills report.sections as the launcher parses the text, with the
    findings about the text and its lines; every key line is kept in
    key_lines as (line, section or None, key)."""
    key_lines = []
    current = None
    for number, raw in split_lines(data):
        text, column, why = decode_line(raw)
        # Chinese text in UTF-8 often also makes GBK characters, wrong ones:
        # a line of non-ASCII bytes that is valid UTF-8 is taken for UTF-8.
        if any(b > 0x7F for b in raw) and is_utf8(raw):
            report.error(number, "this line is UTF-8 text, not code page 936 (GBK); save the file as GBK")
        elif text is None:
            report.error(number, f"column {column}: {why}")
        if text is None:
            text = raw.decode("gbk", errors="replace")
        line = text.strip(" \t")
        if not line:
            continue
        if len(line) > 2 and line[0] == "[" and line[-1] == "]":
            name = line[1:-1]
            if name in report.sections:
                report.warning(number, f"section [{name}] again: it replaces the one on line "
                                       f"{report.sections[name][0]}, whose keys are lost")
            elif name not in UNUSED:
                near = close_to(name.strip(" \t"), UNUSED)
                report.warning(number, f"section [{name}] is not one the launcher reads" +
                               (f"; did you mean [{near}]?" if near else " ([cver] and [pack]); its keys are ignored"))
            current = name
            report.sections[name] = (number, {})
            continue
        if "=" in line:
            key, value = (part.strip(" \t") for part in line.split("=", 1))
            key_lines.append((number, current, key))
            if current is None:
                report.warning(number, f"{key} stands before any section and is never read")
                continue
            report.sections[current][1][key] = (number, value)
            continue
        report.warning(number, "neither a [section] nor key=value; the launcher ignores this line")
    return key_lines


def check_keys(key_lines, report):
    """Keys the launcher reads in another section, misspelt keys and keys
    it does not know."""
    for number, section, key in key_lines:
        if section is None:
            continue
        if key in HOME:
            if HOME[key] != section:
                report.warning(number, f"{key} stands in [{section}]; the launcher reads it only from "
                                       f"[{HOME[key]}]: here it is never read")
            continue
        if key in KNOWN or section not in UNUSED:
            continue
        near = close_to(key, HOME)
        if near:
            report.warning(number, f"{key} is no key the launcher reads; did you mean {near}?")
        else:
            report.warning(number, f"{key} is no key the launcher reads; it is ignored")


def check(path, data):
    report = Report(path)
    if wrong_encoding(data, report):
        return report
    check_keys(read_sections(data, report), report)

    for section, key, use in REQUIRED:
        header, keys = report.sections.get(section, (None, {}))
        if header is None:
            report.error(1, f"no section [{section}]: {key} is missing; it is {use}")
        elif key not in keys:
            report.error(header, f"{key} is missing from section [{section}]; it is {use}")
        elif not keys[key][1]:
            report.error(keys[key][0], f"{key} is empty; it is {use}")

    cver = report.sections.get("cver", (None, {}))[1]
    pack = report.sections.get("pack", (None, {}))[1]
    for key in ADDRESS_KEYS:
        number, url = cver.get(key, (0, ""))
        if not url:
            continue
        if any(ord(c) <= 0x20 or ord(c) == 0x7F for c in url):
            report.error(number, f'{key} holds a blank or a control character; write the address without them '
                                 f'(a space as %20): "{url}"')
        elif not is_address(url):
            report.error(number, f'{key} is not an absolute http or https address: "{url}"')
        elif key in INSTALLER_ADDRESS_KEYS and url.lower().startswith("http:"):
            report.warning(number, f"{key} uses http: the download can be read and changed on its way; "
                                   "prefer https")
    for key in FILE_NAME_KEYS:
        number, value = pack.get(key, (0, ""))
        bad = sorted(set(value) & FORBIDDEN_IN_NAMES)
        if bad:
            report.error(number, f'{key} must be a plain name, without {" ".join(bad)}: "{value}"')
    if "k_comm_sha256" in cver:
        number, value = cver["k_comm_sha256"]
        if not re.fullmatch(r"[0-9A-Fa-f]{64}", value):
            report.error(number, "k_comm_sha256 must be the installer's SHA-256, 64 hexadecimal digits")
    if "k_comm_rate" in cver:
        number, value = cver["k_comm_rate"]
        # Empty keeps the design's pace, as an absent key does; the
        # launcher reads decimal digits only, within 64 bits.
        if value and (not re.fullmatch(r"[0-9]+", value) or int(value) >= 2 ** 64):
            report.error(number, f'k_comm_rate must be a number of bytes a second (0: the line\'s speed), '
                                 f'not "{value}"; the launcher would keep the design\'s pace')
    if "k_comm_signer" in cver:
        number, value = cver["k_comm_signer"]
        if not value:
            report.error(number, "k_comm_signer is empty; name the installer's signer or leave the key out")
    check_manifest_keys(cver, report)
    return report


def check_manifest_keys(cver, report):
    manifest = cver.get("k_comm_manifest", (0, ""))
    manifest_key = cver.get("k_comm_manifest_key", (0, ""))
    channel = cver.get("k_comm_channel", (0, ""))
    if manifest_key[1] and not is_p256_key(manifest_key[1]):
        report.error(manifest_key[0], "k_comm_manifest_key is not a P-256 public key; use the line that "
                                      "tools/publisher/manifest.py keygen printed")
    elif manifest[1] and not manifest_key[1]:
        report.error(manifest[0], "k_comm_manifest needs k_comm_manifest_key, the key its manifests are "
                                  "signed with; without it every download would be refused")
    elif manifest_key[1] and not manifest[1]:
        report.warning(manifest_key[0], "k_comm_manifest_key has no effect without k_comm_manifest")
    if channel[1] and has_control(channel[1]):
        report.error(channel[0], "k_comm_channel holds a control character (a tab?); the channel is a plain name")
    elif manifest[1] and not channel[1]:
        report.error(manifest[0], "k_comm_manifest needs k_comm_channel, the channel its manifests are signed "
                                  "for (manifest.py sign --config reads it from here); without it every "
                                  "download would be refused")
    elif channel[1] and not manifest[1]:
        report.warning(channel[0], "k_comm_channel has no effect without k_comm_manifest")
    if not manifest[1]:
        return
    pins = [key for key in ("k_comm_sha256", "k_comm_signer") if cver.get(key, (0, ""))[1]]
    if pins:
        report.note(manifest[0], "when the manifest cannot be fetched (a 404, a blocked request, no network), "
                                 f"the launcher downloads k_comm_url instead, checked against {' and '.join(pins)}: "
                                 "keep them right for the installer there")
    else:
        report.note(manifest[0], "when the manifest cannot be fetched (a 404, a blocked request, no network), "
                                 "the download fails and nothing is taken from k_comm_url: no k_comm_sha256 or "
                                 "k_comm_signer vouches for it")


def main(argv):
    parser = argparse.ArgumentParser(prog="check_config.py", description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("config", metavar="CONFIG.ini")
    path = parser.parse_args(argv[1:]).config
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        print(f"{path}: error: cannot be read: {e.strerror}", file=sys.stderr)
        return 2
    report = check(path, data)
    for line in report.text():
        print(line)
    return 1 if report.errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
