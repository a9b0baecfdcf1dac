#!/usr/bin/env python3
"""The demo package server: serves the game's installer on the loopback.

GET /package/Windows/pomvel_mini.exe answers with the installer file and its
Content-Length; with --manifest, GET /manifest.txt (or --manifest-path)
answers with that signed download manifest, read again at every request so
that a manifest signed anew is served at once; every other path is 404.
Every answer carries a Date header. Each request is appended to the log
(one JSON object per line: method, path, user agent) so tests can check what
the launcher asked for.

  --manifest FILE  serve FILE (a manifest that tools/publisher/manifest.py
                   signed) as the launcher's k_comm_manifest
  --manifest-path P  the path it is served at (default /manifest.txt)

  --hold-after N   send N bytes of the body, then wait until the file named
                   by --release exists before sending the rest (lets a test
                   look at the screen in the middle of a download)
  --rate BPS       send the body at about BPS bytes per second (demo pacing)
  --not-found      answer 404 for the installer too (a package that is gone)
  --length N       announce N as the Content-Length instead of the file's size
                   (with --hold-after, an installer larger than the file)
  --ready FILE     written once the server listens: the port it listens on
                   (--port 0 takes a free one)
  --content-type T send T as the installer's Content-Type (a captive portal
                   sends its login page as text/html)
  --etag TAG       send TAG as the installer's ETag and answer "Range:
                   bytes=N-" with the rest (206) when an If-Range is TAG or
                   absent; a ranged answer is never held back
"""
import argparse
import json
import os
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PACKAGE_PATH = "/package/Windows/pomvel_mini.exe"


def make_handler(args, log_lock):
    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, fmt, *values):  # keep the console quiet
            pass

        def record(self):
            if not args.log:
                return
            entry = {"method": self.command, "path": self.path,
                     "user_agent": self.headers.get("User-Agent", "")}
            for header, key in (("Range", "range"), ("If-Range", "if_range")):
                if self.headers.get(header) is not None:
                    entry[key] = self.headers.get(header)
            with log_lock, open(args.log, "a", encoding="utf-8") as log:
                log.write(json.dumps(entry) + "\n")

        def do_GET(self):
            self.record()
            if args.manifest and self.path == args.manifest_path:
                self.send_manifest()
                return
            if self.path != PACKAGE_PATH or args.not_found:
                self.send_not_found()
                return
            with open(args.file, "rb") as f:
                body = f.read()
            wanted = self.headers.get("Range", "")
            if_range = self.headers.get("If-Range")
            if (args.etag and wanted.startswith("bytes=") and wanted.endswith("-") and wanted[6:-1].isdigit()
                    and int(wanted[6:-1]) < len(body) and if_range in (None, args.etag)):
                start = int(wanted[6:-1])
                self.send_response(206)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("ETag", args.etag)
                self.send_header("Content-Range", f"bytes {start}-{len(body) - 1}/{len(body)}")
                self.send_header("Content-Length", str(len(body) - start))
                self.send_header("Connection", "close")
                self.end_headers()
                self.send_body(body[start:], hold=False)
                return
            self.send_response(200)
            if args.etag:
                self.send_header("ETag", args.etag)
            self.send_header("Content-Type", args.content_type)
            self.send_header("Content-Length", str(len(body) if args.length is None else args.length))
            self.send_header("Connection", "close")
            self.end_headers()
            self.send_body(body)

        def send_manifest(self):
            try:
                with open(args.manifest, "rb") as f:
                    body = f.read()
            except OSError:
                self.send_not_found()
                return
            self.send_short(200, body, "text/plain; charset=utf-8")

        def send_not_found(self):
            self.send_short(404, b"not found")

        # A whole small answer at once, and the connection closed after it.
        def send_short(self, status, body, content_type=None):
            self.send_response(status)
            if content_type:
                self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body)

        def send_body(self, body, hold=True):
            sent = 0
            chunk = 16384
            started = time.monotonic()
            while sent < len(body):
                if hold and args.hold_after is not None and sent >= args.hold_after and args.release:
                    while not os.path.exists(args.release):
                        time.sleep(0.05)
                    args.hold_after = None
                end = len(body) if args.hold_after is None or not hold else min(len(body), max(args.hold_after, sent + 1))
                end = min(end, sent + chunk)
                try:
                    self.wfile.write(body[sent:end])
                    self.wfile.flush()
                except (BrokenPipeError, ConnectionResetError):
                    return
                sent = end
                if args.rate:
                    due = started + sent / args.rate
                    pause = due - time.monotonic()
                    if pause > 0:
                        time.sleep(pause)

    return Handler


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--file", required=True, help="the installer to serve")
    parser.add_argument("--log")
    parser.add_argument("--ready")
    parser.add_argument("--hold-after", type=int)
    parser.add_argument("--release")
    parser.add_argument("--rate", type=float)
    parser.add_argument("--not-found", action="store_true")
    parser.add_argument("--length", type=int)
    parser.add_argument("--content-type", default="application/octet-stream")
    parser.add_argument("--etag")
    parser.add_argument("--manifest")
    parser.add_argument("--manifest-path", default="/manifest.txt")
    args = parser.parse_args()

    server = ThreadingHTTPServer(("127.0.0.1", args.port), make_handler(args, threading.Lock()))
    server.daemon_threads = True
    port = server.server_address[1]
    if args.ready:
        with open(args.ready + ".new", "w") as ready:
            ready.write(f"{port}\n")
        os.replace(args.ready + ".new", args.ready)
    print(f"package server on http://127.0.0.1:{port}{PACKAGE_PATH}", flush=True)
    if args.manifest:
        print(f"manifest on http://127.0.0.1:{port}{args.manifest_path}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
