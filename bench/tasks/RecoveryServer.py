#!/usr/bin/env python3
"""A loopback HTTP server for the recovery benchmark: SIZE bytes with a
Content-Length and an ETag, ranges ("Range: bytes=N-" with a matching
If-Range gets 206), and a connection reset after every RESET_EVERY bytes of
the file (0: never). GET /stats answers with the body bytes sent since the
last /stats, then counts from 0 again. Prints its port, then serves until
it is killed.

    RecoveryServer.py SIZE RESET_EVERY
"""
import fcntl
import re
import socket
import struct
import sys
import threading
import time

from BenchServer import QuietHandler, serve

SIOCOUTQ = 0x5411  # bytes not yet acknowledged by the client

SIZE = int(sys.argv[1])
RESET_EVERY = int(sys.argv[2])
ETAG = '"qmx-bench"'
BODY = bytes(((i * 7 + i // 251) & 0xFF) for i in range(256 * 251)) * (SIZE // (256 * 251) + 1)
BODY = BODY[:SIZE]
sent = 0
lock = threading.Lock()


class Handler(QuietHandler):
    def do_GET(self):
        global sent
        if self.path == "/stats":
            with lock:
                text, sent = str(sent).encode(), 0
            self.send_response(200)
            self.send_header("Content-Length", str(len(text)))
            self.end_headers()
            self.wfile.write(text)
            return
        start = 0
        match = re.fullmatch(r"bytes=(\d+)-", self.headers.get("Range", ""))
        if match and self.headers.get("If-Range") == ETAG and int(match.group(1)) < SIZE:
            start = int(match.group(1))
            self.send_response(206)
            self.send_header("Content-Range", f"bytes {start}-{SIZE - 1}/{SIZE}")
        else:
            self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(SIZE - start))
        self.send_header("ETag", ETAG)
        self.send_header("Connection", "close")
        self.end_headers()
        # The connection breaks at the next multiple of RESET_EVERY.
        end = SIZE
        if RESET_EVERY:
            end = min(SIZE, (start // RESET_EVERY + 1) * RESET_EVERY)
        view = memoryview(BODY)
        offset = start
        while offset < end:
            piece = min(end, offset + (1 << 16))
            self.wfile.write(view[offset:piece])
            with lock:
                sent += piece - offset
            offset = piece
        if end < SIZE:
            self.wfile.flush()
            # Everything sent has reached the client's side before the reset,
            # so that the count of bytes sent is the count delivered.
            deadline = time.monotonic() + 2
            while time.monotonic() < deadline and struct.unpack(
                    "i", fcntl.ioctl(self.connection.fileno(), SIOCOUTQ, b"\0\0\0\0"))[0] > 0:
                time.sleep(0.001)
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
            self.close_connection = True


serve(Handler)
