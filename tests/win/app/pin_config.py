#!/usr/bin/python3
"""pin_config.py CONFIG INSTALLER OUTPUT

Writes the configuration CONFIG (code page 936, CR LF, kept byte for byte)
with the SHA-256 digest of INSTALLER pinned in its section "cver"
(k_comm_sha256), for the launcher that must run only that installer."""
import hashlib
import sys

config, installer, output = sys.argv[1:4]
with open(installer, "rb") as f:
    digest = hashlib.sha256(f.read()).hexdigest()
with open(config, "rb") as f:
    text = f.read()
text = text.replace(b"[cver]\r\n", b"[cver]\r\nk_comm_sha256=" + digest.encode("ascii") + b"\r\n", 1)
with open(output, "wb") as f:
    f.write(text)
