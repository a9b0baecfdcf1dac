#!/usr/bin/env python3
"""The publisher's checkers on their own: the configuration checker's
findings line by line, and the skin checker's one message per file."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
sys.path.insert(0, os.path.join(ROOT, "tools", "publisher"))

import check_config  # noqa: E402
import check_skin  # noqa: E402

NAME = "奥凡蒂斯".encode("gbk")
# Public keys as "manifest.py keygen" prints them: P-256, and P-384.
KEY = (b"MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEM6mlL/QUeaQ+t/R2Z4jROmPgvL98zZfh3N7J8Iw127LNRetU3irt1IwYeumgY88O"
       b"YdwaANNsz4ygx4oWnp4XNA==")
P384 = (b"MHYwEAYHKoZIzj0CAQYFK4EEACIDYgAELlE+qvXbJKMcCiaXY7XdR0iKoDs2l6XVhgpjNZgK/OJOEloZmrVtUbSy4PIp4i0TdNR5"
        b"bFfQfht+LRvE6wmhl4Sr8iNG1VvBaWGV9zQHsvAA38dl+xlNiijcq8ID1dCX")
GOOD = (b"[cver]\r\nk_comm_url=https://packages.example/package/Windows/setup.exe\r\n"
        b"[pack]\r\nk_name=" + NAME + b"\r\nk_installAppName=Marnholt\r\n"
        b"k_startAppName=game.exe\r\nk_installerKey=Marnholt\r\n")
MANIFEST = GOOD.replace(b"[pack]", b"k_comm_manifest=https://cdn.example/m.txt\r\nk_comm_manifest_key=" + KEY +
                        b"\r\nk_comm_channel=live\r\n[pack]")


def findings(data):
    report = check_config.check("c.ini", data)
    return report.errors, report.text()


class ConfigurationChecker(unittest.TestCase):
    def test_the_shipped_configurations_pass(self):
        for name in ("resources/config.ini", "demo/config.ini", "tests/e2e/e2e_config.ini"):
            with open(os.path.join(ROOT, name), "rb") as f:
                errors, text = findings(f.read())
            self.assertEqual(errors, 0, text)

    def test_each_fault_is_reported_on_its_line(self):
        cases = [
            # (what, text, expected message: an error unless it says warning)
            ("https passes", GOOD, None),
            ("http warns", GOOD.replace(b"https:", b"http:"), "c.ini:2: warning: k_comm_url uses http"),
            ("relative address", GOOD.replace(b"https://packages.example", b""),
             'c.ini:2: error: k_comm_url is not an absolute http or https address: "/package'),
            ("other scheme", GOOD.replace(b"https:", b"ftp:"), "c.ini:2: error: k_comm_url is not an absolute"),
            ("missing key", GOOD.replace(b"k_startAppName=game.exe\r\n", b""),
             "c.ini:3: error: k_startAppName is missing from section [pack]"),
            ("empty value", GOOD.replace(b"k_installerKey=Marnholt", b"k_installerKey= "),
             "c.ini:7: error: k_installerKey is empty"),
            ("missing section", GOOD.split(b"[pack]")[0], "c.ini:1: error: no section [pack]: k_name is missing"),
            ("path in a name", GOOD.replace(b"=game.exe", b"=bin\\game.exe"),
             'c.ini:6: error: k_startAppName must be a plain name, without \\: "bin\\game.exe"'),
            ("UTF-8 text", GOOD.replace(NAME, "奥凡蒂斯".encode("utf-8")),
             "c.ini:4: error: this line is UTF-8 text, not code page 936"),
            ("byte-order mark", b"\xef\xbb\xbf" + GOOD, "c.ini:1: error: the file starts with a UTF-8 byte-order mark"),
            ("UTF-16", GOOD.decode("gbk").encode("utf-16"), "c.ini:1: error: the file is UTF-16 text"),
            ("undefined bytes", GOOD.replace(NAME, b"\x81\x7f"),
             "c.ini:4: error: column 8: bytes 81 7F are no character of code page 936"),
            ("cut-off character", GOOD + b"\xb0", "c.ini:8: error: column 1: a first byte B0 without"),
            ("good hash", GOOD.replace(b"[pack]", b"k_comm_sha256=" + b"aB" * 32 + b"\r\n[pack]"), None),
            ("rate", GOOD.replace(b"[pack]", b"k_comm_rate=12500000\r\n[pack]"), None),
            ("empty rate", GOOD.replace(b"[pack]", b"k_comm_rate=\r\n[pack]"), None),
            ("rate with a unit", GOOD.replace(b"[pack]", b"k_comm_rate=5MB\r\n[pack]"),
             "c.ini:3: error: k_comm_rate must be a number of bytes a second (0: the line's speed), not \"5MB\""),
            ("short hash", GOOD.replace(b"[pack]", b"k_comm_sha256=abc\r\n[pack]"),
             "c.ini:3: error: k_comm_sha256 must be the installer's SHA-256, 64 hexadecimal digits"),
            ("hash in another section", GOOD + b"k_comm_sha256=abc\r\n",
             "c.ini:8: warning: k_comm_sha256 stands in [pack]; the launcher reads it only from [cver]"),
            ("signer", GOOD.replace(b"[pack]", b"k_comm_signer=Northwind Games Ltd\r\n[pack]"), None),
            ("empty signer", GOOD.replace(b"[pack]", b"k_comm_signer=\r\n[pack]"), "c.ini:3: error: k_comm_signer is empty"),
            ("manifest without a pin", MANIFEST, "c.ini:3: note: when the manifest cannot be fetched (a 404, a "
             "blocked request, no network), the download fails and nothing is taken from k_comm_url"),
            ("manifest with a pin", MANIFEST.replace(b"[pack]", b"k_comm_signer=Northwind\r\n[pack]"),
             "c.ini:3: note: when the manifest cannot be fetched (a 404, a blocked request, no network), the "
             "launcher downloads k_comm_url instead, checked against k_comm_signer"),
            ("manifest without key", MANIFEST.replace(b"k_comm_manifest_key=" + KEY + b"\r\n", b""),
             "c.ini:3: error: k_comm_manifest needs k_comm_manifest_key"),
            ("manifest without channel", MANIFEST.replace(b"k_comm_channel=live\r\n", b""),
             "c.ini:3: error: k_comm_manifest needs k_comm_channel"),
            ("a tab in the channel", MANIFEST.replace(b"=live", b"=li\tve"),
             "c.ini:5: error: k_comm_channel holds a control character"),
            ("channel alone", GOOD.replace(b"[pack]", b"k_comm_channel=live\r\n[pack]"),
             "c.ini:3: warning: k_comm_channel has no effect"),
            ("key of another curve", MANIFEST.replace(KEY, P384),
             "c.ini:4: error: k_comm_manifest_key is not a P-256 public key"),
            ("key off the curve", MANIFEST.replace(KEY, KEY[:-8] + b"AAAAAA=="),
             "c.ini:4: error: k_comm_manifest_key is not a P-256 public key"),
            ("key alone", GOOD.replace(b"[pack]", b"k_comm_manifest_key=" + KEY + b"\r\n[pack]"),
             "c.ini:3: warning: k_comm_manifest_key has no effect"),
            ("manifest not an address", MANIFEST.replace(b"https://cdn.example/m.txt", b"m.txt"),
             'c.ini:3: error: k_comm_manifest is not an absolute http or https address: "m.txt"'),
            ("a blank in the address", GOOD.replace(b"/setup.exe", b"/set up.exe"),
             'c.ini:2: error: k_comm_url holds a blank or a control character'),
            ("a tab in a mirror", GOOD.replace(b"[pack]", b"k_comm_url2=https://m.example/\ts.exe\r\n[pack]"),
             'c.ini:3: error: k_comm_url2 holds a blank or a control character'),
            ("an http mirror", GOOD.replace(b"[pack]", b"k_comm_url2=http://m.example/s.exe\r\n[pack]"),
             "c.ini:3: warning: k_comm_url2 uses http"),
            ("manifest keys under [pack]", GOOD + b"k_comm_manifest=https://cdn.example/m.txt\r\n",
             "c.ini:8: warning: k_comm_manifest stands in [pack]; the launcher reads it only from [cver]"),
            ("a name under [cver]", GOOD.replace(b"[pack]", b"k_installerKey=Marnholt\r\n[pack]"),
             "c.ini:3: warning: k_installerKey stands in [cver]; the launcher reads it only from [pack]"),
            ("a misspelt key", GOOD.replace(b"[pack]", b"k_comm_sha265=" + b"ab" * 32 + b"\r\n[pack]"),
             "c.ini:3: warning: k_comm_sha265 is no key the launcher reads; did you mean k_comm_sha256?"),
            ("a capital letter", GOOD.replace(b"k_name=", b"K_name=") + b"k_name=x\r\n",
             "c.ini:4: warning: K_name is no key the launcher reads; did you mean k_name?"),
            ("an unknown key", GOOD + b"k_homepage=https://x.example\r\n",
             "c.ini:8: warning: k_homepage is no key the launcher reads; it is ignored"),
            ("a misspelt section", GOOD.replace(b"[pack]", b"[Pack]") + b"[pack]" + GOOD.split(b"[pack]")[1],
             "c.ini:3: warning: section [Pack] is not one the launcher reads; did you mean [pack]?"),
            ("mirror", GOOD.replace(b"[pack]", b"k_comm_url2=https://mirror.example/s.exe\r\n[pack]"), None),
            ("mirror not an address", GOOD.replace(b"[pack]", b"k_comm_url3=mirror/s.exe\r\n[pack]"),
             'c.ini:3: error: k_comm_url3 is not an absolute http or https address'),
            ("ignored line", GOOD.replace(b"[pack]", b"just words\r\n[pack]"),
             "c.ini:3: warning: neither a [section] nor key=value"),
            ("section twice", GOOD + b"[pack]" + GOOD.split(b"[pack]")[1],
             "c.ini:8: warning: section [pack] again: it replaces the one on line 3"),
            ("section twice, keys lost", GOOD + b"[pack]\r\nk_name=x\r\n",
             "c.ini:8: error: k_installAppName is missing from section [pack]"),
        ]
        for what, data, expected in cases:
            with self.subTest(what):
                errors, text = findings(data)
                if expected is None:
                    self.assertEqual((errors, text), (0, []))
                    continue
                self.assertTrue(any(line.startswith(expected) for line in text), text)
                self.assertEqual(errors > 0, ": error: " in expected, text)

    def test_the_command_line(self):
        script = os.path.join(ROOT, "tools", "publisher", "check_config.py")
        for args, code, expected in ((["--help"], 0, "usage: check_config.py"),
                                     ([os.path.join(ROOT, "no-such.ini")], 2, "no-such.ini: error: cannot be read"),
                                     ([], 2, "the following arguments are required")):
            result = subprocess.run([sys.executable, script, *args], capture_output=True, text=True)
            self.assertEqual(result.returncode, code, result.stderr)
            self.assertIn(expected, result.stdout + result.stderr)
            self.assertNotIn("Traceback", result.stderr)

    def test_a_line_break_inside_a_character_does_not_end_the_line(self):
        # 0xB0 0x0A is one two-byte unit to the launcher: the key after it
        # stands on the same line, and the line numbers after it shift.
        data = GOOD.replace(b"k_name=" + NAME, b"k_name=\xb0\nx")
        errors, text = findings(data)
        self.assertIn("c.ini:4: error: column 8: bytes B0 0A are no character of code page 936", text)


def png(width, height, colour_type=6, extra=b""):
    """A small valid PNG: one filter byte and zeros per row."""
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    raw = b"".join(b"\x00" + bytes(width * channels) for _ in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    ihdr = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    palette = chunk(b"PLTE", bytes(3)) if colour_type == 3 else b""
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + palette + extra + chunk(b"IDAT", zlib.compress(raw))
            + chunk(b"IEND", b""))


class SkinChecker(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="skin-")
        self.reset()

    def reset(self):
        """The folder holds a copy of the shipped skin."""
        for name in os.listdir(os.path.join(ROOT, "resources", "skin")):
            shutil.copy(os.path.join(ROOT, "resources", "skin", name), self.folder)

    def tearDown(self):
        shutil.rmtree(self.folder)

    def put(self, name, data):
        with open(os.path.join(self.folder, name), "wb") as f:
            f.write(data)

    def test_the_shipped_and_the_test_skin_pass(self):
        self.assertEqual(check_skin.check(os.path.join(ROOT, "resources", "skin")), [])
        self.assertEqual(check_skin.check(os.path.join(ROOT, "tests", "e2e", "skin")), [])

    def test_each_problem_names_its_file(self):
        with open(os.path.join(ROOT, "resources", "skin", "107.ico"), "rb") as f:
            icon = f.read()
        cases = [
            ("missing", lambda: os.remove(os.path.join(self.folder, "228.png")), "228.png: error: missing"),
            ("missing icon", lambda: os.remove(os.path.join(self.folder, "107.ico")), "107.ico: error: missing"),
            ("not a PNG", lambda: self.put("205.png", b"GIF89a" + bytes(40)), "205.png: error: not a PNG picture"),
            ("cut-off PNG", lambda: self.put("204.png", png(12, 11)[:-20]), "204.png: error: not a PNG picture"),
            ("PNG as icon", lambda: self.put("107.ico", png(32, 32)), "107.ico: error: not an icon file"),
            ("cut-off icon", lambda: self.put("107.ico", icon[:1000]), "107.ico: error: not an icon file"),
            ("narrow background", lambda: self.put("220.png", png(590, 493)),
             "220.png: error: 590x493; the background must be 630 pixels wide"),
            ("short background", lambda: self.put("220.png", png(630, 300)), "220.png: error: 630x300;"),
            ("background without alpha", lambda: self.put("220.png", png(630, 493, colour_type=2)),
             "220.png: error: the background has no alpha channel"),
            ("tall banner", lambda: self.put("205.png", png(590, 260)), "205.png: error: 590x260; the banner"),
            ("button not four frames", lambda: self.put("215.png", png(90, 25)),
             "215.png: error: 90x25; the close button is four frames"),
            ("big symbol", lambda: self.put("204.png", png(30, 11)), "204.png: error: 30x11; the symbol"),
            ("wide track", lambda: (self.put("229.png", png(520, 3)), self.put("228.png", png(520, 3))),
             "229.png: error: 520x3; the progress track"),
            ("fill unlike the track", lambda: self.put("228.png", png(400, 3)),
             "228.png: error: 400x3; the progress fill must be the size of the track 229.png, 468x3"),
        ]
        for what, spoil, expected in cases:
            with self.subTest(what):
                self.reset()
                spoil()
                problems = check_skin.check(self.folder)
                self.assertEqual(len(problems), 1, problems)
                self.assertTrue(problems[0].startswith(os.path.join(self.folder, expected)), problems)

    def test_a_palette_background_with_transparency_has_alpha(self):
        self.put("220.png", png(630, 493, colour_type=3, extra=b"\x00\x00\x00\x01tRNS\x00"
                                + struct.pack(">I", zlib.crc32(b"tRNS\x00"))))
        self.assertEqual(check_skin.check(self.folder), [])


if __name__ == "__main__":
    unittest.main()
