#!/usr/bin/python3
"""line_config.py CONFIG INSTALLER SIZE_MB LARGE OUTPUT

Writes LARGE, the installer INSTALLER with zeros after it up to SIZE_MB
MiB (a program runs the same with bytes after its image), and OUTPUT, the
configuration CONFIG (code page 936, CR LF, kept byte for byte) with LARGE's
SHA-256 digest pinned and the line's speed chosen in its section "cver"
(k_comm_sha256, k_comm_rate=0)."""
import hashlib
import sys

config, installer, size_mb, large, output = sys.argv[1:6]
with open(installer, "rb") as f:
    program = f.read()
size = int(size_mb) * 1024 * 1024
sha = hashlib.sha256(program)
zeros = bytes(1024 * 1024)
with open(large, "wb") as f:
    f.write(program)
    left = size - len(program)
    while left > 0:
        piece = zeros[:min(left, len(zeros))]
        f.write(piece)
        sha.update(piece)
        left -= len(piece)
with open(config, "rb") as f:
    text = f.read()
text = text.replace(b"[cver]\r\n", b"[cver]\r\nk_comm_sha256=" + sha.hexdigest().encode("ascii") +
                    b"\r\nk_comm_rate=0\r\n", 1)
with open(output, "wb") as f:
    f.write(text)
