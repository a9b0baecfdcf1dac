#!/usr/bin/env python3
"""One judgement: every manifest of the table goes through the publisher's
kit (manifest.py verify) and through the launcher's own check
(CheckManifest, in the program manifest_judge), and both must give the code
the table names (0 when it holds; otherwise the code the launcher shows).

    judgement_test.py --judge PATH/manifest_judge
"""
import argparse
import base64
import contextlib
import email.utils
import io
import os
import re
import subprocess
import sys
import tempfile
import unittest

KIT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "publisher", "manifest.py")
sys.path.insert(0, os.path.dirname(KIT))
import manifest  # noqa: E402
JUDGE = None

SHA = "ab" * 32
FAR = "2099-01-01T00:00:00Z"
# Answers' Dates: 2099-01-02, after the good manifest's end; 2001-01-01.
DATE_AFTER_END = 4070995200
DATE_BEFORE = 978307200


def body(*replace, drop=(), add=()):
    """The fields of a good manifest, with name=value lines replaced by
    name (first occurrence), dropped by name, or added at the end."""
    lines = [f"channel=live", "serial=5", f"expires={FAR}", "size=1000", f"sha256={SHA}",
             "signer=Northwind Games Ltd", "url=https://cdn-a.example/setup.exe"]
    for line in replace:
        name = line.split("=", 1)[0]
        lines = [line if existing.split("=", 1)[0] == name else existing for existing in lines]
    lines = [line for line in lines if line.split("=", 1)[0] not in drop] + list(add)
    return ("\n".join(lines) + "\n").encode("utf-8")


def launcher(*replace, drop=(), add=()):
    """The lines that name a new launcher, changed as body changes the
    manifest's, for body's add."""
    lines = ["launcher_version=1.0.0.2", "launcher_size=409600", f"launcher_sha256={SHA}",
             "launcher_url=https://cdn-a.example/launcher-1.0.0.2.exe"]
    for line in replace:
        name = line.split("=", 1)[0]
        lines = [line if existing.split("=", 1)[0] == name else existing for existing in lines]
    return [line for line in lines if line.split("=", 1)[0] not in drop] + list(add)


