#!/usr/bin/env python3
"""A loopback HTTP server for the download benchmark: answers every GET
with SIZE bytes and a Content-Length. Prints its port, then serves until
it is killed. Its serving loop is the recovery benchmark's server's too."""
import http.server
import socketserver
import sys


class QuietHandler(http.server.BaseHTTPRequestHandler):
    """HTTP/1.1, and no line per request on the terminal."""
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def serve(handler):
    """Serves handler on a free loopback port, printed first, until killed."""
    server = Server(("127.0.0.1", 0), handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


class Handler(QuietHandler):
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(BODY)))
        self.send_header("Connection", "close")
        self.end_headers()
        view = memoryview(BODY)
        for offset in range(0, len(BODY), 1 << 20):
            self.wfile.write(view[offset:offset + (1 << 20)])


if __name__ == "__main__":
    SIZE = int(sys.argv[1]) if len(sys.argv) > 1 else 20 * 1024 * 1024
    BODY = bytes((i * 7) & 0xFF for i in range(256)) * (SIZE // 256) + b"\0" * (SIZE % 256)
    serve(Handler)
