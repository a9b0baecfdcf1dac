#!/usr/bin/python3
"""End-to-end tests of launcher.exe under Wine, driven as a user would.

Each case starts the launcher built with tests/e2e/e2e_config.ini (its
download address is the loopback package server; the case runs a copy of the
program whose address names a port that was free when the case began, so
that two checkouts on one machine do not collide), clicks with
xdotool, looks at screenshots, and checks what happened on disk, in the
registry and at the server. Screenshots are kept in the artefacts folder.

    e2e.py CASE --build BUILD_DIR --artifacts DIR

Needs DISPLAY (scripts/test.sh starts a private Xvfb) and the build's Wine
prefix (BUILD_DIR/wineprefix, prepared by scripts/common.sh).
"""
import argparse
import contextlib
import datetime
import hashlib
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

from PIL import Image

import manifest_signing

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "publisher"))
import manifest as publisher_kit  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The port in the address the e2e programs are built with, which a case
# replaces in its copies of them by a free one.
BUILT_PORT = 18643
TITLE = "奥凡蒂斯"
GAME_TITLE = "Orvantis Demo"
APP_PATHS_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\Marnholt.exe"

# Geometry of the launcher's screen, in client coordinates.
INSTALL_BUTTON = (315, 315)
CLOSE_BUTTON = (601, 20)
TRACK_PIXEL = (300, 329)         # inside the progress track, 328..331
BODY_PIXEL = (8, 300)            # plain background inside the window
CORNER_PIXEL = (0, 0)            # cut off by the rounded corner
BELOW_PIXEL = (300, 420)         # below the visible 400 rows

TIMEOUT = 60.0

# The channel launcher_e2e_manifest.exe is built for (tests/win/app/
# manifest_config.py, its CHANNEL), and another one.
MANIFEST_CHANNEL = "正式服"
OTHER_CHANNEL = "公测服"

# The window's DPIs under test (the prefix's LogPixels) and the window's
# size at 96 DPI; everything on the screen is scaled by DPI / 96.
DPIS = (96, 120, 144, 192)
WINDOW_SIZE = (630, 453)
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
REFERENCE_96 = os.path.join(ROOT, "tests", "e2e", "reference", "window_96dpi.png")
BACKGROUND_PICTURE = os.path.join(ROOT, "resources", "skin", "220.png")


class Failure(Exception):
    pass


def free_port():
    """A loopback port that nothing listens on (five digits, as the port the
    programs are built with)."""
    while True:
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        if 10000 <= port <= 65535:
            return port


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, predicate, timeout=TIMEOUT, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(interval)


class Session:
    def __init__(self, build, artifacts):
        self.build = build
        self.artifacts = artifacts
        self.wine = os.path.join(build, "wine-run.sh")
        self.prefix = os.path.join(build, "wineprefix")
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY"):
            self.env.pop(proxy, None)
        self.work = tempfile.mkdtemp(prefix="e2e-")
        self.port = free_port()
        self.url = re.escape(f"http://127.0.0.1:{self.port}/package/Windows/pomvel_mini.exe")
        self.children = []
        self.server_log = os.path.join(self.work, "requests.log")

    # --- Wine -----------------------------------------------------------
    def run_wine(self, *args, check_rc=True):
        result = subprocess.run([self.wine, *args], env=self.env, capture_output=True, text=True,
                                timeout=TIMEOUT)
        if check_rc and result.returncode != 0:
            raise Failure(f"wine {args} failed: {result.returncode} {result.stderr}")
        return result.stdout

    def unix_path(self, windows_path):
        out = subprocess.run([self.wine, "winepath.exe", "-u", windows_path], env=self.env,
                             capture_output=True, text=True, timeout=TIMEOUT).stdout.strip()
        check(out, f"no unix path for {windows_path}")
        return out

    def windows_variable(self, name):
        value = self.run_wine("cmd", "/c", f"echo %{name}%").strip()
        check(value and "%" not in value, f"{name} is not set in the prefix")
        return value

    def program(self, name):
        """A copy of the e2e program NAME in this case's folder, its download
        address on this case's port (the configuration is text in the
        program's resources; the port has five digits in both). A program
        without an address is copied as it is."""
        copy = os.path.join(self.work, "programs", name)
        if not os.path.exists(copy):
            with open(os.path.join(self.build, "tests", "win", name), "rb") as f:
                data = f.read()
            built = f"http://127.0.0.1:{BUILT_PORT}/".encode()
            os.makedirs(os.path.dirname(copy), exist_ok=True)
            with open(copy, "wb") as f:
                f.write(data.replace(built, f"http://127.0.0.1:{self.port}/".encode()))
        return copy

    def launcher(self, env=None, program="launcher_e2e.exe", exe=None, args=()):
        exe = exe or self.program(program)
        process = subprocess.Popen([self.wine, exe, *args], env=env or self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.children.append(process)
        return process

    # --- the package server ---------------------------------------------
    def server(self, *extra, installer=None):
        ready = os.path.join(self.work, "server.ready")
        if os.path.exists(ready):  # a server of this case before
            os.remove(ready)
        self.server_log = os.path.join(self.work, "requests.log")
        installer = installer or os.path.join(self.build, "demo", "pomvel_mini.exe")
        process = subprocess.Popen(
            [sys.executable, os.path.join(ROOT, "demo", "server", "package_server.py"),
             "--port", str(self.port), "--file", installer, "--log", self.server_log, "--ready", ready,
             *extra], stdout=subprocess.DEVNULL)
        self.children.append(process)
        wait_for("the package server", lambda: os.path.exists(ready) or process.poll() is not None)
        check(process.poll() is None, "the package server did not start (port in use?)")
        return process

    def requests(self):
        if not os.path.exists(self.server_log):
            return []
        with open(self.server_log, encoding="utf-8") as log:
            return [json.loads(line) for line in log if line.strip()]

    # --- X ---------------------------------------------------------------
    def find_window(self, title):
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                                capture_output=True, text=True)
        ids = result.stdout.split()
        return ids[0] if ids else None

    def window(self, title):
        return wait_for(f"window {title!r}", lambda: self.find_window(title))

    def window_of_program(self, program):
        """The visible window of a program, found by its X class (the exe name)."""
        def find():
            result = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", program],
                                    capture_output=True, text=True)
            ids = result.stdout.split()
            return ids[0] if ids else None
        return wait_for(f"the window of {program}", find)

    def window_name(self, window):
        return subprocess.run(["xdotool", "getwindowname", window], capture_output=True,
                              text=True).stdout.rstrip("\n")

    def origin(self, window):
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                             capture_output=True, text=True).stdout
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"])

    def click(self, window, point):
        x, y = self.origin(window)
        subprocess.run(["xdotool", "mousemove", str(x + point[0]), str(y + point[1])], check=True)
        # A second small move makes sure the window saw the pointer arrive.
        subprocess.run(["xdotool", "mousemove", str(x + point[0] + 1), str(y + point[1])], check=True)
        subprocess.run(["xdotool", "mousedown", "1"], check=True)
        subprocess.run(["xdotool", "mouseup", "1"], check=True)

    def screenshot(self, name):
        path = os.path.join(self.artifacts, name + ".png")
        subprocess.run(["import", "-window", "root", path], check=True)
        return Image.open(path).convert("RGB")

    def pixel(self, window, point, name="probe"):
        x, y = self.origin(window)
        shot = self.screenshot(name)
        return shot.getpixel((x + point[0], y + point[1]))

    def geometry(self, window):
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                             capture_output=True, text=True).stdout
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["WIDTH"]), int(values["HEIGHT"])

    def key(self, window, *keys):
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
        subprocess.run(["xdotool", "key", *keys], check=True)

    def probe(self, *args):
        """Runs the accessibility probe (tests/win/app/AccessibleProbe.cpp);
        returns its exit code and its output lines."""
        exe = os.path.join(self.build, "tests", "win", "accessible_probe.exe")
        result = subprocess.run([self.wine, exe, *args], env=self.env, capture_output=True, timeout=TIMEOUT)
        return result.returncode, result.stdout.decode("utf-8", "replace").splitlines()

    def accessible_children(self):
        """The launcher's accessible children as (role, name, value, action)."""
        code, lines = self.probe("tree", TITLE)
        check(code == 0, f"the probe found no accessible object (exit code {code})")
        return [tuple(line.split("\t")[1:5]) for line in lines if line.strip()]

    def set_dpi(self, dpi):
        """The prefix's screen DPI, read by each program as it starts."""
        if dpi == 96:
            self.run_wine("reg", "delete", DESKTOP_KEY, "/v", "LogPixels", "/f", check_rc=False)
        else:
            self.run_wine("reg", "add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f")

    def close(self):
        # A game the launcher started is no child of this script: close it
        # too, or the next case would find its window.
        deadline = time.monotonic() + 10
        while (game := self.find_window(GAME_TITLE)) is not None and time.monotonic() < deadline:
            subprocess.run(["xdotool", "windowfocus", game, "key", "space"], capture_output=True)
            try:
                wait_for("the game to close", lambda: self.find_window(GAME_TITLE) != game, timeout=2)
            except Failure:
                pass
        for process in self.children:
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
        shutil.rmtree(self.work, ignore_errors=True)


def download_folders(temp):
    """The launcher's own download folders in TMP."""
    return [n for n in os.listdir(temp) if re.fullmatch(r"quillmerex-[0-9a-f]{16}", n)]


def clean_install_state(s):
    """No registered game, no installed game, no installer left in TMP."""
    s.run_wine("reg", "delete", APP_PATHS_KEY, "/f", check_rc=False)
    local = s.unix_path(s.windows_variable("LOCALAPPDATA"))
    shutil.rmtree(os.path.join(local, "Orvantis"), ignore_errors=True)
    temp = s.unix_path(s.windows_variable("TMP"))
    names = ["yrfoinstall.tmp", "yrfoinstall.exe", "quillmerex.log", "quillmerex.1.log"]
    names += download_folders(temp)
    for name in names:
        path = os.path.join(temp, name)
        if os.path.isdir(path):
            shutil.rmtree(path)
        elif os.path.exists(path):
            os.remove(path)
    return local, temp


TIMESTAMP = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} ")


def log_texts(temp, path=None):
    """The lines of quillmerex.log in the TMP folder (or of the log at
    path), without their time."""
    with open(path or os.path.join(temp, "quillmerex.log"), "rb") as log:
        data = log.read()
    lines = data.decode("utf-8").split("\r\n")
    check(lines[-1] == "", "the log does not end with CR LF")
    for line in lines[:-1]:
        check(TIMESTAMP.match(line), f"log line without its time: {line!r}")
    return [line[24:] for line in lines[:-1]]


def check_log(temp, expected, path=None):
    """Each expected line (a regular expression) matches a line of the log,
    in this order."""
    texts = log_texts(temp, path)
    at = 0
    for pattern in expected:
        while at < len(texts) and not re.fullmatch(pattern, texts[at]):
            at += 1
        check(at < len(texts), f"no log line {pattern!r} in order in:\n" + "\n".join(texts))
        at += 1
    return texts


def close_enough(a, b, tolerance=12):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


# Areas of the screen where text shows, in client coordinates. A status
# text that runs past the first 110 pixels of the line is longer than
# "开始下载..." (a failure text is).
LONG_STATUS_TAIL = (66 + 110, 342, 466, 358)
NAME_LABEL = (38, 12, 188, 28)


def text_in(s, window, area, shot_name):
    """The screenshot when light text pixels show in the area of the window,
    None otherwise; a check that measures the text uses this very shot, since
    the status line may change again before another one is taken."""
    x, y = s.origin(window)
    shot = s.screenshot(shot_name)
    box = shot.crop((x + area[0], y + area[1], x + area[2], y + area[3]))
    return shot if any(sum(p) > 300 for p in box.getdata()) else None


def scaled(value, dpi):
    """value x dpi / 96, rounded as the launcher rounds."""
    return (value * dpi + 48) // 96


def scaled_box(box, dpi):
    return tuple(scaled(v, dpi) for v in box)


