#!/usr/bin/python3
"""manifest_config.py [--trial] CONFIG KEY OUTPUT

Writes the configuration CONFIG (code page 936, CR LF, kept byte for byte)
with a signed download manifest set up in its section "cver": its address
on the package server's port, the public key of KEY (a publisher's key that
tools/publisher/manifest.py keygen makes first when KEY does not exist yet;
an existing KEY is kept) and the manifest's channel.

Without --trial: the manifest at /manifest/manifest.txt and the channel
CHANNEL (Chinese, so that the configuration's code page 936 meets the
manifest's UTF-8). The end-to-end cases sign their manifests with KEY for
CHANNEL (tests/e2e/e2e.py, its MANIFEST_CHANNEL).

With --trial: the local trial of docs/publishers.md, its first steps as a
publisher takes them: the manifest at /manifest.txt, the channel "trial",
and OUTPUT must pass tools/publisher/check_config.py, as a publisher's
configuration must before it is built in."""
import base64
import os
import re
import subprocess
import sys

CHANNEL = "正式服"

arguments = sys.argv[1:]
trial = arguments[:1] == ["--trial"]
config, key, output = arguments[1:4] if trial else arguments[0:3]
tools = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "publisher")
if not os.path.exists(key):
    subprocess.run([sys.executable, os.path.join(tools, "manifest.py"), "keygen", key], check=True,
                   capture_output=True)
der = subprocess.run(["openssl", "pkey", "-in", key, "-pubout", "-outform", "DER"], check=True,
                     capture_output=True).stdout
with open(config, "rb") as f:
    text = f.read()
server = re.search(rb"k_comm_url=(http://127\.0\.0\.1:\d+/)", text).group(1)
path, channel = (b"manifest.txt", b"trial") if trial else (b"manifest/manifest.txt", CHANNEL.encode("gbk"))
lines = (b"k_comm_manifest=" + server + path + b"\r\n" +
         b"k_comm_manifest_key=" + base64.b64encode(der) + b"\r\n" +
         b"k_comm_channel=" + channel + b"\r\n")
with open(output, "wb") as f:
    f.write(text.replace(b"[cver]\r\n", b"[cver]\r\n" + lines, 1))
if trial:
    check = subprocess.run([sys.executable, os.path.join(tools, "check_config.py"), output], capture_output=True,
                           text=True)
    if check.returncode != 0:
        sys.exit(check.stdout + check.stderr)
