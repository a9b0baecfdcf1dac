#!/usr/bin/python3
"""Real servers for the download tests under Wine, on free loopback ports.

    net_servers.py start DIR    # writes DIR/servers.txt, leaves them running
    net_servers.py stop DIR     # ends them and removes what start made

start makes, in DIR: a test CA and a certificate for "localhost" signed by
it, a self-signed certificate nobody trusts, the file to download, a
configuration for Debian's nginx and one for tinyproxy; starts both with
their pid files in DIR; mounts a 100 KB tmpfs as a small disk when it may;
and writes servers.txt, one "name=value" a line, with Windows paths (Z:)
for the test program:

    http       nginx: /files/pomvel_mini.exe (ranges, ETag), /moved (302 to
               it), /loop (302 to itself), /hopN (N redirects to it),
               /slow/... what /files/ holds, its first 400 bytes (headers
               included) at once, then 5 bytes a second, /ask407
               a 407 asking for a password (a server, not a proxy)
    https      the same file over TLS with the CA's certificate
    selfsigned the same file over TLS with the self-signed certificate
    proxied    the file only for requests that came through the proxy
               (they carry a Via header); others get 403
    proxy      tinyproxy
    authproxy  tinyproxy asking for a password (BasicAuth; user name and
               password in AUTH_USER and AUTH_PASSWORD below)
    ca         the CA's certificate (DER)
    size       the file's length
    sha256     the file's SHA-256
    small_disk a folder on the 100 KB disk (absent when none could be mounted)
    cut        a server of this script's own that answers every GET with the
               file's headers and its first CUT bytes, then resets the
               connection (a mirror failing mid-body)
    manifest_key  the publisher's key line (k_comm_manifest_key), made by
               tools/publisher/manifest.py with openssl; the manifests
               signed with it lie in nginx's /files/manifests/ (see
               make_manifests)
    manifest_channel  the channel those manifests are for (k_comm_channel)
    closed     a port where nothing listens
"""
import hashlib
import os
import shutil
import signal
import socket
import subprocess
import sys
import time

SIZE = 300000
HOPS = 11
CUT = 100000
KIT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "publisher", "manifest.py")
CHANNEL = "release"

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "e2e"))
import manifest_signing  # noqa: E402

