#!/usr/bin/python3
"""Writes the test skin of tests/e2e/skin: every picture of the launcher's
skin in plain colours far from the shipped ones, at the shipped sizes, so an
end-to-end test can tell from a screenshot which skin a launcher shows.

    /usr/bin/python3 tests/e2e/make_test_skin.py [--out DIR]
"""
import argparse
import os
import struct

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))

BACKGROUND = (150, 40, 60)   # the window's body
BANNER = (30, 140, 90)
SYMBOL = (240, 210, 30)
BUTTON = (90, 90, 200)
TRACK = (230, 200, 20)
FILL = (20, 200, 230)


def solid(size, colour, mode="RGB"):
    return Image.new(mode, size, colour + ((255,) if mode == "RGBA" else ()))


def background():
    """630x493, the top 400 rows opaque, the rest transparent (cut away)."""
    image = Image.new("RGBA", (630, 493), (0, 0, 0, 0))
    image.paste(solid((630, 400), BACKGROUND, "RGBA"), (0, 0))
    return image


def write_ico(path, colour, sizes=(16, 32)):
    """An icon with 32-bit bitmap entries of one colour."""
    entries, blobs = [], []
    offset = 6 + 16 * len(sizes)
    for n in sizes:
        pixels = bytes((colour[2], colour[1], colour[0], 255)) * (n * n)
        mask = bytes(((n + 31) // 32 * 4) * n)
        header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
        blob = header + pixels + mask
        entries.append(struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(sizes)) + b"".join(entries) + b"".join(blobs))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", default=os.path.join(HERE, "skin"))
    out = parser.parse_args().out
    os.makedirs(out, exist_ok=True)
    pictures = {
        "220.png": background(),
        "205.png": solid((590, 222), BANNER),
        "204.png": solid((12, 11), SYMBOL, "RGBA"),
        "215.png": solid((100, 25), BUTTON, "RGBA"),
        "226.png": solid((100, 25), BUTTON, "RGBA"),
        "229.png": solid((468, 3), TRACK, "RGBA"),
        "228.png": solid((468, 3), FILL, "RGBA"),
    }
    for name, image in pictures.items():
        image.save(os.path.join(out, name), optimize=True)
    write_ico(os.path.join(out, "107.ico"), SYMBOL)


if __name__ == "__main__":
    main()
