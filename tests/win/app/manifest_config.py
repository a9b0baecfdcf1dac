#!/usr/bin/python3
"""manifest_config.py CONFIG KEY OUTPUT

Writes the configuration CONFIG (code page 936, CR LF, kept byte for byte)
with a signed download manifest set up in its section "cver": its address
on the package server's port (/manifest/manifest.txt), the public key of
KEY, a publisher's key that tools/publisher/manifest.py makes first when
KEY does not exist yet, and the channel CHANNEL (Chinese, so that the
configuration's code page 936 meets the manifest's UTF-8). The end-to-end
cases sign their manifests with KEY for CHANNEL (tests/e2e/e2e.py, its
MANIFEST_CHANNEL)."""
import base64
import os
import re
import subprocess
import sys

CHANNEL = "正式服"

config, key, output = sys.argv[1:4]
kit = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "publisher", "manifest.py")
if not os.path.exists(key):
    subprocess.run([sys.executable, kit, "keygen", key], check=True, capture_output=True)
der = subprocess.run(["openssl", "pkey", "-in", key, "-pubout", "-outform", "DER"], check=True,
                     capture_output=True).stdout
with open(config, "rb") as f:
    text = f.read()
server = re.search(rb"k_comm_url=(http://127\.0\.0\.1:\d+/)", text).group(1)
lines = (b"k_comm_manifest=" + server + b"manifest/manifest.txt\r\n" +
         b"k_comm_manifest_key=" + base64.b64encode(der) + b"\r\n" +
         b"k_comm_channel=" + CHANNEL.encode("gbk") + b"\r\n")
text = text.replace(b"[cver]\r\n", b"[cver]\r\n" + lines, 1)
with open(output, "wb") as f:
    f.write(text)
