#!/usr/bin/env python3
"""The publisher's manifest kit: a key, a manifest signed for an installer
with the serial going up by itself, and verify telling a good manifest from
a changed, expired or foreign one (openssl does the cryptography)."""
import base64
import os
import subprocess
import sys
import tempfile
import unittest

KIT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "publisher", "manifest.py")


def kit(*args):
    return subprocess.run([sys.executable, KIT, *args], capture_output=True, text=True)


class ManifestKit(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.d = self.dir.name
        self.installer = os.path.join(self.d, "setup.exe")
        with open(self.installer, "wb") as f:
            f.write(os.urandom(5000))
        result = kit("keygen", os.path.join(self.d, "key.pem"))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.line = result.stdout.strip()
        self.manifest = os.path.join(self.d, "manifest.txt")

    def tearDown(self):
        self.dir.cleanup()

    def sign(self, *extra, key="key.pem"):
        result = kit("sign", "--key", os.path.join(self.d, key), "--installer", self.installer,
                     "--url", "https://a.example/setup.exe", "--url", "http://b.example/setup.exe", *extra,
                     self.manifest)
        self.assertEqual(result.returncode, 0, result.stderr)

    def verify(self):
        return kit("verify", "--key-line", self.line, "--installer", self.installer, self.manifest)

    def test_the_key_line_is_a_p256_key_in_der(self):
        self.assertTrue(self.line.startswith("k_comm_manifest_key="))
        der = base64.b64decode(self.line.split("=", 1)[1])
        self.assertEqual(len(der), 91)
        self.assertTrue(der.startswith(bytes.fromhex("3059301306072a8648ce3d020106082a8648ce3d030107034200")))
        self.assertNotEqual(kit("keygen", os.path.join(self.d, "key.pem")).returncode, 0, "overwrote the key")

    def test_a_signed_manifest_verifies_and_the_serial_goes_up(self):
        self.sign("--signer", "Northwind Games Ltd")
        self.sign()
        with open(self.manifest, "rb") as f:
            data = f.read()
        lines = data.decode().splitlines()
        self.assertEqual(lines[0], "serial=2")
        self.assertEqual(lines[2], "size=5000")
        self.assertEqual(lines[-3:-1], ["url=https://a.example/setup.exe", "url=http://b.example/setup.exe"])
        self.assertTrue(lines[-1].startswith("signature="))
        self.assertEqual(len(base64.b64decode(lines[-1][len("signature="):])), 64)
        self.assertTrue(data.endswith(b"\n") and not data.endswith(b"\n\n"))
        result = self.verify()
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_verify_refuses_what_the_launcher_refuses(self):
        self.sign()
        with open(self.manifest, "rb") as f:
            good = f.read()
        kit("keygen", os.path.join(self.d, "other.pem"))
        cases = [
            ("a changed byte", good.replace(b"a.example", b"e.example"), "code 1"),
            ("no signature", good[:good.index(b"signature=")], "code 4"),
        ]
        for what, data, expected in cases:
            with self.subTest(what):
                with open(self.manifest, "wb") as f:
                    f.write(data)
                result = self.verify()
                self.assertEqual(result.returncode, 1)
                self.assertIn(expected, result.stdout)
        self.sign("--expires", "2001-01-01T00:00:00Z")
        self.assertIn("code 3", self.verify().stdout)
        self.sign(key="other.pem")
        self.assertIn("code 1", self.verify().stdout)
        self.sign()
        with open(self.installer, "ab") as f:
            f.write(b"x")
        self.assertIn("is not the installer it names", self.verify().stdout)


if __name__ == "__main__":
    unittest.main()
