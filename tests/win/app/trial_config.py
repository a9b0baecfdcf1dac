#!/usr/bin/python3
"""trial_config.py CONFIG KEY OUTPUT

The local trial of docs/publishers.md, its first steps as a publisher takes
them: makes the trial key KEY with tools/publisher/manifest.py keygen (once;
an existing KEY is kept) and writes OUTPUT, the configuration CONFIG (code
page 936, CR LF, kept byte for byte) with the three lines the trial adds to
[cver]: k_comm_manifest on the package server's port (/manifest.txt), the
key's line and the channel "trial". OUTPUT must pass
tools/publisher/check_config.py, as a publisher's configuration must before
it is built in."""
import base64
import os
import re
import subprocess
import sys

config, key, output = sys.argv[1:4]
tools = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "publisher")
if not os.path.exists(key):
    subprocess.run([sys.executable, os.path.join(tools, "manifest.py"), "keygen", key], check=True,
                   capture_output=True)
der = subprocess.run(["openssl", "pkey", "-in", key, "-pubout", "-outform", "DER"], check=True,
                     capture_output=True).stdout
with open(config, "rb") as f:
    text = f.read()
server = re.search(rb"k_comm_url=(http://127\.0\.0\.1:\d+/)", text).group(1)
lines = (b"k_comm_manifest=" + server + b"manifest.txt\r\n" +
         b"k_comm_manifest_key=" + base64.b64encode(der) + b"\r\n" +
         b"k_comm_channel=trial\r\n")
with open(output, "wb") as f:
    f.write(text.replace(b"[cver]\r\n", b"[cver]\r\n" + lines, 1))
check = subprocess.run([sys.executable, os.path.join(tools, "check_config.py"), output], capture_output=True,
                       text=True)
if check.returncode != 0:
    sys.exit(check.stdout + check.stderr)