CUT_SERVER = r"""
import socket, struct, sys, time
size, cut = int(sys.argv[2]), int(sys.argv[3])
body = bytes(((i * 7 + i // 251) & 0xFF) for i in range(cut))
server = socket.socket()
server.bind(("127.0.0.1", int(sys.argv[1])))
server.listen(8)
server.settimeout(1.0)
deadline = time.monotonic() + 1800
served = 0
while time.monotonic() < deadline and served < 200:
    try:
        conn, _ = server.accept()
    except socket.timeout:
        continue
    served += 1
    try:
        conn.settimeout(5)
        request = b""
        while b"\r\n\r\n" not in request:
            piece = conn.recv(4096)
            if not piece:
                break
            request += piece
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: %d\r\n"
                     b"Accept-Ranges: bytes\r\nETag: \"cut\"\r\n\r\n" % size + body)
        time.sleep(0.2)
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    except OSError:
        pass
    conn.close()
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.5):
                return True
        except OSError:
            time.sleep(0.05)
    return False


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, capture_output=True)


def make_certificates(d):
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
            "-keyout", f"{d}/ca.key", "-out", f"{d}/ca.pem", "-subj", "/CN=quillmerex test CA",
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("x509", "-in", f"{d}/ca.pem", "-outform", "DER", "-out", f"{d}/ca.der")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{d}/server.key",
            "-out", f"{d}/server.csr", "-subj", "/CN=localhost")
    with open(f"{d}/server.ext", "w") as f:
        f.write("subjectAltName=DNS:localhost\nextendedKeyUsage=serverAuth\n"
                "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\n")
    openssl("x509", "-req", "-in", f"{d}/server.csr", "-CA", f"{d}/ca.pem", "-CAkey", f"{d}/ca.key",
            "-CAcreateserial", "-days", "30", "-out", f"{d}/server.pem", "-extfile", f"{d}/server.ext")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
            "-keyout", f"{d}/self.key", "-out", f"{d}/self.pem", "-subj", "/CN=localhost",
            "-addext", "subjectAltName=DNS:localhost")


def body():
    # The same pattern as the tests' own servers: a lost or doubled chunk shows.
    return bytes(((i * 7 + i // 251) & 0xFF) for i in range(SIZE))


def make_manifests(d, ports):
    """Keys (made by the publisher's kit) and manifests for the manifest
    tests, all for CHANNEL unless named otherwise: good (serial 5, the file
    on nginx), changed (good with one byte of its address changed), older
    (serial 4), expired (2001), otherkey (signed with another key),
    otherchannel (serial 50, channel "beta"), mirrors (a missing file, then
    the file), resume (the cutting server, then nginx). Returns the key
    line."""
    kit = [sys.executable, KIT]
    line = subprocess.run(kit + ["keygen", f"{d}/manifest.key"], check=True, capture_output=True,
                          text=True).stdout.strip()
    subprocess.run(kit + ["keygen", f"{d}/other.key"], check=True, capture_output=True)
    os.makedirs(f"{d}/www/manifests", exist_ok=True)
    installer = f"{d}/www/pomvel_mini.exe"
    nginx = f"http://127.0.0.1:{ports['http']}/files/pomvel_mini.exe"

    def sign(name, serial, urls, key="manifest.key", expires=None, channel=CHANNEL):
        manifest_signing.sign(f"{d}/{key}", installer, urls, f"{d}/www/manifests/{name}.txt", channel,
                              serial=serial, expires=expires)

    sign("good", 5, [nginx])
    with open(f"{d}/www/manifests/good.txt", "rb") as f:
        good = f.read()
    with open(f"{d}/www/manifests/changed.txt", "wb") as f:
        f.write(good.replace(b"pomvel_mini", b"pomvel_mimi", 1))
    sign("older", 4, [nginx])
    sign("expired", 6, [nginx], expires="2001-01-01T00:00:00Z")
    sign("otherkey", 5, [nginx], key="other.key")
    sign("otherchannel", 50, [nginx], channel="beta")
    sign("mirrors", 7, [f"http://127.0.0.1:{ports['http']}/files/missing.exe", nginx])
    sign("resume", 8, [f"http://127.0.0.1:{ports['cut']}/pomvel_mini.exe", nginx])
    return line.split("=", 1)[1]


def nginx_conf(d, ports):
    hops = "\n".join(
        f"        location = /hop{n} {{ return 302 {'/hop' + str(n - 1) if n > 1 else '/files/pomvel_mini.exe'}; }}"
        for n in range(1, HOPS + 1))
    files = f"""
        location /files/ {{ alias {d}/www/; }}
        location = /moved {{ return 302 /files/pomvel_mini.exe; }}
        location = /loop {{ return 302 /loop; }}
        location /slow/ {{ alias {d}/www/; limit_rate_after 400; limit_rate 5; }}
        location = /ask407 {{
            add_header Proxy-Authenticate 'Basic realm="Sign in to pay for the download"' always;
            return 407;
        }}
{hops}"""
    return f"""daemon on;
worker_processes 1;
pid {d}/nginx.pid;
error_log {d}/nginx-error.log warn;
events {{ worker_connections 64; }}
http {{
    access_log {d}/nginx-access.log;
    client_body_temp_path {d}/tmp/body;
    proxy_temp_path {d}/tmp/proxy;
    fastcgi_temp_path {d}/tmp/fastcgi;
    uwsgi_temp_path {d}/tmp/uwsgi;
    scgi_temp_path {d}/tmp/scgi;
    default_type application/octet-stream;
    absolute_redirect off;
    server {{
        listen 127.0.0.1:{ports['http']};
        server_name localhost;
{files}
    }}
    server {{
        listen 127.0.0.1:{ports['https']} ssl;
        server_name localhost;
        ssl_certificate {d}/server.pem;
        ssl_certificate_key {d}/server.key;
{files}
    }}
    server {{
        listen 127.0.0.1:{ports['selfsigned']} ssl;
        server_name localhost;
        ssl_certificate {d}/self.pem;
        ssl_certificate_key {d}/self.key;
{files}
    }}
    server {{
        listen 127.0.0.1:{ports['proxied']};
        server_name localhost;
        location /files/ {{
            if ($http_via = "") {{ return 403; }}
            alias {d}/www/;
        }}
    }}
}}
"""


# The password the proxy on the authproxy port asks for (NetWineTest.cpp
# gives it).
AUTH_USER = "player"
AUTH_PASSWORD = "hotel-wifi-2026"


def tinyproxy_conf(d, port, name="tinyproxy", auth=False):
    user = "User nobody\nGroup nogroup\n" if os.geteuid() == 0 else ""
    basic = f"BasicAuth {AUTH_USER} {AUTH_PASSWORD}\n" if auth else ""
    return f"""{user}Port {port}
Listen 127.0.0.1
Timeout 60
MaxClients 20
Allow 127.0.0.1
{basic}LogFile "{d}/{name}.log"
LogLevel Info
PidFile "{d}/{name}.pid"
"""


def start(d):
    stop(d)
    os.makedirs(f"{d}/www", exist_ok=True)
    os.makedirs(f"{d}/tmp", exist_ok=True)
    os.chmod(d, 0o755)
    make_certificates(d)
    with open(f"{d}/www/pomvel_mini.exe", "wb") as f:
        f.write(body())
    for name in os.listdir(d):
        path = os.path.join(d, name)
        os.chmod(path, 0o777 if os.path.isdir(path) else 0o666)
    ports = {name: free_port() for name in ("http", "https", "selfsigned", "proxied", "proxy", "authproxy", "cut",
                                               "closed")}
    key_line = make_manifests(d, ports)
    for root, dirs, names in os.walk(f"{d}/www"):
        for name in dirs + names:
            path = os.path.join(root, name)
            os.chmod(path, 0o777 if os.path.isdir(path) else 0o666)
    with open(f"{d}/nginx.conf", "w") as f:
        f.write(nginx_conf(d, ports))
    with open(f"{d}/tinyproxy.conf", "w") as f:
        f.write(tinyproxy_conf(d, ports["proxy"]))
    subprocess.run(["nginx", "-p", d, "-c", f"{d}/nginx.conf", "-e", f"{d}/nginx-error.log"], check=True)
    subprocess.run(["tinyproxy", "-c", f"{d}/tinyproxy.conf"], check=True)
    with open(f"{d}/tinyproxy-auth.conf", "w") as f:
        f.write(tinyproxy_conf(d, ports["authproxy"], "tinyproxy-auth", auth=True))
    subprocess.run(["tinyproxy", "-c", f"{d}/tinyproxy-auth.conf"], check=True)
    cut = subprocess.Popen([sys.executable, "-c", CUT_SERVER, str(ports["cut"]), str(SIZE), str(CUT)],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    with open(f"{d}/cut.pid", "w") as f:
        f.write(str(cut.pid))
    for name, port in ports.items():
        if name == "closed":
            continue
        if not wait_for_port(port):
            sys.exit(f"{name} does not listen on {port}")

    lines = [f"{name}={port}" for name, port in ports.items()]
    lines += [f"ca={windows_path(d + '/ca.der')}", f"size={SIZE}", f"sha256={hashlib.sha256(body()).hexdigest()}",
              f"manifest_key={key_line}", f"manifest_channel={CHANNEL}"]
    small = f"{d}/small-disk"
    os.makedirs(small, exist_ok=True)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=100k", "tmpfs", small],
                             capture_output=True).returncode == 0
    if mounted:
        os.makedirs(f"{small}/tmp", exist_ok=True)
        os.chmod(f"{small}/tmp", 0o777)
        lines.append(f"small_disk={windows_path(small + '/tmp')}")
    with open(f"{d}/servers.txt", "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))


def stop(d):
    for name in ("nginx.pid", "tinyproxy.pid", "tinyproxy-auth.pid", "cut.pid"):
        path = os.path.join(d, name)
        try:
            with open(path) as f:
                pid = int(f.read().strip())
            os.kill(pid, signal.SIGTERM)
            for _ in range(100):
                os.kill(pid, 0)
                time.sleep(0.05)
        except (OSError, ValueError):
            pass
    small = f"{d}/small-disk"
    if os.path.ismount(small):
        subprocess.run(["umount", "-l", small], capture_output=True)
    if os.path.isdir(d):
        shutil.rmtree(d, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        sys.exit(__doc__)
    (start if sys.argv[1] == "start" else stop)(os.path.abspath(sys.argv[2]))