class Judgement(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        d = cls.dir.name
        cls.line = subprocess.run([sys.executable, KIT, "keygen", f"{d}/key.pem"], capture_output=True,
                                  text=True, check=True).stdout.strip().split("=", 1)[1]
        subprocess.run([sys.executable, KIT, "keygen", f"{d}/other.pem"], capture_output=True, check=True)

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def signed(self, signed, key="key.pem", tail=b"\n"):
        """signed followed by its signature line, as openssl makes it."""
        der = subprocess.run(["openssl", "dgst", "-sha256", "-sign", f"{self.dir.name}/{key}"], input=signed,
                             capture_output=True, check=True).stdout
        raw, pos = b"", 2
        for _ in range(2):
            length = der[pos + 1]
            raw += int.from_bytes(der[pos + 2:pos + 2 + length], "big").to_bytes(32, "big")
            pos += 2 + length
        return signed + b"signature=" + base64.b64encode(raw) + tail

    def test_the_kit_and_the_launcher_judge_alike(self):
        good = self.signed(body())
        crlf = body().replace(b"\n", b"\r\n")
        cases = [
            # (what, manifest, accepted serial, the answer's Date, code)
            ("good", good, None, None, 0),
            ("CR LF lines", self.signed(crlf, tail=b"\r\n"), None, None, 0),
            ("signed with a byte-order mark", self.signed(b"\xef\xbb\xbf" + body()), None, None, 0),
            ("no line break after the signature", good[:-1], None, None, 0),
            ("unknown names, a blank before a name", self.signed(body(add=["note=x", " serial=0", "\tserial=1"])),
             None, None, 0),
            ("equal serial", good, 5, None, 0),
            ("serial 2^64 - 1, leading zeros", self.signed(body("serial=018446744073709551615")), None, None, 0),
            ("thirty leading zeros", self.signed(body("serial=" + "0" * 30 + "5")), None, None, 0),
            ("29 February of a leap year", self.signed(body("expires=2096-02-29T23:59:59Z")), None, None, 0),
            ("capital digits and scheme", self.signed(body(f"sha256={SHA.upper()}", "url=HTTPS://Cdn.example/s")),
             None, None, 0),
            ("address beyond ASCII, two addresses",
             self.signed(body("url=https://例子.example/安装.exe", add=["url=http://b.example/s"])), None, None, 0),
            ("an answer's Date before the end", good, None, DATE_BEFORE, 0),
            # A new launcher named: its lines all or none.
            ("a new launcher", self.signed(body(add=launcher())), None, None, 0),
            ("a launcher at the highest version, signer keys, two addresses, capitals",
             self.signed(body(add=launcher("launcher_version=65535.65535.65535.65535",
                                           f"launcher_sha256={SHA.upper()}",
                                           add=[f"launcher_signer_key={SHA.upper()}", "launcher_signer_key=" + "0" * 64,
                                                "launcher_url=http://b.example/l.exe"]))), None, None, 0),
            ("a launcher version with leading zeros", self.signed(body(add=launcher("launcher_version=01.0.00000.2"))),
             None, None, 0),
            ("no launcher_version", self.signed(body(add=launcher(drop=["launcher_version"]))), None, None, 4),
            ("no launcher_size", self.signed(body(add=launcher(drop=["launcher_size"]))), None, None, 4),
            ("no launcher_sha256", self.signed(body(add=launcher(drop=["launcher_sha256"]))), None, None, 4),
            ("no launcher_url", self.signed(body(add=launcher(drop=["launcher_url"]))), None, None, 4),
            ("a signer key alone", self.signed(body(add=[f"launcher_signer_key={SHA}"])), None, None, 4),
            ("launcher_version twice", self.signed(body(add=launcher(add=["launcher_version=1.0.0.3"]))), None, None,
             4),
            ("launcher_sha256 twice", self.signed(body(add=launcher(add=[f"launcher_sha256={SHA}"]))), None, None, 4),
            ("a launcher version of three numbers", self.signed(body(add=launcher("launcher_version=1.0.2"))), None,
             None, 4),
            ("of five numbers", self.signed(body(add=launcher("launcher_version=1.0.0.2.0"))), None, None, 4),
            ("a part above 65535", self.signed(body(add=launcher("launcher_version=1.0.0.65536"))), None, None, 4),
            ("six digits in a part", self.signed(body(add=launcher("launcher_version=1.0.0.000002"))), None, None, 4),
            ("an empty part", self.signed(body(add=launcher("launcher_version=1..0.2"))), None, None, 4),
            ("a sign", self.signed(body(add=launcher("launcher_version=+1.0.0.2"))), None, None, 4),
            ("a blank after the version", self.signed(body(add=launcher("launcher_version=1.0.0.2 "))), None, None, 4),
            ("a launcher size that is none", self.signed(body(add=launcher("launcher_size=400 KB"))), None, None, 4),
            ("a launcher digest of 63 digits", self.signed(body(add=launcher(f"launcher_sha256={SHA[:-1]}"))), None,
             None, 4),
            ("a signer key of 65 digits", self.signed(body(add=launcher(add=[f"launcher_signer_key={SHA}0"]))), None,
             None, 4),
            ("a signer key with a non-hex digit",
             self.signed(body(add=launcher(add=[f"launcher_signer_key=g{SHA[1:]}"]))), None, None, 4),
            ("an ftp address for the launcher", self.signed(body(add=launcher("launcher_url=ftp://cdn.example/l.exe"))),
             None, None, 4),
            # The signature.
            ("one byte changed", good.replace(b"cdn-a", b"cdn-b"), None, None, 1),
            ("another key", self.signed(body(), key="other.pem"), None, None, 1),
            ("CR LF after signing", good.replace(b"\n", b"\r\n"), None, None, 1),
            ("a byte-order mark after signing", b"\xef\xbb\xbf" + good, None, None, 1),
            ("malformed fields under another key", self.signed(body("serial=x"), key="other.pem"), None, None, 1),
            # The signature line.
            ("no signature line", body(), None, None, 4),
            ("an empty line after it", good + b"\n", None, None, 4),
            ("a cut-off signature", good[:-10] + b"\n", None, None, 4),
            ("above 64 KB", self.signed(body(add=["note=" + "x" * 65536])), None, None, 4),
            # The fields.
            ("a signature line among them", self.signed(body(add=["signature=x"])), None, None, 4),
            ("not UTF-8", self.signed(body().replace(b"Northwind", b"North\xffwind")), None, None, 4),
            ("a line without =", self.signed(body(add=["just words"])), None, None, 4),
            ("an empty line", self.signed(body() + b"\n"), None, None, 4),
            ("a lone CR in a line", self.signed(body("signer=North\rwind")), None, None, 4),
            ("serial 0", self.signed(body("serial=0")), None, None, 4),
            ("serial 2^64", self.signed(body("serial=18446744073709551616")), None, None, 4),
            ("serial with a sign", self.signed(body("serial=+5")), None, None, 4),
            ("serial with a blank", self.signed(body("serial=5 ")), None, None, 4),
            ("serial twice", self.signed(body(add=["serial=5"])), None, None, 4),
            ("30 February", self.signed(body("expires=2027-02-30T00:00:00Z")), None, None, 4),
            ("29 February of 2100", self.signed(body("expires=2100-02-29T00:00:00Z")), None, None, 4),
            ("month 13", self.signed(body("expires=2027-13-01T00:00:00Z")), None, None, 4),
            ("hour 24", self.signed(body("expires=2027-01-01T24:00:00Z")), None, None, 4),
            ("second 60", self.signed(body("expires=2027-01-01T23:59:60Z")), None, None, 4),
            ("before 1970", self.signed(body("expires=1969-12-31T23:59:59Z")), None, None, 4),
            ("no Z", self.signed(body("expires=2027-01-01T00:00:00+00:00")), None, None, 4),
            ("short year", self.signed(body("expires=99-01-01T00:00:00Z")), None, None, 4),
            ("size not a number", self.signed(body("size=1e3")), None, None, 4),
            ("size 2^64", self.signed(body("size=18446744073709551616")), None, None, 4),
            ("digest of 63 digits", self.signed(body(f"sha256={SHA[:-1]}")), None, None, 4),
            ("digest with a non-hex digit", self.signed(body(f"sha256=g{SHA[1:]}")), None, None, 4),
            ("empty signer", self.signed(body("signer=")), None, None, 4),
            ("a tab in the signer", self.signed(body("signer=A\tserial=99")), None, None, 4),
            ("signer twice", self.signed(body(add=["signer=B"])), None, None, 4),
            ("an ftp address", self.signed(body("url=ftp://cdn.example/s")), None, None, 4),
            ("a blank in the address", self.signed(body("url=https://cdn.example/set up.exe")), None, None, 4),
            ("an address without host", self.signed(body("url=https:///setup.exe")), None, None, 4),
            ("no address", self.signed(body(drop=["url"])), None, None, 4),
            ("no serial", self.signed(body(drop=["serial"])), None, None, 4),
            ("no channel", self.signed(body(drop=["channel"])), None, None, 4),
            ("empty channel", self.signed(body("channel=")), None, None, 4),
            ("a tab in the channel", self.signed(body("channel=li\tve")), None, None, 4),
            ("channel twice", self.signed(body(add=["channel=live"])), None, None, 4),
            # The channel, the serial, the expiry, in this order.
            ("another channel", self.signed(body("channel=beta")), None, None, 5),
            ("the channel in capitals", self.signed(body("channel=Live")), None, None, 5),
            ("another channel, older and expired",
             self.signed(body("channel=beta", "serial=1", "expires=2001-01-01T00:00:00Z")), 5, None, 5),
            ("older", good, 6, None, 2),
            ("older and expired", self.signed(body("expires=2001-01-01T00:00:00Z")), 6, None, 2),
            ("expired", self.signed(body("expires=2001-01-01T00:00:00Z")), None, None, 3),
            ("expired by the answer's Date", good, None, DATE_AFTER_END, 3),
            ("expired by the local clock, an old Date", self.signed(body("expires=2001-01-01T00:00:00Z")),
             None, DATE_BEFORE - 1, 3),
        ]
        path = os.path.join(self.dir.name, "manifest.txt")
        for what, data, accepted, date, code in cases:
            with self.subTest(what):
                with open(path, "wb") as f:
                    f.write(data)
                self.assertEqual(self.kit(path, accepted, date), code, "the kit")
                self.assertEqual(self.launcher(path, accepted, date), code, "the launcher")

    def kit(self, path, accepted, date):
        """The code in verify's verdict (the command run in this process)."""
        args = ["manifest.py", "verify", "--key-line", self.line, "--channel", "live", path]
        if accepted is not None:
            args[2:2] = ["--accepted-serial", str(accepted)]
        if date is not None:
            args[2:2] = ["--date", email.utils.formatdate(date, usegmt=True)]
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            exit_code = manifest.main(args)
        found = re.search(r"\(code (\d)\)", out.getvalue())
        self.assertEqual(exit_code, 1 if found else 0, out.getvalue() + err.getvalue())
        return int(found.group(1)) if found else 0

    def launcher(self, path, accepted, date):
        result = subprocess.run([JUDGE, self.line, "live", "-" if accepted is None else str(accepted),
                                 "-" if date is None else str(date), path], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        return int(result.stdout)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--judge", required=True)
    args, rest = parser.parse_known_args()
    JUDGE = args.judge
    unittest.main(argv=[sys.argv[0]] + rest)
