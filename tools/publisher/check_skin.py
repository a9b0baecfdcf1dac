#!/usr/bin/env python3
"""Checks a skin folder before its pictures are compiled into the launcher.

    python3 tools/publisher/check_skin.py SKIN_FOLDER

A skin holds the same files as resources/skin/: seven PNG pictures and the
program's icon. Each problem is reported on one line that names the file:

    SKIN/220.png: error: missing
    SKIN/205.png: error: not a PNG picture
    SKIN/220.png: error: 590x222; the background must be 630 pixels wide ...
    SKIN/220.png: error: the background has no alpha channel; ...

Exit code 0 when every file can be used, 1 otherwise. Needs only Python 3's
standard library.
"""
import os
import struct
import sys
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"

# The window and where the screen layout puts things (app/ScreenLayout.cpp).
WINDOW_WIDTH = 630
BANNER_TOP = 40           # the banner starts below the title row
INSTALL_BUTTON_TOP = 288  # and must end above the install button
NAME_LEFT = 38            # the game's name, right of the symbol at x 20
SYMBOL_LEFT, SYMBOL_TOP = 20, 16
BUTTON_TOP = 8            # close and minimise, above the banner
PERCENT_RIGHT = 118       # the percentage ends at the track's width + 118
TRACK_TOP, STATUS_TOP = 328, 342
LAST_ROW = 358            # the status line's bottom: the lowest element


def frame_buttons(name, what):
    def check(w, h, _sizes):
        if w % 4 != 0:
            return f"{w}x{h}; the {what} button is four frames side by side (normal, hover, pressed, " \
                   f"disabled), so its width must be a multiple of 4"
        if h > BANNER_TOP - BUTTON_TOP or w // 4 > BANNER_TOP - BUTTON_TOP:
            return f"{w}x{h}; each of the {what} button's four frames must be at most " \
                   f"{BANNER_TOP - BUTTON_TOP}x{BANNER_TOP - BUTTON_TOP} to fit the title row"
        return None
    return check


def background(w, h, _sizes):
    if w != WINDOW_WIDTH or h < LAST_ROW:
        return f"{w}x{h}; the background must be {WINDOW_WIDTH} pixels wide (the window's width) and at " \
               f"least {LAST_ROW} high (the status line ends there)"
    return None


def banner(w, h, _sizes):
    if w > WINDOW_WIDTH or h > INSTALL_BUTTON_TOP - BANNER_TOP:
        return f"{w}x{h}; the banner must be at most {WINDOW_WIDTH}x{INSTALL_BUTTON_TOP - BANNER_TOP} " \
               f"(it starts at row {BANNER_TOP} and must end above the install button at row " \
               f"{INSTALL_BUTTON_TOP})"
    return None


def symbol(w, h, _sizes):
    if w > NAME_LEFT - SYMBOL_LEFT or h > BANNER_TOP - SYMBOL_TOP:
        return f"{w}x{h}; the symbol must be at most {NAME_LEFT - SYMBOL_LEFT}x{BANNER_TOP - SYMBOL_TOP} " \
               f"to stay left of the game's name and above the banner"
    return None


def track(w, h, _sizes):
    widest = WINDOW_WIDTH - PERCENT_RIGHT
    if w > widest or h > STATUS_TOP - TRACK_TOP:
        return f"{w}x{h}; the progress track must be at most {widest}x{STATUS_TOP - TRACK_TOP} (the " \
               f"percentage follows it within the window, the status line is below it)"
    return None


def bar(w, h, sizes):
    if "229.png" in sizes and sizes["229.png"] != (w, h):
        tw, th = sizes["229.png"]
        return f"{w}x{h}; the progress fill must be the size of the track 229.png, {tw}x{th}"
    return None


# File, what it is, its size rule, whether it must have an alpha channel.
PICTURES = [
    ("220.png", "background", background, True),
    ("205.png", "banner", banner, False),
    ("204.png", "symbol", symbol, False),
    ("215.png", "close button", frame_buttons("215.png", "close"), False),
    ("226.png", "minimise button", frame_buttons("226.png", "minimise"), False),
    ("229.png", "progress track", track, False),
    ("228.png", "progress fill", bar, False),
]
ICON = "107.ico"


def read_png(data):
    """(width, height, has alpha) of a whole, readable PNG; None if it is not."""
    if not data.startswith(PNG_SIGNATURE):
        return None
    p, chunks, idat = len(PNG_SIGNATURE), [], b""
    while p + 12 <= len(data):
        length, kind = struct.unpack(">I4s", data[p:p + 8])
        body = data[p + 8:p + 8 + length]
        if len(body) != length or p + 12 + length > len(data):
            return None
        (crc,) = struct.unpack(">I", data[p + 8 + length:p + 12 + length])
        if zlib.crc32(kind + body) != crc:
            return None
        chunks.append(kind)
        if kind == b"IDAT":
            idat += body
        p += 12 + length
        if kind == b"IEND":
            break
    if not chunks or chunks[0] != b"IHDR" or chunks[-1] != b"IEND" or not idat:
        return None
    width, height, _depth, colour = struct.unpack(">IIBB", data[16:26])
    try:
        zlib.decompress(idat)
    except zlib.error:
        return None
    alpha = colour in (4, 6) or b"tRNS" in chunks
    return width, height, alpha


def is_icon(data):
    """An icon file with at least one image whose data lies inside the file."""
    if len(data) < 6:
        return False
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind != 1 or count == 0 or len(data) < 6 + 16 * count:
        return False
    for i in range(count):
        size, offset = struct.unpack("<II", data[6 + 16 * i + 8:6 + 16 * i + 16])
        if size == 0 or offset + size > len(data):
            return False
    return True


def check(folder):
    problems = []
    sizes = {}
    readable = {}
    for name, what, _rule, _alpha in PICTURES:
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            problems.append(f"{path}: error: missing (the {what})")
            continue
        with open(path, "rb") as f:
            info = read_png(f.read())
        if info is None:
            problems.append(f"{path}: error: not a PNG picture, or a damaged one (the {what})")
            continue
        readable[name] = info
        sizes[name] = info[:2]
    for name, what, rule, needs_alpha in PICTURES:
        if name not in readable:
            continue
        path = os.path.join(folder, name)
        width, height, alpha = readable[name]
        why = rule(width, height, sizes)
        if why:
            problems.append(f"{path}: error: {why}")
        elif needs_alpha and not alpha:
            problems.append(f"{path}: error: the {what} has no alpha channel; the window's shape is cut "
                            f"from it (save it as RGBA, transparent where the window has no pixels)")
    path = os.path.join(folder, ICON)
    if not os.path.isfile(path):
        problems.append(f"{path}: error: missing (the program's icon)")
    else:
        with open(path, "rb") as f:
            if not is_icon(f.read()):
                problems.append(f"{path}: error: not an icon file (.ico) (the program's icon)")
    return problems


def main(argv):
    if len(argv) != 2:
        print("usage: check_skin.py SKIN_FOLDER", file=sys.stderr)
        return 2
    problems = check(argv[1])
    for line in problems:
        print(line)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