def light_box(shot, origin, area, threshold=300):
    """The bounding box, in client coordinates, of the light (text) pixels
    in area of the window; None when there are none."""
    x, y = origin
    crop = shot.crop((x + area[0], y + area[1], x + area[2], y + area[3]))
    width = crop.width
    xs, ys = [], []
    for i, p in enumerate(crop.getdata()):
        if sum(p) > threshold:
            xs.append(i % width)
            ys.append(i // width)
    if not xs:
        return None
    return (area[0] + min(xs), area[1] + min(ys), area[0] + max(xs) + 1, area[1] + max(ys) + 1)


def grown(box, by):
    return (box[0] - by, box[1] - by, box[2] + by, box[3] + by)


def inside(inner, outer):
    return inner[0] >= outer[0] and inner[1] >= outer[1] and inner[2] <= outer[2] and inner[3] <= outer[3]


def painted(s, window, point):
    x, y = s.origin(window)

    def ready():
        shot = s.screenshot("probe")
        return shot if sum(shot.getpixel((x + point[0], y + point[1]))) > 30 else None
    return wait_for("the first paint", ready)


# --- the cases ----------------------------------------------------------

def held_server(s):
    """The package server, holding the second half of the installer back
    until the returned file exists."""
    release = os.path.join(s.work, "release")
    installer_size = os.path.getsize(os.path.join(s.build, "demo", "pomvel_mini.exe"))
    s.server("--hold-after", str(installer_size // 2), "--release", release)
    return release


def case_whole_road(s):
    local, temp = clean_install_state(s)
    release = held_server(s)
    launcher = s.launcher()
    window = s.window(TITLE)
    road_after_start(s, launcher, window, local, temp, release)


def road_after_start(s, launcher, window, local, temp, release):
    """The road from the install button to the game's start, against the
    held server."""
    ready = s.pixel(window, TRACK_PIXEL, "ready")
    s.click(window, INSTALL_BUTTON)

    # Half the installer has arrived and the server holds the rest back: the
    # progress bar must show, part blue.
    blue = (16, 114, 255)
    wait_for("the progress bar", lambda: close_enough(s.pixel(window, (67, 329), "downloading"), blue))
    check(not close_enough(ready, blue), "the progress bar showed before the click")
    with open(release, "w"):
        pass

    game = wait_for("the game's window", lambda: s.find_window(GAME_TITLE))
    check(wait_for("the launcher to exit", lambda: launcher.poll() is not None) is not None, "")
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")

    requests = s.requests()
    check(len(requests) == 1, f"expected one request, got {requests}")
    check(requests[0]["user_agent"] == "quillmerexDownloader", f"user agent {requests[0]}")
    check(requests[0]["path"] == "/package/Windows/pomvel_mini.exe", f"path {requests[0]}")
    leftovers = [n for n in os.listdir(temp) if n.startswith("yrfoinstall")] + download_folders(temp)
    check(not leftovers, f"left in TMP: {leftovers}")
    with open(os.path.join(local, "Orvantis", "Marnholt", "install.log"), encoding="utf-8") as log:
        text = log.read()
    check(text.rstrip().endswith("show: hidden"), f"installer not hidden: {text}")
    # The installer ran from a folder of its own in TMP, and in it.
    check(re.search(r'\\quillmerex-[0-9a-f]{16}\\yrfoinstall\.exe" -b', text), f"installer command line: {text}")
    check(re.search(r"working directory: .*\\quillmerex-[0-9a-f]{16}\r?\n", text),
          f"installer's working directory: {text}")
    # The game runs in its own folder, not in the launcher's.
    with open(os.path.join(local, "Orvantis", "Marnholt", "game.log"), encoding="utf-8") as log:
        game_log = log.read()
    check(game_log.strip().lower().endswith("\\orvantis\\marnholt"), f"game's working directory: {game_log}")
    installer_size = os.path.getsize(os.path.join(s.build, "demo", "pomvel_mini.exe"))
    check_log(temp, [
        r"start: quillmerex 1\.0\.0\.1 on Windows \d+\.\d+\.\d+.*",
        rf'configuration: url "{s.url}", name "{TITLE}", install folder "Marnholt", '
        r'start program "game\.exe", registry key "Marnholt"',
        r"status: 开始下载\.\.\. \(install button clicked\)",
        rf'request: "{s.url}" direct -> HTTP 200, length {installer_size}, (no validator|validator .*)',
        rf"status: 下载完毕 \(download: {installer_size} of {installer_size} bytes\)",
        r'installer: started hidden: ".*\\yrfoinstall\.exe" -b',
        r"installer: exit code 0",
        r"status: 安装完毕",
        r"game: started, shell result \d+: .*\\Marnholt\\game\.exe",
        r"exit: code 0",
    ])
    s.screenshot("game_started")
    subprocess.run(["xdotool", "windowfocus", game, "key", "space"], capture_output=True)


# DLLs with system names that a launcher in a downloads folder may find
# beside itself. ole32, user32 and the other DLLs imported at start are
# left out: the system always loads those from its own folder. version.dll
# is left out too: Wine's own user32 loads it before any program code runs.
PLANTED = ("wininet.dll", "gdiplus.dll", "shell32.dll")


def case_planted_dlls(s):
    local, temp = clean_install_state(s)
    folder = os.path.join(s.work, "downloads")
    os.makedirs(folder)
    exe = os.path.join(folder, "launcher_e2e.exe")
    shutil.copy(s.program("launcher_e2e.exe"), exe)
    shutil.copy(os.path.join(s.build, "tests", "win", "planting_probe.exe"), folder)
    for name in PLANTED:
        shutil.copy(os.path.join(s.build, "tests", "win", "planted_dll.dll"), os.path.join(folder, name))
    # Wine prefers a native DLL beside the program for these names, as
    # Windows would for a DLL that the program's own folder offers first.
    env = dict(s.env, WINEDLLOVERRIDES=s.env["WINEDLLOVERRIDES"] + ";" + ",".join(
        n[:-4] for n in PLANTED) + "=n,b")
    markers = [os.path.join(folder, name + ".loaded") for name in PLANTED]

    # A program that loads them by bare name gets the planted ones.
    subprocess.run([s.wine, os.path.join(folder, "planting_probe.exe"), *PLANTED], env=env,
                   capture_output=True, timeout=TIMEOUT)
    for marker in markers:
        check(os.path.exists(marker), f"the planting does not work: no {os.path.basename(marker)}")
        os.remove(marker)

    # The launcher loads none of them, and the whole road still holds.
    release = held_server(s)
    launcher = s.launcher(env, exe=exe)
    window = s.window(TITLE)
    road_after_start(s, launcher, window, local, temp, release)
    loaded = [os.path.basename(m) for m in markers if os.path.exists(m)]
    check(not loaded, f"the launcher loaded planted DLLs: {loaded}")


def case_server_down(s):
    _, temp = clean_install_state(s)
    launcher = s.launcher()
    window = s.window(TITLE)
    s.click(window, INSTALL_BUTTON)
    # The connection is refused; the launcher counts down to its first retry
    # and the window stays. "开始下载..." ends within 100 pixels of the line's
    # start; the countdown ("连接中断,2秒后重试(1/5)") runs well past it.
    wait_for("the countdown", lambda: text_in(s, window, LONG_STATUS_TAIL, "retrying"))
    check(launcher.poll() is None, "the launcher closed after a failed attempt")
    check(s.requests() == [], "a server answered")
    # Closing during the pause ends the launcher at once, with no file left.
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None, timeout=5.0)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
    leftovers = [n for n in os.listdir(temp) if n.startswith("yrfoinstall")] + download_folders(temp)
    check(not leftovers, f"left in TMP: {leftovers}")


def case_not_found(s):
    # The package is gone: the server answers 404. The status line shows
    # the failure, and the log tells it without the screen.
    _, temp = clean_install_state(s)
    s.server("--not-found")
    launcher = s.launcher()
    window = s.window(TITLE)
    s.click(window, INSTALL_BUTTON)
    wait_for("the failure text", lambda: text_in(s, window, LONG_STATUS_TAIL, "failed"))
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
    check_log(temp, [
        r"start: quillmerex .*",
        r"configuration: .*",
        r"status: 开始下载\.\.\. \(install button clicked\)",
        rf'request: "{s.url}" direct -> HTTP 404, length \d+, no validator',
        r"status: 连接异常,错误代码：404 \(download failed after 0 of 0 bytes\)",
        r"exit: code 0",
    ])
    check(not os.path.exists(os.path.join(temp, "yrfoinstall.exe")), "a 404 page was kept as the installer")


# The install worker's check of the held file: the file the download
# finished, whose digest was computed as its bytes arrived, is not read again.
HELD_FILE_CHECK = (r"installer: SHA-256 matched the pinned digest as its bytes arrived; the held file is the one "
                   r"written \(same file, size and last write\)")


def case_pinned_installer(s):
    # A launcher that pins the demo installer's SHA-256 digest runs it.
    local, temp = clean_install_state(s)
    release = held_server(s)
    launcher = s.launcher(program="launcher_e2e_pinned.exe")
    window = s.window(TITLE)
    road_after_start(s, launcher, window, local, temp, release)
    check_log(temp, [
        r'download: SHA-256 of ".*\\yrfoinstall\.tmp" matches the pinned digest \(computed as the bytes arrived\)',
        HELD_FILE_CHECK,
        r'installer: started hidden: ".*\\yrfoinstall\.exe" -b',
    ])


def changed_installer(s):
    """A copy of the demo installer with one byte in its middle changed."""
    with open(os.path.join(s.build, "demo", "pomvel_mini.exe"), "rb") as f:
        data = bytearray(f.read())
    data[len(data) // 2] ^= 0xFF
    changed = os.path.join(s.work, "changed.exe")
    with open(changed, "wb") as f:
        f.write(data)
    return changed


def case_pinned_installer_changed(s):
    # The same launcher, served the installer with one byte changed: it is
    # downloaded a second time, refused again, and nothing of it runs or
    # is left.
    local, temp = clean_install_state(s)
    changed = changed_installer(s)
    size = os.path.getsize(changed)
    s.server("--file", changed)
    launcher = s.launcher(program="launcher_e2e_pinned.exe")
    window = s.window(TITLE)
    s.click(window, INSTALL_BUTTON)

    def refused():
        try:
            return f"status: 安装包校验失败 (download failed after {size} of {size} bytes)" in log_texts(temp)
        except (Failure, OSError):
            return False
    wait_for("the refusal", refused)
    check(launcher.poll() is None, "the launcher closed after the refusal")
    check(len(s.requests()) == 2, f"expected two downloads, got {s.requests()}")
    leftovers = [n for n in os.listdir(temp) if n.startswith("yrfoinstall")] + download_folders(temp)
    check(not leftovers, f"left in TMP: {leftovers}")
    check(not os.path.exists(os.path.join(local, "Orvantis")), "the changed installer ran")
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
    check_log(temp, [r'download: SHA-256 of ".*" differs from the pinned digest \(computed as the bytes arrived\)'] * 2)


def close_at_forty_percent(s, temp):
    """A launcher closed while the server holds the installer back after
    40 % of it; the folder it kept, with the partial file and its record."""
    size = os.path.getsize(os.path.join(s.build, "demo", "pomvel_mini.exe"))
    # On a chunk's boundary: WinINet's read waits for a whole chunk.
    held = (size * 2 // 5 + 25600) // 51200 * 51200
    release = os.path.join(s.work, "release")
    s.server("--hold-after", str(held), "--release", release, "--etag", '"demo-1"')
    launcher = s.launcher()
    window = s.window(TITLE)
    s.click(window, INSTALL_BUTTON)

    def partial_complete():
        for name in download_folders(temp):
            path = os.path.join(temp, name, "yrfoinstall.tmp")
            if os.path.exists(path) and os.path.getsize(path) == held:
                return name
        return None
    folder = wait_for("40 % of the installer on disk", partial_complete)
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None, timeout=5.0)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
    with open(release, "w"):
        pass
    partial = os.path.join(temp, folder, "yrfoinstall.tmp")
    check(os.path.getsize(partial) == held, f"partial file of {os.path.getsize(partial)} bytes, {held} expected")
    check(os.path.exists(partial + ".rec"), f"no record beside the partial file: {os.listdir(os.path.join(temp, folder))}")
    return partial, held, size


def road_by_click(s, program="launcher_e2e.exe"):
    """A start of the launcher, a click, and the road to the game: the
    launcher ends with 0. Returns the game's window."""
    launcher = s.launcher(program=program)
    window = s.window(TITLE)
    s.click(window, INSTALL_BUTTON)
    game = wait_for("the game's window", lambda: s.find_window(GAME_TITLE))
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
    return game


def install_again(s, local):
    """The next start of the launcher: a click, and the road to the game."""
    road_by_click(s)
    # The installer that ran was the served one, whole: it installed the game.
    with open(os.path.join(local, "Orvantis", "Marnholt", "game.exe"), "rb") as f:
        installed = f.read()
    check(installed[:2] == b"MZ" and len(installed) > 1000, "the game was not installed whole")


def case_resume_after_restart(s):
    # Closed at 40 %, started again: the download goes on from there, with
    # one request for the rest, guarded by the ETag.
    local, temp = clean_install_state(s)
    partial, held, size = close_at_forty_percent(s, temp)
    install_again(s, local)
    requests = s.requests()
    check(len(requests) == 2, f"expected two requests, got {requests}")
    check("range" not in requests[0], f"the first request asked for a range: {requests[0]}")
    check(requests[1].get("range") == f"bytes={held}-" and requests[1].get("if_range") == '"demo-1"',
          f"the second request: {requests[1]}")
    check(not download_folders(temp), f"left in TMP: {download_folders(temp)}")
    check_log(temp, [
        rf'download: {held} of {size} bytes kept in ".*\\quillmerex-[0-9a-f]{{16}}" to be continued',
        r"exit: code 0",
        rf'download: continuing ".*" from byte {held} of {size} in ".*"',
        rf'request: ".*" direct, resumed from byte {held} -> HTTP 206, length {size - held}, validator "demo-1"',
        r"installer: exit code 0",
    ])


def case_resume_after_change(s):
    # The partial file changed on disk between the runs: the next run starts
    # over from byte 0 and removes the kept pair.
    local, temp = clean_install_state(s)
    partial, held, size = close_at_forty_percent(s, temp)
    with open(partial, "ab") as f:
        f.write(b"x")
    install_again(s, local)
    requests = s.requests()
    check(len(requests) == 2 and "range" not in requests[1], f"expected a whole second request, got {requests}")
    check(not download_folders(temp), f"left in TMP: {download_folders(temp)}")
    check_log(temp, [r'download: the partial file in ".*" starts over: file longer than its record'])


def nginx(s, www, server_extra=""):
    """Debian's nginx serving the folder www on this case's port, with its
    access log in the case's folder (and server_extra in its server block);
    ended with the case."""
    d = os.path.join(s.work, "nginx")
    os.makedirs(os.path.join(d, "tmp"), exist_ok=True)
    os.chmod(s.work, 0o755)  # nginx's workers may run as another user
    conf = os.path.join(d, "nginx.conf")
    with open(conf, "w") as f:
        f.write(f"""daemon off;
worker_processes 1;
pid {d}/nginx.pid;
error_log {d}/error.log warn;
events {{ worker_connections 32; }}
http {{
    access_log {d}/access.log;
    client_body_temp_path {d}/tmp;
    proxy_temp_path {d}/tmp;
    fastcgi_temp_path {d}/tmp;
    uwsgi_temp_path {d}/tmp;
    scgi_temp_path {d}/tmp;
    default_type application/octet-stream;
    server {{
        listen 127.0.0.1:{s.port};
        root {www};
        {server_extra}
    }}
}}
""")
    process = subprocess.Popen(["nginx", "-p", d, "-c", conf, "-e", f"{d}/error.log"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    s.children.append(process)

    def listening():
        try:
            with socket.create_connection(("127.0.0.1", s.port), timeout=0.5):
                return True
        except OSError:
            return False
    wait_for("nginx", listening)
    return os.path.join(d, "access.log")


def manifest_site(s, server_extra=""):
    """nginx serving the case's www folder (manifest/ and files/) on the
    case's port (with server_extra in its server block), no manifest in it
    yet, and nothing kept of manifests in the prefix's registry. Returns the
    folder, the publisher's key, the manifest's path and nginx's access
    log."""
    key = os.path.join(s.build, "tests", "win", "e2e_manifest.pem")
    www = os.path.join(s.work, "www")
    os.makedirs(os.path.join(www, "manifest"))
    os.makedirs(os.path.join(www, "files"))
    access = nginx(s, www, server_extra)
    s.run_wine("reg", "delete", r"HKCU\Software\quillmerex", "/f", check_rc=False)
    return www, key, os.path.join(www, "manifest", "manifest.txt"), access


def sign_manifest(s, www, key, manifest_path, name, data, serial, channel=MANIFEST_CHANNEL):
    """The installer data as www/files/name and a manifest for it."""
    installer = os.path.join(www, "files", name)
    with open(installer, "wb") as f:
        f.write(data)
    manifest_signing.sign(key, installer, [f"http://127.0.0.1:{s.port}/files/{name}"], manifest_path, channel,
                          serial=serial)
    os.chmod(manifest_path, 0o644)


def requested_paths(access):
    with open(access) as f:
        return [line.split('"')[1] for line in f if '"' in line]


def case_manifest_road(s):
    # The whole road through a signed manifest served by nginx: the launcher
    # downloads the installer it names (not k_comm_url, which nginx does not
    # serve). Then the publisher puts a changed installer on the server and
    # signs a new manifest for it, and the same launcher installs that one.
    www, key, manifest_path, access = manifest_site(s)
    with open(os.path.join(s.build, "demo", "pomvel_mini.exe"), "rb") as f:
        installer = f.read()
    for serial, data in ((1, installer), (2, installer + b"\0" * 4096)):
        name = f"setup-{serial}.exe"
        sign_manifest(s, www, key, manifest_path, name, data, serial)
        local, temp = clean_install_state(s)
        game = road_by_click(s, "launcher_e2e_manifest.exe")
        check_log(temp, [
            rf'manifest: "http://127\.0\.0\.1:{s.port}/manifest/manifest\.txt" direct -> HTTP 200, length \d+, .*',
            rf'manifest: serial {serial} verified; 1 address\(es\), size {len(data)}, signer ""',
            rf'request: "http://127\.0\.0\.1:{s.port}/files/{name}" direct -> HTTP 200, length {len(data)}.*',
            r'download: SHA-256 of ".*\\yrfoinstall\.tmp" matches the pinned digest \(computed as the bytes arrived\)',
            r"installer: exit code 0",
            r"game: started, shell result \d+: .*\\Marnholt\\game\.exe",
        ])
        s.screenshot(f"game_started_{serial}")
        subprocess.run(["xdotool", "windowfocus", game, "key", "space"], capture_output=True)
        wait_for("the game to close", lambda: s.find_window(GAME_TITLE) is None)
    paths = requested_paths(access)
    check(paths == ["GET /manifest/manifest.txt HTTP/1.1", "GET /files/setup-1.exe HTTP/1.1",
                    "GET /manifest/manifest.txt HTTP/1.1", "GET /files/setup-2.exe HTTP/1.1"],
          f"requests at nginx: {paths}")


def case_manifest_channel(s):
    # The launcher with a manifest and no pin of its own for k_comm_url, in
    # /quiet runs that end with their exit codes. The manifest is missing
    # (404): the road fails with that text and nothing else is asked for.
    # Then another channel's manifest, with a higher serial, is refused
    # with code 5; and the genuine manifest, with a lower serial, still
    # installs: the other channel's serial was not kept.
    www, key, manifest_path, access = manifest_site(s)
    with open(os.path.join(s.build, "demo", "pomvel_mini.exe"), "rb") as f:
        installer = f.read()
    manifest_url = rf"http://127\.0\.0\.1:{s.port}/manifest/manifest\.txt"

    def run(expected, *log_lines):
        local, temp = clean_install_state(s)
        launcher = s.launcher(program="launcher_e2e_manifest.exe", args=("/quiet",))
        wait_for("the launcher to exit", lambda: launcher.poll() is not None)
        check(launcher.returncode == expected, f"exit code {launcher.returncode}, not {expected}")
        check_log(temp, [*log_lines, rf"exit: code {expected}"])
        return local

    run(2, rf'manifest: "{manifest_url}" direct -> HTTP 404, .*',
        rf'manifest: "{manifest_url}" cannot be fetched \(连接异常,错误代码：404\); no compiled-in pin vouches '
        r"for the configured address: nothing downloaded",
        r"status: 连接异常,错误代码：404 .*")
    check(requested_paths(access) == ["GET /manifest/manifest.txt HTTP/1.1"],
          f"requests at nginx after the 404: {requested_paths(access)}")

    sign_manifest(s, www, key, manifest_path, "setup-other.exe", installer + b"\0" * 4096, 9, OTHER_CHANNEL)
    run(5, rf"manifest: refused, code 5 \(.*highest serial accepted 0 on channel \"{MANIFEST_CHANNEL}\"\); "
        r"nothing downloaded", r"status: 安装信息无效,错误代码：5 .*")

    sign_manifest(s, www, key, manifest_path, "setup.exe", installer, 2)
    local = run(0, r'manifest: serial 2 verified; 1 address\(es\), size .*', r"installer: exit code 0",
                r"game: started, shell result \d+: .*\\Marnholt\\game\.exe")
    check(os.path.exists(os.path.join(local, "Orvantis", "Marnholt", "game.exe")), "no game installed")
    game = wait_for("the game's window", lambda: s.find_window(GAME_TITLE))
    subprocess.run(["xdotool", "windowfocus", game, "key", "space"], capture_output=True)
    wait_for("the game to close", lambda: s.find_window(GAME_TITLE) is None)
    paths = requested_paths(access)
    check(paths == ["GET /manifest/manifest.txt HTTP/1.1"] * 3 + ["GET /files/setup.exe HTTP/1.1"],
          f"requests at nginx: {paths}")


def case_local_trial(s):
    # The publisher's local trial of docs/publishers.md, step by step: the
    # launcher built with the trial configuration (its key made by
    # manifest.py keygen and checked by check_config.py, see
    # tests/win/app/manifest_config.py --trial), a manifest signed with sign --config
    # and checked with verify, the demo package server serving it,
    # check-live holding it, and the launcher installing from it.
    kit = [sys.executable, os.path.join(ROOT, "tools", "publisher", "manifest.py")]
    key = os.path.join(s.build, "tests", "win", "e2e_trial.pem")
    with open(os.path.join(s.build, "tests", "win", "app", "e2e_trial_config.ini"), "rb") as f:
        built = f.read()
    # The configuration as this case's copy of the program has it.
    config = os.path.join(s.work, "trial.ini")
    with open(config, "wb") as f:
        f.write(built.replace(f"http://127.0.0.1:{BUILT_PORT}/".encode(), f"http://127.0.0.1:{s.port}/".encode()))
    manifest = os.path.join(s.work, "trial-manifest.txt")
    installer = os.path.join(s.build, "demo", "pomvel_mini.exe")
    size = os.path.getsize(installer)
    package = "/package/Windows/pomvel_mini.exe"

    def run(*args):
        result = subprocess.run(kit + list(args), env=s.env, capture_output=True, text=True, timeout=TIMEOUT)
        check(result.returncode == 0, f"manifest.py {args[0]}: {result.stdout}{result.stderr}")
        return result.stdout

    run("sign", "--key", key, "--config", config, "--installer", installer,
        "--url", f"http://127.0.0.1:{s.port}{package}", manifest)
    run("verify", "--config", config, "--installer", installer, manifest)
    local, temp = clean_install_state(s)
    s.run_wine("reg", "delete", r"HKCU\Software\quillmerex", "/f", check_rc=False)
    s.server("--manifest", manifest)
    live = run("check-live", "--config", config)
    check(f"the installer is there ({size} bytes)" in live, f"check-live: {live}")
    game = road_by_click(s, "launcher_e2e_trial.exe")
    check_log(temp, [
        rf'manifest: "http://127\.0\.0\.1:{s.port}/manifest\.txt" direct -> HTTP 200, .*',
        rf'manifest: serial \d+ verified; 1 address\(es\), size {size}, signer ""',
        rf'request: "{s.url}" direct -> HTTP 200, length {size}.*',
        r'download: SHA-256 of ".*\\yrfoinstall\.tmp" matches the pinned digest \(computed as the bytes arrived\)',
        r"installer: exit code 0",
        r"game: started, shell result \d+: .*\\Marnholt\\game\.exe",
    ])
    # check-live's two requests, then the launcher's.
    requests = s.requests()
    check([r["path"] for r in requests] == ["/manifest.txt", package, "/manifest.txt", package],
          f"requests: {requests}")
    check(all(r["user_agent"] == "quillmerexDownloader" for r in requests), f"user agents: {requests}")
    s.screenshot("game_started")
    subprocess.run(["xdotool", "windowfocus", game, "key", "space"], capture_output=True)
    wait_for("the game to close", lambda: s.find_window(GAME_TITLE) is None)


# --- the launcher's own update ------------------------------------------------

KIT = os.path.join(ROOT, "tools", "publisher", "manifest.py")


def run_kit(s, *args):
    """The publisher's kit, as a publisher runs it; its output."""
    result = subprocess.run([sys.executable, KIT, *args], env=s.env, capture_output=True, text=True, timeout=TIMEOUT)
    check(result.returncode == 0, f"manifest.py {args[0]}: {result.stdout}{result.stderr}")
    return result.stdout


def file_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def version_of(path):
    """The file version of a program's version resource, as numbers."""
    return publisher_kit.file_version(file_bytes(path))


def test_certificates(s):
    """The case's throwaway certificates (tools/sign/make_test_certificates.sh),
    made at the first call, and renewed.p12/.pem: "Orvantis Test Publisher"
    again, from the same test CA, with a new key."""
    certs = os.path.join(s.work, "certs")
    if not os.path.exists(os.path.join(certs, "renewed.p12")):
        subprocess.run(["sh", os.path.join(ROOT, "tools", "sign", "make_test_certificates.sh"), certs, "test"],
                       check=True, capture_output=True)
        for command in (["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", "renewed.key", "-out",
                         "renewed.csr", "-subj", "/CN=Orvantis Test Publisher"],
                        ["openssl", "x509", "-req", "-in", "renewed.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                         "-CAcreateserial", "-days", "30", "-extfile", "leaf.ext", "-out", "renewed.pem"],
                        ["openssl", "pkcs12", "-export", "-inkey", "renewed.key", "-in", "renewed.pem", "-certfile",
                         "ca.pem", "-out", "renewed.p12", "-passout", "pass:test"]):
            subprocess.run(command, cwd=certs, check=True, capture_output=True)
    return certs


def sign_program(s, certificate, source, output):
    """source signed (Authenticode, SHA-256) as output by one of the test
    certificates: "publisher" ("Orvantis Test Publisher"), "other"
    ("Someone Else") or "renewed" (the publisher's with a new key)."""
    certs = test_certificates(s)
    if os.path.exists(output):  # osslsigncode writes over no file
        os.remove(output)
    result = subprocess.run(["osslsigncode", "sign", "-pkcs12", os.path.join(certs, certificate + ".p12"), "-pass",
                             "test", "-h", "sha256", "-in", source, "-out", output], capture_output=True, text=True)
    check(result.returncode == 0, f"osslsigncode could not sign {output}: {result.stdout}{result.stderr}")


class UpdateSite:
    """nginx serving a manifest, the demo installer and a newer launcher;
    and a player's folder with the launcher under test, launcher.exe: this
    case's copy of launcher_e2e_manifest.exe, signed by the test publisher
    (the copies are signed here, after their address was set to the case's
    port). server_extra goes into nginx's server block."""

    def __init__(self, s, server_extra=""):
        self.s = s
        self.www, self.key, self.manifest, self.access = manifest_site(s, server_extra)
        self.folder = os.path.join(s.work, "player")
        os.makedirs(self.folder)
        self.launcher = os.path.join(self.folder, "launcher.exe")
        self.original = os.path.join(s.work, "launcher-signed.exe")
        sign_program(s, "publisher", s.program("launcher_e2e_manifest.exe"), self.original)
        self.served = os.path.join(self.www, "files", "launcher-next.exe")
        self.setup = os.path.join(self.www, "files", "setup.exe")
        old, new = version_of(self.original), version_of(s.program("launcher_e2e_manifest_next.exe"))
        check(new > old, f"the newer launcher is {new}, the one under test {old}")
        self.old_version, self.new_version = (publisher_kit.version_text(v) for v in (old, new))
        self.reset()

    def reset(self):
        """The player's folder as it was: the launcher under test alone."""
        for name in os.listdir(self.folder):
            os.remove(os.path.join(self.folder, name))
        shutil.copyfile(self.original, self.launcher)

    def publish(self, certificate="publisher", *options):
        """The cycle of docs/publishers.md: the newer launcher signed by
        certificate, uploaded with the demo installer, and a manifest for
        both signed by the publisher's kit (with its options added)."""
        sign_program(self.s, certificate, self.s.program("launcher_e2e_manifest_next.exe"), self.served)
        shutil.copyfile(os.path.join(self.s.build, "demo", "pomvel_mini.exe"), self.setup)
        base = f"http://127.0.0.1:{self.s.port}/files/"
        run_kit(self.s, "sign", "--key", self.key, "--channel", MANIFEST_CHANNEL, "--installer", self.setup,
                "--url", base + "setup.exe", "--launcher", self.served, "--launcher-url", base + "launcher-next.exe",
                *options, self.manifest)

    def paths(self):
        """The paths nginx was asked for, in order."""
        return [path.split()[1] for path in requested_paths(self.access)]

    def left(self):
        """What the player's folder holds besides launcher.exe."""
        return sorted(name for name in os.listdir(self.folder) if name != "launcher.exe")


def close_game(s):
    game = wait_for("the game's window", lambda: s.find_window(GAME_TITLE))
    subprocess.run(["xdotool", "windowfocus", game, "key", "space"], capture_output=True)
    wait_for("the game to close", lambda: s.find_window(GAME_TITLE) is None)


def quiet_run(s, exe, expected):
    """A /quiet run of exe from a clean state that ends with the code
    expected; (LOCALAPPDATA, TMP) as Unix paths."""
    local, temp = clean_install_state(s)
    launcher = s.launcher(exe=exe, args=("/quiet",))
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == expected, f"/quiet: exit code {launcher.returncode}, not {expected}")
    return local, temp


def logged(temp, pattern):
    """Whether a line of the log matches pattern (the log may be written
    by another process still)."""
    try:
        return any(re.fullmatch(pattern, line) for line in log_texts(temp))
    except (Failure, OSError, UnicodeDecodeError):
        return False


def case_self_update(s):
    # The manifest names a newer launcher (signed by the same publisher):
    # at the click the launcher downloads it, checks it and replaces itself;
    # the new launcher goes on with the road without a second click and
    # starts the game, and at its end deletes the old copy. nginx sends the
    # new launcher slowly after its first 64 KB, so that its download shows.
    site = UpdateSite(s, "location = /files/launcher-next.exe { limit_rate_after 64k; limit_rate 40k; }")
    site.publish()
    old, new = re.escape(site.old_version), re.escape(site.new_version)
    local, temp = clean_install_state(s)
    launcher = s.launcher(exe=site.launcher)
    window = s.window(TITLE)
    s.click(window, INSTALL_BUTTON)
    wait_for("the status line of the launcher's download", lambda: status_text(s) == "正在更新启动器...")
    blue = (16, 114, 255)
    check(close_enough(s.pixel(window, (67, 329), "updating"), blue), "the progress bar shows no progress")
    close_game(s)
    wait_for("the first launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"the first launcher's exit code {launcher.returncode}")
    wait_for("the old copy to be deleted", lambda: logged(temp, r'launcher update: ".*\\launcher\.exe\.old" deleted'))
    check(site.left() == [], f"left beside the launcher: {site.left()}")
    check(file_bytes(site.launcher) == file_bytes(site.served), "launcher.exe is not the new launcher")
    # The two launchers write one log; the first one's last line and the
    # second one's first lines may come in either order.
    found = rf'launcher update: {new} found \(this launcher {old}\); downloading into ".*\\launcher\.exe\.new"'
    check_log(temp, [found, r"launcher update: the new launcher is up; the road goes on there",
                     r"road: handed over to the new launcher", r"exit: code 0"])
    check_log(temp, [
        rf"start: quillmerex {old} on .*",
        r"status: 开始下载\.\.\. \(install button clicked\)",
        found,
        rf"start: quillmerex {new} on .*",
        r"launcher update: continuing the road of process \d+",
        r"status: 开始下载\.\.\. \(continued after the launcher's update\)",
        rf"launcher update: {new} in the manifest is not above this launcher's {new}; kept",
        r"installer: exit code 0",
        r"game: started, shell result \d+: .*\\Marnholt\\game\.exe",
        r'launcher update: ".*\\launcher\.exe\.old" deleted',
    ])
    check(site.paths() == ["/manifest/manifest.txt", "/files/launcher-next.exe", "/manifest/manifest.txt",
                           "/files/setup.exe"], f"requests at nginx: {site.paths()}")
    check(os.path.exists(os.path.join(local, "Orvantis", "Marnholt", "game.exe")), "no game installed")


def case_self_update_refused(s):
    # What the launcher does not take in place of itself: a file whose bytes
    # differ from the manifest's digest, and a launcher signed by another
    # publisher. Each is deleted, the launcher stays as it was, and it
    # completes the road on its own (/quiet runs, ending with 0).
    site = UpdateSite(s)
    rounds = [
        # Refused as its bytes arrive: the address served another file.
        ("the digest", "publisher", True, r"launcher update: download failed \(安装包校验失败\); kept"),
        ("another signer", "other", False, r'launcher update: the new launcher\'s signer ".*Someone Else.*" is not '
                                           r'this launcher\'s ".*Orvantis Test Publisher.*"; refused'),
    ]
    for what, certificate, changed, refusal in rounds:
        site.reset()
        site.publish(certificate)
        if changed:
            data = bytearray(file_bytes(site.served))
            data[len(data) // 2] ^= 0xFF
            with open(site.served, "wb") as f:
                f.write(data)
        local, temp = quiet_run(s, site.launcher, 0)
        check_log(temp, [rf'launcher update: {re.escape(site.new_version)} found .*', refusal,
                         r"installer: exit code 0", r"game: started, shell result \d+: .*", r"exit: code 0"])
        check(file_bytes(site.launcher) == file_bytes(site.original), f"{what}: launcher.exe changed")
        check(site.left() == [], f"{what}: left beside the launcher: {site.left()}")
        close_game(s)
    check(site.paths() == ["/manifest/manifest.txt", "/files/launcher-next.exe", "/files/setup.exe"] * 2,
          f"requests at nginx: {site.paths()}")


def case_self_update_new_key(s):
    # A renewed certificate: the same subject, a new key. A launcher signed
    # with it is refused until a manifest announces its key (the kit's
    # signer-key of the certificate, held against the key the launcher
    # reads from the signature); then it replaces the running one.
    site = UpdateSite(s)
    site.publish("renewed")
    _, temp = quiet_run(s, site.launcher, 0)
    check_log(temp, [r"launcher update: the new launcher's signer key [0-9a-f]{64} is neither this launcher's nor "
                     r"one in the manifest; refused", r"game: started, shell result \d+: .*", r"exit: code 0"])
    check(file_bytes(site.launcher) == file_bytes(site.original), "launcher.exe changed")
    check(site.left() == [], f"left beside the launcher: {site.left()}")
    close_game(s)

    key = run_kit(s, "signer-key", os.path.join(test_certificates(s), "renewed.pem")).strip().split("=")[1]
    check(f"signer key {key} is neither" in "\n".join(log_texts(temp)),
          f"the kit's key {key} is not the one the launcher read")
    site.publish("renewed", "--launcher-signer-key", os.path.join(test_certificates(s), "renewed.pem"))
    _, temp = quiet_run(s, site.launcher, 0)
    check_log(temp, [r"launcher update: the new launcher is up; the road goes on there",
                     r"launcher update: the new launcher ended with code 0", r"exit: code 0"])
    check_log(temp, [r"launcher update: continuing the road of process \d+", r"game: started, shell result \d+: .*"])
    check(file_bytes(site.launcher) == file_bytes(site.served), "launcher.exe is not the new launcher")
    close_game(s)


def writable(folder):
    try:
        with tempfile.NamedTemporaryFile(dir=folder):
            return True
    except OSError:
        return False


@contextlib.contextmanager
def read_only(folder):
    """folder made unwritable, as Wine meets it: without write permission,
    and for root, whom permissions do not stop, immutable (chattr +i).
    Wine takes no read-only attribute of a folder for a refusal (nor does
    Windows): it is the file system's refusal that it reports, as access
    denied."""
    os.chmod(folder, 0o555)
    immutable = False
    try:
        if writable(folder):
            immutable = subprocess.run(["chattr", "+i", folder], capture_output=True).returncode == 0
        check(not writable(folder), f"{folder} cannot be made read-only here (chattr +i refused)")
        yield
    finally:
        if immutable:
            subprocess.run(["chattr", "-i", folder], check=True)
        os.chmod(folder, 0o755)


def case_self_update_read_only(s):
    # A folder the player cannot write to (a launcher under Program Files
    # without rights): no prompt, no download of the new launcher; the
    # launcher stays as it is and completes the road.
    site = UpdateSite(s)
    site.publish()
    with read_only(site.folder):
        local, temp = quiet_run(s, site.launcher, 0)
    check_log(temp, [r"launcher update: the folder cannot be written \(code 5\); skipped",
                     r"installer: exit code 0", r"game: started, shell result \d+: .*", r"exit: code 0"])
    check(file_bytes(site.launcher) == file_bytes(site.original), "launcher.exe changed")
    check(site.left() == [], f"left beside the launcher: {site.left()}")
    check(site.paths() == ["/manifest/manifest.txt", "/files/setup.exe"], f"requests at nginx: {site.paths()}")
    close_game(s)


def case_self_update_quiet(s):
    # /quiet: the first launcher waits for the one that replaced it and ends
    # with its exit code, here 5: the installer's digest refused, which only
    # the second one downloads. The old copy, still in use when the second
    # one ends, goes at the next start (a /quiet run with the right
    # installer, 0).
    site = UpdateSite(s)
    site.publish()
    shutil.copyfile(changed_installer(s), site.setup)
    new = re.escape(site.new_version)
    _, temp = quiet_run(s, site.launcher, 5)
    check_log(temp, [rf"launcher update: {new} found .*",
                     r"launcher update: the new launcher is up; the road goes on there",
                     r"launcher update: the new launcher ended with code 5", r"exit: code 5"])
    check_log(temp, [
        rf"launcher update: {new} found .*",
        rf"start: quillmerex {new} on .*",
        r"launcher update: continuing the road of process \d+",
        r"status: 安装包校验失败 .*",
        r"exit: code 5",
        r"exit: code 5",
    ])
    check(file_bytes(site.launcher) == file_bytes(site.served), "launcher.exe is not the new launcher")

    shutil.copyfile(os.path.join(s.build, "demo", "pomvel_mini.exe"), site.setup)
    _, temp = quiet_run(s, site.launcher, 0)
    check(site.left() == [], f"left beside the launcher: {site.left()}")
    check_log(temp, [rf"start: quillmerex {new} on .*", r'launcher update: ".*\\launcher\.exe\.old" deleted',
                     r"game: started, shell result \d+: .*", r"exit: code 0"])
    close_game(s)


def case_window_shape(s):
    launcher = s.launcher()
    window = s.window(TITLE)
    x, y = s.origin(window)

    def painted_and_shaped(img):
        # Wine hands the region to the X server on its own time: under load
        # a first paint can show before the shape. Wait for both.
        root = img.getpixel((2, 2)) if (x, y) != (0, 0) else (0, 0, 0)
        painted = sum(img.getpixel((x + BODY_PIXEL[0], y + BODY_PIXEL[1]))) > 30
        shaped = close_enough(img.getpixel((x + CORNER_PIXEL[0], y + CORNER_PIXEL[1])), root, 4)
        return img if painted and shaped else None

    shot = wait_for("the first paint with the window's shape",
                    lambda: painted_and_shaped(s.screenshot("ready")), timeout=30)
    root = shot.getpixel((2, 2)) if (x, y) != (0, 0) else (0, 0, 0)
    body = shot.getpixel((x + BODY_PIXEL[0], y + BODY_PIXEL[1]))
    check(not close_enough(body, root, 4), f"the body {body} looks like the desktop {root}")
    check(close_enough(shot.getpixel((x + CORNER_PIXEL[0], y + CORNER_PIXEL[1])), root, 4),
          "the top-left corner is not cut away")
    check(close_enough(shot.getpixel((x + 629, y + 399)), root, 4), "the bottom-right corner is not cut away")
    check(close_enough(shot.getpixel((x + BELOW_PIXEL[0], y + BELOW_PIXEL[1])), root, 4),
          "rows below 400 are not cut away")
    check(not close_enough(shot.getpixel((x + 6, y + 399 - 6)), root, 4), "the window ends before row 400")
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")


def case_publisher_skin(s):
    # A launcher built with another skin folder (tests/e2e/skin, plain
    # colours) shows its pictures: body, banner, the window's shape cut from
    # its background, and the progress track once the install button is hit.
    clean_install_state(s)
    program = "launcher_e2e_skin.exe"
    launcher = s.launcher(program=program)
    window = s.window(TITLE)
    x, y = s.origin(window)
    shot = wait_for("the first paint", lambda: (lambda img: img if close_enough(
        img.getpixel((x + BODY_PIXEL[0], y + BODY_PIXEL[1])), (150, 40, 60)) else None)(s.screenshot("ready")))
    banner = shot.getpixel((x + 315, y + 150))
    check(close_enough(banner, (30, 140, 90)), f"banner pixel {banner}")
    root = shot.getpixel((2, 2)) if (x, y) != (0, 0) else (0, 0, 0)
    check(close_enough(shot.getpixel((x + BELOW_PIXEL[0], y + BELOW_PIXEL[1])), root, 4),
          "rows below the skin's 400 opaque rows are not cut away")
    s.click(window, INSTALL_BUTTON)
    wait_for("the skin's progress track",
             lambda: close_enough(s.pixel(window, TRACK_PIXEL, "track"), (230, 200, 20)))
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")


def case_about(s):
    launcher = s.launcher()
    window = s.window(TITLE)
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    subprocess.run(["xdotool", "key", "--window", window, "alt+question"], check=True)
    dialog = s.window("关于 quillmerex")
    # The launcher's icon shows at the dialog's top left: colours other
    # than the dialog's own there, where the text does not reach.
    def icon_shown():
        shot = s.screenshot("about")
        x, y = s.origin(dialog)
        plain = shot.getpixel((x + 4, y + 4))
        area = shot.crop((x + 8, y + 8, x + 60, y + 60))
        return any(not close_enough(p, plain, 24) for p in area.getdata())
    wait_for("the launcher's icon in the About dialog", icon_shown, timeout=10)
    subprocess.run(["xdotool", "windowfocus", "--sync", dialog], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)
    wait_for("the About dialog to close", lambda: s.find_window("关于 quillmerex") is None)
    # Alt+"/" is the same command.
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    subprocess.run(["xdotool", "key", "--window", window, "alt+slash"], check=True)
    dialog = s.window("关于 quillmerex")
    subprocess.run(["xdotool", "windowfocus", "--sync", dialog], check=True)
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    wait_for("the About dialog to close", lambda: s.find_window("关于 quillmerex") is None)
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")


def case_gdiplus_missing(s):
    # Without gdiplus.dll the launcher says so in a message box, opens no
    # window, and ends with exit code 1 once the box is closed.
    env = dict(s.env, WINEDLLOVERRIDES=s.env["WINEDLLOVERRIDES"] + ";gdiplus=d")
    launcher = s.launcher(env)
    box = s.window("异常")
    s.screenshot("message")
    check(s.find_window(TITLE) is None, "the launcher opened its window")
    subprocess.run(["xdotool", "windowfocus", "--sync", box], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 1, f"launcher exit code {launcher.returncode}")


def case_empty_configuration(s):
    # Without a configuration the window still opens, with an empty caption
    # and name label; the install button leads to a failed download.
    program = "launcher_e2e_empty.exe"
    launcher = s.launcher(program=program)
    window = s.window_of_program(program)
    wait_for("the first paint", lambda: text_in(s, window, (227, 288, 403, 342), "ready"))
    check(s.window_name(window) == "", f"caption {s.window_name(window)!r}")
    check(not text_in(s, window, NAME_LABEL, "ready"), "the name label is not empty")
    s.click(window, INSTALL_BUTTON)
    wait_for("the failure text", lambda: text_in(s, window, LONG_STATUS_TAIL, "failed"))
    check(launcher.poll() is None, "the launcher closed after a failed download")
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")


def unchanged_from_reference(shot, origin):
    """Pixels of the window (inside its region) that differ from the
    reference screenshot of the window at 96 DPI."""
    x, y = origin
    width, height = WINDOW_SIZE
    window = shot.crop((x, y, x + width, y + height)).load()
    reference = Image.open(REFERENCE_96).convert("RGB").load()
    alpha = Image.open(BACKGROUND_PICTURE).getchannel("A").load()
    return [(px, py) for py in range(height) for px in range(width)
            if alpha[px, py] > 30 and window[px, py] != reference[px, py]]


def text_size_follows(what, box, base, dpi):
    """A text box measured at dpi is the one measured at 96 DPI, scaled."""
    for measured, at96 in ((box[2] - box[0], base[2] - base[0]), (box[3] - box[1], base[3] - base[1])):
        expected = at96 * dpi / 96
        check(abs(measured - expected) <= 2 + 0.08 * expected,
              f"{what} at {dpi} DPI is {box}, not the {base} of 96 DPI scaled")


def case_dpi(s):
    # At each DPI: the window's size and region, every text inside its box
    # at its scaled size, the install button hit at its scaled place, the
    # failure text in the status line, and the close button. At 96 DPI the
    # window is the reference screenshot, pixel for pixel.
    clean_install_state(s)  # no package server: the download waits to try again
    subprocess.run(["xdotool", "mousemove", "0", "0"], check=True)
    base = {}
    try:
        for dpi in DPIS:
            s.set_dpi(dpi)
            launcher = s.launcher()
            window = s.window(TITLE)
            origin = s.origin(window)
            name_box = scaled_box(NAME_LABEL, dpi)
            button = scaled_box((227, 288, 403, 342), dpi)
            caption_area = grown(button, -scaled(5, dpi))
            painted(s, window, (scaled(8, dpi), scaled(300, dpi)))
            wait_for("the install button's text",
                     lambda: light_box(s.screenshot("probe"), origin, caption_area))
            shot = s.screenshot(f"ready_{dpi}")

            width, height = (scaled(v, dpi) for v in WINDOW_SIZE)
            check(s.geometry(window) == (width, height), f"window {s.geometry(window)} at {dpi} DPI")
            root = shot.getpixel((2, 2))
            at = lambda px, py: shot.getpixel((origin[0] + px, origin[1] + py))
            body_bottom = scaled(400, dpi)
            check(close_enough(at(0, 0), root, 4), f"top-left corner not cut away at {dpi} DPI")
            check(close_enough(at(width - 1, body_bottom - 1), root, 4),
                  f"bottom-right corner not cut away at {dpi} DPI")
            check(close_enough(at(width // 2, body_bottom), root, 4), f"row {body_bottom} not cut away at {dpi} DPI")
            check(not close_enough(at(width // 2, body_bottom - 1), root, 4),
                  f"the window ends before row {body_bottom} at {dpi} DPI")
            check(not close_enough(at(scaled(8, dpi), scaled(300, dpi)), root, 4), f"no body at {dpi} DPI")

            name = light_box(shot, origin, grown(name_box, scaled(4, dpi)))
            caption = light_box(shot, origin, caption_area)
            check(name is not None and inside(name, name_box), f"game name {name} outside {name_box}")
            check(caption is not None and inside(caption, caption_area), f"install text {caption}")
            if dpi == 96:
                base["name"], base["caption"] = name, caption
                differing = unchanged_from_reference(shot, origin)
                check(not differing, f"{len(differing)} pixels differ from the reference, first {differing[:5]}")
            else:
                text_size_follows("the game name", name, base["name"], dpi)
                text_size_follows("the install text", caption, base["caption"], dpi)

            s.click(window, (scaled(315, dpi), scaled(315, dpi)))
            status_box = scaled_box((66, 342, 466, 358), dpi)
            tail = scaled_box(LONG_STATUS_TAIL, dpi)
            shot = wait_for("the failure text", lambda: text_in(s, window, tail, f"failed_{dpi}"))
            status = light_box(shot, origin, grown(status_box, scaled(3, dpi)))
            check(status is not None and inside(status, status_box), f"status {status} outside {status_box}")
            if dpi == 96:
                base["status"] = status
            else:
                text_size_follows("the status text", status, base["status"], dpi)

            s.click(window, (scaled(601, dpi), scaled(20, dpi)))
            wait_for("the launcher to exit", lambda: launcher.poll() is not None)
            check(launcher.returncode == 0, f"launcher exit code {launcher.returncode} at {dpi} DPI")
    finally:
        s.set_dpi(96)


def case_keyboard(s):
    # The focus outline shows once the keyboard is used; Return presses the
    # install button (the download starts and fails: no package server);
    # Alt+F4 closes as the close button does.
    clean_install_state(s)
    subprocess.run(["xdotool", "mousemove", "0", "0"], check=True)
    launcher = s.launcher()
    window = s.window(TITLE)
    outline = (227 + 4, 315)  # the outline's left bar, inside the button's edge
    painted(s, window, BODY_PIXEL)
    check(not close_enough(s.pixel(window, outline, "before_keys"), (230, 230, 230), 40),
          "the focus outline shows before the keyboard was used")
    s.key(window, "Tab")
    wait_for("the focus outline", lambda: close_enough(s.pixel(window, outline, "focus_outline"), (230, 230, 230), 40))
    s.key(window, "Return")
    wait_for("the failure text", lambda: text_in(s, window, LONG_STATUS_TAIL, "after_return"))
    check(launcher.poll() is None, "the launcher closed after a failed download")
    s.key(window, "alt+F4")
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")


def case_one_instance(s):
    # A second start brings the first launcher's window back (restored from
    # the taskbar) and ends with 0 within 5 s, without a window of its own.
    first = s.launcher()
    window = s.window(TITLE)
    painted(s, window, BODY_PIXEL)
    s.click(window, (574, 20))  # minimise
    wait_for("the window to be minimised", lambda: s.probe("iconic", TITLE)[1] == ["iconic"])
    second = s.launcher()
    started = time.monotonic()
    wait_for("the second launcher to exit", lambda: second.poll() is not None, timeout=5.0, interval=0.05)
    check(second.returncode == 0, f"second launcher exit code {second.returncode}")
    check(time.monotonic() - started < 5.0, "the second launcher took 5 s or more")
    wait_for("the window to be restored", lambda: s.probe("iconic", TITLE)[1] == ["normal"])
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$"],
                            capture_output=True, text=True)
    check(result.stdout.split() == [window], f"windows: {result.stdout.split()}, the first's {window}")
    check(first.poll() is None, "the first launcher ended")
    s.screenshot("restored")
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: first.poll() is not None)
    check(first.returncode == 0, f"launcher exit code {first.returncode}")


def case_accessible(s):
    # A screen reader in another process finds the three buttons by name,
    # the name, the banner, and after the install button's default action
    # the progress bar with its value and the status line with its text.
    # No package server: the connection is refused, and the status line
    # counts down to the next try.
    clean_install_state(s)
    launcher = s.launcher()
    window = s.window(TITLE)
    painted(s, window, BODY_PIXEL)
    children = s.accessible_children()
    check(children == [
        ("statictext", TITLE, "", ""),
        ("pushbutton", "关闭", "", "按下"),
        ("pushbutton", "最小化", "", "按下"),
        ("graphic", TITLE, "", ""),
        ("pushbutton", "立即安装", "", "按下"),
    ], f"children before the download: {children}")
    code, _ = s.probe("press", TITLE, "立即安装")
    check(code == 0, f"the install button's default action failed: {code}")
    wait_for("the failure text", lambda: text_in(s, window, LONG_STATUS_TAIL, "failed"))
    children = s.accessible_children()
    check([c[:2] for c in children] == [("statictext", TITLE), ("pushbutton", "关闭"), ("pushbutton", "最小化"),
                                        ("graphic", TITLE), ("progressbar", "下载进度"), ("statictext", children[-1][1])],
          f"children after the download: {children}")
    check(children[4][2] == "0%", f"the progress bar's value {children[4]}")
    check(children[5][1].startswith("连接中断,"), f"the status line {children[5]}")
    code, _ = s.probe("press", TITLE, "关闭")
    check(code == 0, f"the close button's default action failed: {code}")
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")


def case_dpi_change(s):
    # The window moves to a screen of another DPI while it runs: its size,
    # region, pictures and text follow, and back at 96 DPI it is the
    # reference window again, pixel for pixel.
    clean_install_state(s)  # no package server: the download waits to try again
    subprocess.run(["xdotool", "mousemove", "0", "0"], check=True)
    launcher = s.launcher()
    window = s.window(TITLE)
    painted(s, window, BODY_PIXEL)
    for dpi in (144, 96):
        code, _ = s.probe("dpi", TITLE, str(dpi))
        check(code == 0, f"the probe could not reach the window: {code}")
        size = (scaled(630, dpi), scaled(453, dpi))
        wait_for(f"the window at {dpi} DPI", lambda: s.geometry(window) == size)
        origin = s.origin(window)
        caption_area = grown(scaled_box((227, 288, 403, 342), dpi), -scaled(5, dpi))
        wait_for("the install button's text", lambda: light_box(s.screenshot("probe"), origin, caption_area))
        shot = s.screenshot(f"changed_to_{dpi}")
        root = shot.getpixel((2, 2))
        body_bottom = scaled(400, dpi)
        at = lambda px, py: shot.getpixel((origin[0] + px, origin[1] + py))
        check(close_enough(at(size[0] // 2, body_bottom), root, 4), f"row {body_bottom} not cut away at {dpi} DPI")
        check(not close_enough(at(size[0] // 2, body_bottom - 1), root, 4), f"the body ends early at {dpi} DPI")
        check(close_enough(at(0, 0), root, 4), f"top-left corner not cut away at {dpi} DPI")
    differing = unchanged_from_reference(shot, origin)
    check(not differing, f"back at 96 DPI {len(differing)} pixels differ from the reference, first {differing[:5]}")
    s.probe("dpi", TITLE, "144")
    wait_for("the window at 144 DPI", lambda: s.geometry(window) == (945, 680))
    s.click(window, (scaled(315, 144), scaled(315, 144)))
    wait_for("the failure text", lambda: text_in(s, window, scaled_box(LONG_STATUS_TAIL, 144), "failed_at_144"))
    s.click(window, (scaled(601, 144), scaled(20, 144)))
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")


def status_text(s):
    """The status line's text, as a screen reader reads it."""
    children = s.accessible_children()
    return children[-1][1] if children and children[-1][0] == "statictext" else ""


def case_length_above_4gib(s):
    # The server announces an installer of 5 GiB, sends the start of it and
    # holds the rest back: the status line counts past 32 bits' worth of
    # total. Closing the window then ends the download, leaves nothing in
    # TMP, and the log says so before the exit.
    _, temp = clean_install_state(s)
    total = 5 * 1024 ** 3
    s.server("--length", str(total), "--hold-after", "150000", "--release", os.path.join(s.work, "never"))
    launcher = s.launcher()
    window = s.window(TITLE)
    s.click(window, INSTALL_BUTTON)
    shown = re.compile(rf"正在下载\((\d+)/{total}\)")

    def counting():
        match = shown.fullmatch(status_text(s))
        return match if match and int(match.group(1)) > 0 else None
    done = int(wait_for("the count of 5 GiB", counting).group(1))
    check(done <= 150000, f"more shown than sent: {done}")
    s.screenshot("counting")
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
    leftovers = [n for n in os.listdir(temp) if n.startswith("yrfoinstall")]
    check(not leftovers, f"left in TMP: {leftovers}")
    check_log(temp, [
        r"status: 开始下载\.\.\. \(install button clicked\)",
        rf'request: "{s.url}" direct -> HTTP 200, length {total}, (no validator|validator .*)',
        rf"status: 强制退出 \(download failed after \d+ of {total} bytes\)",
        r"exit: code 0",
    ])


def case_page_as_installer(s):
    # A captive portal answers the installer's request with its login page
    # (200, text/html): it is refused at its first bytes with a plain word,
    # nothing of it is left in TMP and nothing is run; the log shows how it
    # began.
    _, temp = clean_install_state(s)
    page = os.path.join(s.work, "login.html")
    with open(page, "wb") as f:
        f.write(b"<!DOCTYPE html>\r\n<html><head><title>Hotel Wi-Fi</title></head>"
                b"<body>Please sign in to continue.</body></html>\r\n")
    s.server("--content-type", "text/html; charset=utf-8", installer=page)
    launcher = s.launcher()
    window = s.window(TITLE)
    s.click(window, INSTALL_BUTTON)
    failure = "下载内容无效,网络可能需要登录"
    wait_for("the failure text", lambda: status_text(s) == failure)
    leftovers = [n for n in os.listdir(temp) if n.startswith("yrfoinstall")]
    check(not leftovers, f"left in TMP: {leftovers}")
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
    check_log(temp, [
        r'download: ".*" sent content type "text/html; charset=utf-8", starting "<!DOCTYPE html>\.\.<html><head>'
        r'<title>Hotel Wi-Fi</title></head><b": no program; nothing kept',
        rf"status: {failure} .*",
        r"exit: code 0",
    ])
    texts = log_texts(temp)
    check(not any(line.startswith("installer:") for line in texts), f"an installer was started: {texts}")
    check(len(s.requests()) == 1, f"expected one request, got {s.requests()}")


def case_trickle(s):
    # nginx sends half the installer at once, then 1 KB a second: the
    # launcher built to judge the minimum speed over 3 s (20 KB in that
    # window) ends the attempt as a stall, and its retry asks for the rest
    # with Range, which nginx sends at full speed; the game starts.
    local, temp = clean_install_state(s)
    installer = os.path.join(s.build, "demo", "pomvel_mini.exe")
    size = os.path.getsize(installer)
    www = os.path.join(s.work, "www")
    os.makedirs(os.path.join(www, "package", "Windows"))
    shutil.copy(installer, os.path.join(www, "package", "Windows", "pomvel_mini.exe"))
    for root, dirs, _ in os.walk(s.work):
        for name in dirs:
            os.chmod(os.path.join(root, name), 0o755)
    os.chmod(os.path.join(www, "package", "Windows", "pomvel_mini.exe"), 0o644)
    access = nginx(s, www, f"limit_rate_after {size // 2}; limit_rate 1k;")
    launcher = s.launcher(program="launcher_e2e_trickle.exe")
    window = s.window(TITLE)
    s.click(window, INSTALL_BUTTON)
    wait_for("the game's window", lambda: s.find_window(GAME_TITLE))
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
    with open(access) as f:
        statuses = [int(m.group(1)) for m in re.finditer(r'"GET /package/Windows/pomvel_mini\.exe HTTP/1\.1" (\d+)',
                                                          f.read())]
    check(statuses == [200, 206], f"nginx answered {statuses}")
    check_log(temp, [
        rf'request: "{s.url}" direct -> HTTP 200, length {size}, validator .*',
        r"download: fewer than 20480 bytes in the last 3000 ms",
        r"retry: 1/5 in \d+ ms after 连接异常,错误代码：12002",
        rf'request: "{s.url}" direct, resumed from byte \d+ -> HTTP 206, length \d+, validator .*',
        rf"status: 下载完毕 \(download: {size} of {size} bytes\)",
        r"installer: exit code 0",
        r"exit: code 0",
    ])


def case_line_rate_pinned(s):
    # A launcher at the line's speed (k_comm_rate=0) with the SHA-256 of an
    # installer of 192 MiB pinned (the demo installer with zeros after it,
    # made by the build), served by Debian's nginx: the design's pace would
    # take 40 s; the digest is computed as the bytes arrive, the install
    # worker checks the held file once more, the installer runs and the
    # game starts.
    local, temp = clean_install_state(s)
    installer = os.path.join(s.build, "tests", "win", "app", "e2e_line_installer.exe")
    size = os.path.getsize(installer)
    www = os.path.join(s.work, "www")
    os.makedirs(os.path.join(www, "package", "Windows"))
    served = os.path.join(www, "package", "Windows", "pomvel_mini.exe")
    shutil.copy(installer, served)
    for root, dirs, _ in os.walk(s.work):
        for name in dirs:
            os.chmod(os.path.join(root, name), 0o755)
    os.chmod(served, 0o644)
    access = nginx(s, www)
    launcher = s.launcher(program="launcher_e2e_line.exe")
    window = s.window(TITLE)
    started = time.monotonic()
    s.click(window, INSTALL_BUTTON)
    wait_for("the game's window", lambda: s.find_window(GAME_TITLE))
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    seconds = time.monotonic() - started
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
    with open(access) as f:
        statuses = [int(m.group(1)) for m in re.finditer(r'"GET /package/Windows/pomvel_mini\.exe HTTP/1\.1" (\d+)',
                                                          f.read())]
    check(statuses == [200], f"nginx answered {statuses}")
    check_log(temp, [
        r"configuration: the download goes at the line's speed",
        rf'request: "{s.url}" direct -> HTTP 200, length {size}, validator .*',
        r'download: SHA-256 of ".*\\yrfoinstall\.tmp" matches the pinned digest \(computed as the bytes arrived\)',
        rf"status: 下载完毕 \(download: {size} of {size} bytes\)",
        HELD_FILE_CHECK,
        r"installer: exit code 0",
        r"exit: code 0",
    ])
    print(f"{size} bytes: click to game in {seconds:.1f} s (the design's pace: {size / 5120000:.0f} s for the bytes alone)")


# An installer of 4.5 GiB: the demo installer with zeros after it, sparse
# on the server's side. Its length is above 2^32, and its remainder below
# 2^32 (512 MiB and the program) is what a count, a percentage or a
# free-space check cut to 32 bits would see.
BIG_INSTALLER_SIZE = 4608 * 1024 ** 2
LOG_TIME = "%Y-%m-%d %H:%M:%S.%f"


def served_installer(s, path, size):
    """The demo installer at path with zeros after it up to size bytes
    (truncate keeps them a hole), readable by nginx's workers; its SHA-256
    and the seconds taken to compute it."""
    shutil.copy(os.path.join(s.build, "demo", "pomvel_mini.exe"), path)
    os.truncate(path, size)
    for root, dirs, _ in os.walk(s.work):
        for name in dirs:
            os.chmod(os.path.join(root, name), 0o755)
    os.chmod(path, 0o644)
    started = time.monotonic()
    sha = hashlib.sha256()
    with open(path, "rb") as f:
        while block := f.read(4 * 1024 * 1024):
            sha.update(block)
    return sha.hexdigest(), time.monotonic() - started


def launcher_pinning(s, digest, name):
    """A copy of launcher_e2e_line.exe (the line's speed, k_comm_rate=0)
    with digest pinned in place of the 192 MiB installer's: the
    configuration is text in the program's resources, and both digests are
    64 hexadecimal digits."""
    with open(os.path.join(s.build, "tests", "win", "app", "e2e_line_config.ini"), "rb") as f:
        built = re.search(rb"k_comm_sha256=([0-9a-f]{64})", f.read()).group(1)
    with open(s.program("launcher_e2e_line.exe"), "rb") as f:
        data = f.read()
    check(data.count(built) == 1, f"launcher_e2e_line.exe holds its pinned digest {data.count(built)} times")
    exe = os.path.join(s.work, "programs", name)
    with open(exe, "wb") as f:
        f.write(data.replace(built, digest.encode("ascii")))
    return exe


def bar_and_status(s):
    """The progress bar's value, the status line's text and the bar's
    place on the screen (x, y, width, height), as a screen reader reads
    them; None when the window is not there (any more)."""
    code, lines = s.probe("tree", TITLE)
    if code != 0:
        return None
    rows = [line.split("\t") for line in lines if line.count("\t") >= 5]
    bar = next((r for r in rows if r[1] == "progressbar"), None)
    text = rows[-1][2] if rows and rows[-1][1] == "statictext" else ""
    if bar is None:
        return "", text, None
    return bar[3], text, tuple(int(v) for v in bar[5].split(","))


def logged_at(texts_with_time, pattern):
    """The time of the first log line that matches pattern (a regular
    expression), or None."""
    for when, text in texts_with_time:
        if re.fullmatch(pattern, text):
            return when
    return None


def timed_log(temp):
    with open(os.path.join(temp, "quillmerex.log"), "rb") as log:
        lines = log.read().decode("utf-8").split("\r\n")[:-1]
    return [(datetime.datetime.strptime(line[:23], LOG_TIME), line[24:]) for line in lines]


def refused_for_space(s, exe, www, temp, size):
    """A first start of the launcher with a small disk (a tmpfs) mounted over
    the prefix's TMP for the round: its free space lies below the length and
    above the length cut to 32 bits, so the check refuses only when it
    compares all 64. nginx sends the first MiB at once and the rest slowly
    in this round: Wine's WinINet reads what is left of a body 1 KB at a
    time when its request is closed, for as long as more has already
    arrived, which at loopback speed is the whole file. Returns the free
    bytes the log names, or None when no tmpfs can be mounted here (it needs
    root)."""
    small = size % 2 ** 32 + 512 * 1024 ** 2 if size > 2 ** 32 else size // 2
    if subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={small}", "tmpfs", temp],
                      capture_output=True).returncode != 0:
        return None
    launcher = None
    server = None
    try:
        nginx(s, www, "limit_rate_after 1m; limit_rate 64k;")
        server = s.children[-1]
        launcher = s.launcher(exe=exe)
        window = s.window(TITLE)
        s.click(window, INSTALL_BUTTON)
        try:
            wait_for("the refusal for space", lambda: status_text(s) == "磁盘空间不足")
        except Failure:
            # The log goes with the small disk: show it here.
            print("\n".join(log_texts(temp)) if os.path.exists(os.path.join(temp, "quillmerex.log")) else
                  "no log on the small disk", file=sys.stderr)
            raise
        s.click(window, CLOSE_BUTTON)
        wait_for("the launcher to exit", lambda: launcher.poll() is not None)
        check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
        texts = check_log(temp, [
            rf'request: "{s.url}" direct -> HTTP 200, length {size}, validator .*',
            rf'download: \d+ bytes free in ".*", {size} needed',
            rf"status: 磁盘空间不足 \(download failed after 0 of {size} bytes\)",
            r"exit: code 0",
        ])
        leftovers = [n for n in os.listdir(temp) if n.startswith("yrfoinstall")] + download_folders(temp)
        check(not leftovers, f"left on the small disk: {leftovers}")
        free = int(next(t for t in texts if t.endswith(f", {size} needed")).split()[1])
        check(free < size and (size < 2 ** 32 or free >= size % 2 ** 32),
              f"{free} bytes free: the round does not tell 64 bits from 32")
        return free
    finally:
        if launcher is not None and launcher.poll() is None:
            launcher.kill()
            launcher.wait()
        if server is not None:
            server.terminate()
            server.wait()
        if subprocess.run(["umount", temp], capture_output=True).returncode != 0:
            subprocess.run(["umount", "-l", temp], capture_output=True)


def big_installer(s):
    """The large installer served from the case's folder www: its size, www,
    the served file, its SHA-256 and the seconds Python's hashlib took."""
    size = int(os.environ.get("BIG_INSTALLER_BYTES", BIG_INSTALLER_SIZE))
    www = os.path.join(s.work, "www")
    os.makedirs(os.path.join(www, "package", "Windows"))
    served = os.path.join(www, "package", "Windows", "pomvel_mini.exe")
    digest, digest_seconds = served_installer(s, served, size)
    return size, www, served, digest, digest_seconds


def end_big_installer(launcher, temp):
    """Ends the launcher if it still runs and removes its download folders:
    the client's copy is a real file of up to 4.5 GiB, and it goes whatever
    happened (bench/tasks/run_large_installer_bench.sh removes it again once
    Wine has stopped)."""
    if launcher.poll() is None:
        launcher.kill()
        launcher.wait()
    for name in download_folders(temp):
        shutil.rmtree(os.path.join(temp, name), ignore_errors=True)


def case_installer_4_5_gib(s):
    # A benchmark run by hand (bench/tasks/run_large_installer_bench.sh), not
    # one of the suite's tests: a pinned installer of 4.5 GiB at the line's
    # speed from Debian's nginx, the file a real one in the prefix's TMP.
    # First the free-space check refuses it on a small disk that a 32-bit
    # length would fit (refused_for_space). Then, on the prefix's own disk,
    # a screen reader's view of the bar and the status line is read over
    # and over while it downloads: the count and the percentage agree, never
    # go back, pass 2^32 and reach 100 %, and the bar is full. The log shows
    # the length above 2^32, no refusal for space, the digest matching as
    # the bytes arrived and the held file the one written,
    # the installer's start and exit code and the game's start. Where Wine
    # cannot start a program that large, the download and its checks must
    # complete and the log's code is printed. Prints the figures.
    local, temp = clean_install_state(s)
    size, www, served, digest, digest_seconds = big_installer(s)
    print(f"served: {size} bytes (sparse: {os.stat(served).st_blocks * 512} on disk), "
          f"SHA-256 {digest} ({digest_seconds:.1f} s with Python's hashlib)")
    exe = launcher_pinning(s, digest, "launcher_e2e_big.exe")
    free = refused_for_space(s, exe, www, temp, size)
    access = nginx(s, www)
    launcher = s.launcher(exe=exe)
    try:
        window = s.window(TITLE)
        painted(s, window, BODY_PIXEL)
        started = time.monotonic()
        s.click(window, INSTALL_BUTTON)
        samples, full_bar = [], None
        shown = re.compile(r"正在下载\((\d+)/(\d+)\)")
        # Until the game's window shows or the launcher ends (an installer
        # that would not start leaves the launcher open with its failure).
        while s.find_window(GAME_TITLE) is None and launcher.poll() is None:
            check(time.monotonic() - started < 1800, "no end of the road in 30 minutes")
            seen = bar_and_status(s)
            if seen is None:
                time.sleep(0.5)
                continue
            value, text, place = seen
            match = shown.fullmatch(text)
            samples.append((time.monotonic() - started, value, text,
                            (int(match.group(1)), int(match.group(2))) if match else None))
            if value == "100%" and full_bar is None and place is not None:
                full_bar = place, s.screenshot("full_bar")
            if text.startswith("调用安装程序失败"):
                break
            time.sleep(0.2)
        game_seconds = time.monotonic() - started
        refused = None
        texts = log_texts(temp)
        not_started = next((t for t in texts if t.startswith("installer: not started, code ")), None)
        if not_started is not None:
            refused = int(not_started.rsplit(" ", 1)[1])
            s.screenshot("not_started")
            s.click(window, CLOSE_BUTTON)
        wait_for("the launcher to exit", lambda: launcher.poll() is not None)
        check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
        timed = timed_log(temp)
        texts = [text for _, text in timed]
    finally:
        end_big_installer(launcher, temp)

    # The count and the percentage.
    counts = [(t, value, c) for t, value, _, c in samples if c is not None]
    check(counts, f"no count was read while the bytes arrived: {samples[:5]}")
    check(all(total == size for _, _, (_, total) in counts), f"a total other than {size}: {counts[:3]}")
    check(all(0 < done <= size for _, _, (done, _) in counts), "a count outside 1 .. the length")
    dones = [done for _, _, (done, _) in counts]
    check(dones == sorted(dones), "the count went back")
    # The probe reads the bar's value before the status line's text, in
    # two calls; events may come between them. So each value read lies
    # between the percentages of the count read before it and the count
    # read just after it (within one for the rounding of a double).
    before = 0
    for _, value, (done, _) in counts:
        percent = int(value.rstrip("%"))
        check(before * 100 // size - 1 <= percent <= done * 100 // size + 1,
              f"{value} shown between counts of {before} and {done} of {size} bytes")
        before = done
    percents = [int(value.rstrip("%")) for _, value, _, _ in samples if value.endswith("%")]
    check(percents == sorted(percents) and percents and percents[-1] == 100,
          f"the percentage did not climb to 100 %: {percents}")
    check(full_bar is not None, "the bar was never seen at 100 %")
    (x, y, width, height), shot = full_bar
    blue = (16, 114, 255)
    end = shot.getpixel((x + width - 3, y + height // 2))
    check(close_enough(end, blue), f"the bar's end at 100 % is {end}, not the bar's blue")
    above = [done for done in dones if done > 2 ** 32]

    # The log: the length, no refusal for space, both digests, the road.
    refusals = [t for t in texts if re.fullmatch(r"download: \d+ bytes free in .*", t)]
    check(not refusals, f"the free-space check refused: {refusals}")
    road = [
        r"configuration: the download goes at the line's speed",
        r"status: 开始下载\.\.\. \(install button clicked\)",
        rf'request: "{s.url}" direct -> HTTP 200, length {size}, validator .*',
        r'download: SHA-256 of ".*\\yrfoinstall\.tmp" matches the pinned digest \(computed as the bytes arrived\)',
        rf"status: 下载完毕 \(download: {size} of {size} bytes\)",
        HELD_FILE_CHECK,
    ]
    if refused is None:
        road += [r'installer: started hidden: ".*\\yrfoinstall\.exe" -b', r"installer: exit code 0",
                 r"status: 安装完毕", r"game: started, shell result \d+: .*\\Marnholt\\game\.exe", r"exit: code 0"]
    else:
        road += [rf"installer: not started, code {refused}", rf"installer: {size} bytes, starting .*; deleted",
                 r"exit: code 0"]
    check_log(temp, road)
    with open(access) as f:
        answers = re.findall(r'"GET /package/Windows/pomvel_mini\.exe HTTP/1\.1" (\d+) (\d+)', f.read())
    check(answers[-1:] == [("200", str(size))] and len(answers) == (1 if free is None else 2),
          f"nginx answered {answers}")
    leftovers = [n for n in os.listdir(temp) if n.startswith("yrfoinstall")] + download_folders(temp)
    check(not leftovers, f"left in TMP: {leftovers}")
    if refused is None:
        with open(os.path.join(local, "Orvantis", "Marnholt", "install.log"), encoding="utf-8") as log:
            check(log.read().rstrip().endswith("show: hidden"), "the installer did not run hidden")

    # The figures, from the log's times (milliseconds).
    def at(pattern):
        return logged_at(timed, pattern)

    def seconds(a, b):
        return (b - a).total_seconds()
    clicked = at(r"status: 开始下载\.\.\. \(install button clicked\)")
    answered = at(r"request: .* -> HTTP 200, .*")
    downloaded = at(r"status: 下载完毕 .*")
    checked = at(HELD_FILE_CHECK)
    download = seconds(answered, downloaded)
    print(f"count: {size} of {size} bytes; {len(counts)} counts read while downloading, "
          f"{len(above)} of them above 2^32 (highest {max(dones)}), percentage {percents[0]} % to 100 %, "
          f"the bar full at 100 %")
    if free is None:
        print("free-space check: passed for the length (no refusal logged); the refusal on a small disk was "
              "left out (no tmpfs could be mounted)")
    else:
        cut = f"; cut to 32 bits {size % 2 ** 32}, which would fit" if size > 2 ** 32 else ""
        print(f"free-space check: refused on a small disk with {free} bytes free ({size} needed{cut}); "
              "passed for the length on the prefix's disk")
    print(f"download (answer to the last byte, the digest as the bytes arrived): {download:.1f} s, "
          f"{size / download / 1e6:.0f} MB/s")
    print(f"the click to the answer: {seconds(clicked, answered):.2f} s")
    print(f"digest check of the held file before the start: {seconds(downloaded, checked):.1f} s, "
          f"{size / max(seconds(downloaded, checked), 0.001) / 1e6:.0f} MB/s")
    if refused is None:
        print(f"installer: started and exited 0 in {seconds(checked, at(r'installer: exit code 0')):.1f} s after "
              "its check")
        whole = seconds(clicked, at(r"game: started, .*"))
        print(f"whole road (click to the game's start, by the log): {whole:.1f} s; "
              f"by the game's window: {game_seconds:.1f} s")
    else:
        print(f"installer: Wine refused to start it, code {refused}; the download and its checks completed "
              f"(click to the check's end {seconds(clicked, checked):.1f} s)")


def case_installer_4_5_gib_closed(s):
    # The same installer and launcher, the window closed once more than
    # 1 GiB has arrived: the launcher keeps the part for the next run and
    # exits without the rest of the body. Prints the seconds from the click
    # on the close button to the exit and what nginx sent in all: Wine's
    # WinINet reads the rest of a body when its request is closed (Windows
    # discards it), as long as more has already arrived. In the suite as
    # e2e.installer_4_5_gib_closed.
    _, temp = clean_install_state(s)
    size, www, _, digest, _ = big_installer(s)
    access = nginx(s, www)
    launcher = s.launcher(exe=launcher_pinning(s, digest, "launcher_e2e_big.exe"))
    at_least = min(size // 4, 1024 ** 3)
    shown = re.compile(r"正在下载\((\d+)/\d+\)")
    try:
        window = s.window(TITLE)
        s.click(window, INSTALL_BUTTON)

        def far_enough():
            match = shown.fullmatch(status_text(s))
            return match if match and int(match.group(1)) >= at_least else None
        wait_for(f"{at_least} bytes", far_enough, timeout=600)
        closed = time.monotonic()
        s.click(window, CLOSE_BUTTON)
        gone = wait_for("the window to go", lambda: s.find_window(TITLE) is None, timeout=1800)
        window_seconds = time.monotonic() - closed
        wait_for("the launcher to exit", lambda: launcher.poll() is not None, timeout=1800)
        exit_seconds = time.monotonic() - closed
        check(gone and launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
        texts = check_log(temp, [
            rf"download: (\d+) of {size} bytes kept in .* to be continued",
            rf"status: 强制退出 \(download failed after \d+ of {size} bytes\)",
            r"exit: code 0",
        ])
    finally:
        end_big_installer(launcher, temp)
    kept = int(next(t for t in texts if t.endswith("to be continued")).split()[1])
    with open(access) as f:
        sent = [int(n) for n in re.findall(r'"GET /package/Windows/pomvel_mini\.exe HTTP/1\.1" 200 (\d+)', f.read())]
    print(f"closed at {kept} of {size} bytes kept: the window went in {window_seconds:.1f} s, the launcher exited "
          f"{exit_seconds:.1f} s after the click; nginx sent {sum(sent)} bytes")
    # The closed request does not read the rest of the body first: nginx
    # sends what was under way, not the file (under Wine the close would
    # read it all, minutes at the line's speed, unless it is left to a
    # thread nobody waits for).
    check(sum(sent) < size, f"nginx sent the whole body ({sum(sent)} bytes) before the launcher exited")


INTERNET_SETTINGS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
# The caption of Wine's own prompt for a proxy's password (InternetErrorDlg).
PROXY_PROMPT = "Enter Network Password"
PROXY_USER, PROXY_PASSWORD = "player", "hotel-wifi-2026"


def proxy_with_password(s):
    """Debian's tinyproxy on a free port, asking for PROXY_USER and
    PROXY_PASSWORD (BasicAuth); ended with the case."""
    d = os.path.join(s.work, "proxy")
    os.makedirs(d)
    os.chmod(s.work, 0o755)
    os.chmod(d, 0o777)  # tinyproxy may run as nobody
    port = free_port()
    conf = os.path.join(d, "tinyproxy.conf")
    user = "User nobody\nGroup nogroup\n" if os.geteuid() == 0 else ""
    with open(conf, "w") as f:
        f.write(f"{user}Port {port}\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\nAllow 127.0.0.1\n"
                f"BasicAuth {PROXY_USER} {PROXY_PASSWORD}\nLogFile \"{d}/tinyproxy.log\"\nLogLevel Info\n")
    process = subprocess.Popen(["tinyproxy", "-d", "-c", conf], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    s.children.append(process)

    def listening():
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.5):
                return True
        except OSError:
            return False
    wait_for("tinyproxy", listening)
    return port


def set_system_proxy(s, server):
    """The player's Internet Settings name a proxy (server) or none (None),
    loopback addresses included, as Windows does with "<-loopback>"."""
    if server is None:
        s.run_wine("reg", "add", INTERNET_SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "0", "/f")
        for name in ("ProxyServer", "ProxyOverride"):
            s.run_wine("reg", "delete", INTERNET_SETTINGS, "/v", name, "/f", check_rc=False)
        return
    s.run_wine("reg", "add", INTERNET_SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "1", "/f")
    s.run_wine("reg", "add", INTERNET_SETTINGS, "/v", "ProxyServer", "/d", server, "/f")
    s.run_wine("reg", "add", INTERNET_SETTINGS, "/v", "ProxyOverride", "/d", "<-loopback>", "/f")


def case_proxy_password(s):
    # The system's proxy asks for a password (tinyproxy's BasicAuth): the
    # system's own prompt comes up once, over the launcher's window.
    # Declined, the download fails with 407; given, the download goes
    # through the proxy and the game starts. A /quiet run shows no prompt
    # and ends with exit code 2.
    local, temp = clean_install_state(s)
    s.server()
    port = proxy_with_password(s)
    set_system_proxy(s, f"127.0.0.1:{port}")
    try:
        launcher = s.launcher()
        window = s.window(TITLE)
        s.click(window, INSTALL_BUTTON)
        prompt = s.window(PROXY_PROMPT)
        s.screenshot("proxy_prompt")
        subprocess.run(["xdotool", "windowfocus", "--sync", prompt, "key", "Escape"], check=True)
        failure = "连接不可用,错误代码：407"
        wait_for("the failure text", lambda: status_text(s) == failure)
        check(not s.find_window(PROXY_PROMPT), "the prompt came again")
        s.click(window, CLOSE_BUTTON)
        wait_for("the launcher to exit", lambda: launcher.poll() is not None)
        check_log(temp, [
            rf'proxy: HTTP 407 at "{s.url}" proxy 127\.0\.0\.1:{port}; the user is asked for the proxy\'s password',
            r"proxy: no password given",
            rf"status: {failure} .*",
        ])
        check(not s.requests(), f"the server was reached: {s.requests()}")

        launcher = s.launcher()
        window = s.window(TITLE)
        s.click(window, INSTALL_BUTTON)
        prompt = s.window(PROXY_PROMPT)
        subprocess.run(["xdotool", "windowfocus", "--sync", prompt], check=True)
        subprocess.run(["xdotool", "type", "--delay", "20", PROXY_USER], check=True)
        subprocess.run(["xdotool", "key", "Tab"], check=True)
        subprocess.run(["xdotool", "type", "--delay", "20", PROXY_PASSWORD], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        wait_for("the game's window", lambda: s.find_window(GAME_TITLE))
        wait_for("the launcher to exit", lambda: launcher.poll() is not None)
        check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
        check_log(temp, [
            r"proxy: sent again with the password given -> HTTP 200",
            rf'request: "{s.url}" proxy 127\.0\.0\.1:{port} -> HTTP 200, length \d+, .*',
            r"installer: exit code 0",
        ])
        check(len(s.requests()) == 1, f"expected one request at the server, got {s.requests()}")

        # /quiet: nobody is there to answer a prompt. The run shows no window
        # and no prompt, waits on nothing, and ends with the network's exit
        # code, its log saying that the proxy wants a password.
        launcher = s.launcher(args=("/quiet",))
        seen = set()

        def ended():
            seen.update(title for title in (TITLE, PROXY_PROMPT) if s.find_window(title))
            return launcher.poll() is not None
        wait_for("the /quiet run to end", ended)
        check(launcher.returncode == 2, f"/quiet: launcher exit code {launcher.returncode}")
        check(not seen, f"/quiet showed {sorted(seen)}")
        check_log(temp, [
            rf'proxy: HTTP 407 at "{s.url}" proxy 127\.0\.0\.1:{port}; a password is needed, and no prompt can be '
            r"shown in this run",
            rf"status: {failure} .*",
            r"exit: code 2",
        ])
        check(len(s.requests()) == 1, f"/quiet reached the server: {s.requests()}")
    finally:
        set_system_proxy(s, None)


# --- crash dumps and unattended runs ----------------------------------------

TRIGGERS = "launcher_e2e_triggers.exe"
DUMP_NAME = re.compile(r"quillmerex-crash-\d{8}-\d{6}-\d{3}\.dmp$")


def read_minidump(path):
    """What a minidump reader needs of the file: its signature, the ids of
    the threads it lists, and its exception stream as (thread id, code,
    address), or None without one."""
    import struct
    with open(path, "rb") as f:
        data = f.read()
    signature, _, streams, directory = struct.unpack_from("<4sIII", data, 0)
    threads, exception = [], None
    for i in range(streams):
        kind, size, rva = struct.unpack_from("<III", data, directory + 12 * i)
        if kind == 3:  # ThreadListStream: MINIDUMP_THREAD of 48 bytes each
            count = struct.unpack_from("<I", data, rva)[0]
            threads = [struct.unpack_from("<I", data, rva + 4 + 48 * t)[0] for t in range(count)]
        elif kind == 6:  # ExceptionStream
            thread, _, code, _, _, address = struct.unpack_from("<IIIIQQ", data, rva)
            exception = (thread, code, address)
    return signature, threads, exception


def dumps_in(temp):
    return sorted(n for n in os.listdir(temp) if n.startswith("quillmerex-crash-"))


def clean_dumps(temp):
    for name in dumps_in(temp):
        os.remove(os.path.join(temp, name))


def free_drive_letter(s):
    """A drive letter the prefix does not use yet, lower case."""
    used = set(os.listdir(os.path.join(s.prefix, "dosdevices")))
    return next(letter for letter in "qrstuvwxy" if f"{letter}:" not in used)


def case_crash_dumps(s):
    # Each kind of crash leaves a dump of the launcher, written by a second
    # copy of it, that names the crashing thread; the log says where it
    # is, and the exit code is 3: on a thread of its own, abort(), a pure
    # virtual call and a stack overflow on the window's thread. (A crash in
    # the window procedure while the system calls it back, for a message
    # another thread sent or a paint, cannot be shown here: Wine swallows
    # it, as 64-bit Windows does for a 32-bit program, and has no policy to
    # turn that off.) Then once more from a launcher started through
    # another drive letter (a link in the prefix's dosdevices, as SUBST
    # makes one): the dump writer knows it for itself all the same.
    # Three dumps dated a day ahead are there before (the clock was wrong
    # when they were written): each dump just written stays, with the two
    # newest others by their files' times; a file that is no dump stays.
    _, temp = clean_install_state(s)
    clean_dumps(temp)
    ahead = time.time() + 86400
    old = [time.strftime("quillmerex-crash-%Y%m%d-%H%M%S", time.localtime(ahead)) + f"-00{i}.dmp" for i in range(3)]
    for i, name in enumerate(old + ["quillmerex-crash-notes.dmp"]):
        with open(os.path.join(temp, name), "wb") as f:
            f.write(b"old")
        os.utime(os.path.join(temp, name), (ahead + i, ahead + i))
    drive = free_drive_letter(s)
    link = os.path.join(s.prefix, "dosdevices", f"{drive}:")
    try:
        written = []
        runs = [(trigger, None) for trigger in ("/test-crash", "/test-abort", "/test-purecall", "/test-overflow")]
        runs.append(("/test-crash", f"{drive.upper()}:\\{TRIGGERS}"))
        for trigger, exe in runs:
            if exe:
                os.symlink(os.path.dirname(s.program(TRIGGERS)), link)
            launcher = s.launcher(program=TRIGGERS, exe=exe, args=(trigger,))
            wait_for("the launcher to end", lambda: launcher.poll() is not None, timeout=150)
            check(launcher.returncode == 3, f"{trigger} {exe}: launcher exit code {launcher.returncode}")
            texts = log_texts(temp)
            thread = int(next(t for t in reversed(texts) if t.startswith(f"test: {trigger} on thread ")).split()[-1])
            crash = re.fullmatch(r"crash: code 0x([0-9A-F]{8}), address 0x([0-9A-F]{16}), dump (.*\\)(.*)", texts[-2])
            check(crash, f"{trigger} {exe}: no crash line with a dump before the exit: {texts[-3:]}")
            check(texts[-1] == "exit: code 3", f"{trigger}: last line {texts[-1]!r}")
            check(DUMP_NAME.match(crash.group(4)), f"dump name {crash.group(4)}")
            signature, threads, exception = read_minidump(os.path.join(temp, crash.group(4)))
            check(signature == b"MDMP", f"{trigger}: signature {signature!r}")
            check(exception is not None, f"{trigger}: the dump has no exception stream")
            check(exception[0] == thread and thread in threads,
                  f"{trigger}: the dump names thread {exception[0]}, the crash was on {thread} (threads {threads})")
            check((exception[1], exception[2]) == (int(crash.group(1), 16), int(crash.group(2), 16)),
                  f"{trigger}: the dump's exception {exception} is not the logged one {crash.groups()}")
            written.append(crash.group(4))
    finally:
        if os.path.lexists(link):
            os.remove(link)
    codes = [int(re.search(r"code 0x(\w+)", t).group(1), 16) for t in log_texts(temp) if t.startswith("crash:")]
    check(codes == [0xC0000005, 0x40000015, 0xE0000001, 0xC00000FD, 0xC0000005], f"crash codes {codes}")
    check(dumps_in(temp) == sorted([written[-1]] + old[1:] + ["quillmerex-crash-notes.dmp"]),
          f"dumps kept: {dumps_in(temp)}, written {written}")
    clean_dumps(temp)


def case_hang_dump(s):
    # The window's thread stops handling messages for 20 s: after 15 s the
    # watchdog writes a dump and a hang line, and the launcher goes on.
    _, temp = clean_install_state(s)
    clean_dumps(temp)
    launcher = s.launcher(program=TRIGGERS, args=("/test-hang",))

    def hang_line():
        try:
            return next((t for t in log_texts(temp) if t.startswith("hang:")), None)
        except (Failure, OSError):
            return None
    line = wait_for("the hang line", hang_line, timeout=120)
    match = re.fullmatch(r"hang: the window has not answered for 15 s, dump (.*\\)(.*)", line)
    check(match, f"hang line {line!r}")
    check(launcher.poll() is None, "the launcher ended after its hang")
    texts = log_texts(temp)
    thread = int(next(t for t in texts if t.startswith("test: /test-hang on thread ")).split()[-1])
    signature, threads, _ = read_minidump(os.path.join(temp, match.group(2)))
    check(signature == b"MDMP", f"signature {signature!r}")
    check(thread in threads, f"the hung thread {thread} is not in the dump's threads {threads}")
    # The window answers again and works as before.
    window = s.window(TITLE)
    painted(s, window, BODY_PIXEL)
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"launcher exit code {launcher.returncode}")
    check(sum(t.startswith("hang:") for t in log_texts(temp)) == 1, "more than one hang line for one hang")
    clean_dumps(temp)


def case_unattended_road(s):
    # /passive: the road runs without a click, the window shows, and the
    # launcher ends with 0 once the game has started. /quiet: the same with
    # no window at all, the log where /log= says, an unknown switch logged.
    local, temp = clean_install_state(s)
    s.server("--rate", "300000")
    launcher = s.launcher(args=("/passive",))
    s.window(TITLE)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 0, f"/passive: launcher exit code {launcher.returncode}")
    check_log(temp, [r"start-up: unattended \(/passive\), the window shown",
                     r"status: 开始下载\.\.\. \(unattended run\)",
                     r"game: started, shell result \d+: .*\\Marnholt\\game\.exe", r"exit: code 0"])
    game = wait_for("the game's window", lambda: s.find_window(GAME_TITLE))
    subprocess.run(["xdotool", "windowfocus", game, "key", "space"], capture_output=True)
    wait_for("the game to close", lambda: s.find_window(GAME_TITLE) is None)

    local, temp = clean_install_state(s)
    log_folder = os.path.join(s.work, "logs here")
    os.makedirs(log_folder)
    log_file = os.path.join(log_folder, "run.log")
    windows_log = s.run_wine("winepath.exe", "-w", log_file).strip()
    launcher = s.launcher(args=("/quiet", f"/log={windows_log}", "/restart"))
    seen = False
    while launcher.poll() is None:
        seen = seen or s.find_window(TITLE) is not None
        time.sleep(0.1)
    check(launcher.returncode == 0, f"/quiet: launcher exit code {launcher.returncode}")
    check(not seen, "/quiet showed the window")
    check(os.path.exists(os.path.join(local, "Orvantis", "Marnholt", "game.exe")), "/quiet installed no game")
    check(not os.path.exists(os.path.join(temp, "quillmerex.log")), "/quiet with /log= logged in TMP")
    check_log(temp, [r"start: quillmerex .*", r'start-up: unattended \(/quiet\), nothing shown',
                     r'start-up: unknown switch "/restart" ignored',
                     r"game: started, shell result \d+: .*", r"exit: code 0"], path=log_file)
    game = wait_for("the game's window", lambda: s.find_window(GAME_TITLE))
    subprocess.run(["xdotool", "windowfocus", game, "key", "space"], capture_output=True)


def server_again(s, *args, **kwargs):
    """The package server once more on the case's port, which the server
    before may hold a moment longer (its last connection closing)."""
    deadline = time.monotonic() + 30
    while True:
        try:
            return s.server(*args, **kwargs)
        except Failure:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.5)


def case_unattended_exit_codes(s):
    # /quiet runs that end on their own with the code of what failed: the
    # package is gone (2), the installer's digest is refused (5), the
    # installer fails (6); and a /passive run whose window is closed before
    # the road's end (8).
    def run(program, expected, *log_lines, args=("/quiet",)):
        launcher = s.launcher(program=program, args=args)
        wait_for("the launcher to exit", lambda: launcher.poll() is not None)
        check(launcher.returncode == expected, f"{program}: exit code {launcher.returncode}, not {expected}")
        check_log(temp, [*log_lines, rf"exit: code {expected}"])

    # With a log file that cannot be opened the log stays in TMP and says so.
    _, temp = clean_install_state(s)
    server = s.server("--not-found")
    run("launcher_e2e.exe", 2, r'start-up: the log file "C:\\no such folder\\run\.log" cannot be opened; '
        r"the log is here instead", r"status: 连接异常,错误代码：404 .*",
        args=("/quiet", r"/log=C:\no such folder\run.log"))
    server.terminate()
    server.wait()

    _, temp = clean_install_state(s)
    release = os.path.join(s.work, "release")
    server = server_again(s, "--hold-after", "1000", "--release", release)
    launcher = s.launcher(args=("/passive",))
    window = s.window(TITLE)
    wait_for("the download", lambda: s.requests())
    s.click(window, CLOSE_BUTTON)
    wait_for("the launcher to exit", lambda: launcher.poll() is not None)
    check(launcher.returncode == 8, f"closed mid-road: exit code {launcher.returncode}")
    check_log(temp, [r"status: 强制退出 .*", r"exit: code 8"])
    with open(release, "w"):
        pass
    server.terminate()
    server.wait()

    _, temp = clean_install_state(s)
    server = server_again(s, "--file", changed_installer(s))
    run("launcher_e2e_pinned.exe", 5, r"status: 安装包校验失败 .*")
    server.terminate()
    server.wait()

    # A file where the demo installer makes its folder: it cannot install.
    local, temp = clean_install_state(s)
    blocker = os.path.join(local, "Orvantis")
    with open(blocker, "w"):
        pass
    try:
        server_again(s)
        run("launcher_e2e.exe", 6, r"installer: exit code 1", r"status: 安装未完成 \(install failed\)")
    finally:
        os.remove(blocker)


CASES = {
    "crash_dumps": case_crash_dumps,
    "hang_dump": case_hang_dump,
    "unattended_road": case_unattended_road,
    "unattended_exit_codes": case_unattended_exit_codes,
    "length_above_4gib": case_length_above_4gib,
    "page_as_installer": case_page_as_installer,
    "trickle": case_trickle,
    "line_rate_pinned": case_line_rate_pinned,
    "installer_4_5_gib": case_installer_4_5_gib,
    "installer_4_5_gib_closed": case_installer_4_5_gib_closed,
    "proxy_password": case_proxy_password,
    "dpi_change": case_dpi_change,
    "accessible": case_accessible,
    "one_instance": case_one_instance,
    "keyboard": case_keyboard,
    "dpi": case_dpi,
    "whole_road": case_whole_road,
    "server_down": case_server_down,
    "not_found": case_not_found,
    "window_shape": case_window_shape,
    "about": case_about,
    "manifest_road": case_manifest_road,
    "local_trial": case_local_trial,
    "manifest_channel": case_manifest_channel,
    "self_update": case_self_update,
    "self_update_refused": case_self_update_refused,
    "self_update_read_only": case_self_update_read_only,
    "self_update_quiet": case_self_update_quiet,
    "self_update_new_key": case_self_update_new_key,
    "publisher_skin": case_publisher_skin,
    "gdiplus_missing": case_gdiplus_missing,
    "empty_configuration": case_empty_configuration,
    "planted_dlls": case_planted_dlls,
    "pinned_installer": case_pinned_installer,
    "pinned_installer_changed": case_pinned_installer_changed,
    "resume_after_restart": case_resume_after_restart,
    "resume_after_change": case_resume_after_change,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--build", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    artifacts = os.path.join(args.artifacts, args.case)
    os.makedirs(artifacts, exist_ok=True)
    session = Session(os.path.abspath(args.build), artifacts)
    try:
        # Every case at 96 DPI unless it says otherwise, also after a DPI
        # case that was cut short.
        session.set_dpi(96)
        CASES[args.case](session)
    except Failure as failure:
        print(f"FAILED {args.case}: {failure}", file=sys.stderr)
        try:
            session.screenshot("failure")
        except Exception:  # the screenshot is only a help
            pass
        return 1
    finally:
        session.close()
    print(f"passed {args.case}; screenshots in {artifacts}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
