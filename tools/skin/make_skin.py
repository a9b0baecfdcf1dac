#!/usr/bin/python3
"""Draws the launcher's skin artwork from scratch.

Every image the launcher's window uses (background, banner, title-bar
buttons, progress bar, emblem and program icon) is painted here with Pillow,
so the artwork can be rebuilt and reviewed like the rest of the source.

Run:  /usr/bin/python3 tools/skin/make_skin.py [--out DIR]

The output is deterministic: the only randomness comes from generators with
fixed seeds, and PNG files are written without any date or text chunks, so a
rebuild with the same Pillow/FreeType gives the same bytes.
"""

import argparse
import io
import math
import os
import random
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.normpath(os.path.join(HERE, "..", "..", "resources", "skin"))

CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
SERIF_BOLD = "/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf"

GAME_TITLE_CN = "奥凡蒂斯"
GAME_TITLE_EN = "ORVANTIS"

BOX = Image.Resampling.BOX

# Window geometry the artwork has to fit.
WINDOW_W, WINDOW_H = 630, 400
BACKGROUND_H = 493          # the background bitmap is taller than the window
CORNER_RADIUS = 6
BANNER_W, BANNER_H = 590, 222
BUTTON = 25                 # title-bar buttons are square frames
PROGRESS_W, PROGRESS_H = 468, 3
PROGRESS_TRACK = (39, 41, 55)
PROGRESS_FILL = (16, 114, 255)

# Pixels per design pixel of the set being drawn: 1 for the pictures the
# window shows at 100 %, 2 for the set it shows (scaled down) above that.
# Every size, coordinate, blur radius and offset below is in design pixels
# and goes through K, so the 200 % set is drawn afresh rather than enlarged.
K = 1


# ---------------------------------------------------------------- helpers

def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return tuple(int(round(lerp(x, y, t))) for x, y in zip(c1, c2))


def clamp01(t):
    return 0.0 if t < 0 else 1.0 if t > 1 else t


def smoothstep(e0, e1, x):
    t = clamp01((x - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def stops_at(stops, y):
    """Colour at position y along a list of (position, colour) stops."""
    if y <= stops[0][0]:
        return stops[0][1]
    for (y0, c0), (y1, c1) in zip(stops, stops[1:]):
        if y <= y1:
            return mix(c0, c1, smoothstep(0.0, 1.0, (y - y0) / (y1 - y0)))
    return stops[-1][1]


def vgradient(w, h, stops):
    col = Image.new("RGB", (1, h * K))
    col.putdata([stops_at(stops, y / K) for y in range(h * K)])
    return col.resize((w * K, h * K), Image.Resampling.NEAREST)


def solid(size, color):
    return Image.new("RGB", size, color)


def canvas(mode, size, fill=0):
    """A new image of a size given in design pixels."""
    return Image.new(mode, (size[0] * K, size[1] * K), fill)


def shift(img, dx, dy):
    return ImageChops.offset(img, dx * K, dy * K)


def blur(radius):
    return ImageFilter.GaussianBlur(radius * K)


def grow(size):
    """A maximum filter as wide as size design pixels (an odd number)."""
    return ImageFilter.MaxFilter(2 * (size // 2) * K + 1)


def paint(base, color, mask):
    """Paints colour through an L mask (normal blending)."""
    return Image.composite(solid(base.size, color), base, mask)


def paint_image(base, layer, mask):
    return Image.composite(layer, base, mask)


def light(base, color, mask):
    """Adds light of the given colour through an L mask (screen blending)."""
    layer = ImageChops.multiply(solid(base.size, color), mask.convert("RGB"))
    return ImageChops.screen(base, layer)


def scale_mask(mask, factor):
    return mask.point(lambda v: int(v * factor + 0.5))


def field_mask(w, h, fn):
    """L mask whose value at (x, y) is fn(x, y) in 0..1."""
    m = Image.new("L", (w * K, h * K))
    m.putdata([int(255 * clamp01(fn(x / K, y / K)) + 0.5) for y in range(h * K) for x in range(w * K)])
    return m


def supersampled(size, draw_fn, ss=4):
    """L mask drawn at ss times the size and averaged down (anti-aliasing).

    draw_fn(draw, ss) draws in white using coordinates multiplied by ss.
    """
    w, h = size
    big = Image.new("L", (w * K * ss, h * K * ss), 0)
    draw_fn(ImageDraw.Draw(big), ss * K)
    return big.resize((w * K, h * K), BOX)


def save_png(img, path):
    # No pnginfo is passed, so no date or text chunks are written.
    img.save(path, "PNG", optimize=True)


def save_jpeg(img, path):
    # No EXIF or comment is written; the same encoder gives the same bytes.
    # Colour at half the resolution of brightness (4:2:0): the 200 % banner
    # keeps every edge of the 100 % one in its colour and all of its own in
    # brightness, for 23 % fewer bytes (a landscape, no text).
    img.save(path, "JPEG", quality=85, subsampling=2, optimize=True)


class Noise1D:
    """Fractal value noise along one axis, for mountain ridges."""

    def __init__(self, rng, octaves=5, base_period=160.0, persistence=0.5):
        self.octaves = []
        period, amp = base_period, 1.0
        for _ in range(octaves):
            values = [rng.random() * 2 - 1 for _ in range(int(BANNER_W / period) + 3)]
            self.octaves.append((period, amp, values))
            period /= 2.0
            amp *= persistence
        self.norm = sum(a for _, a, _ in self.octaves)

    def __call__(self, x):
        total = 0.0
        for period, amp, values in self.octaves:
            u = x / period
            i = int(math.floor(u))
            f = u - i
            f = f * f * (3 - 2 * f)
            n = len(values)
            total += amp * lerp(values[i % n], values[(i + 1) % n], f)
        return total / self.norm


# ---------------------------------------------------------------- 204: emblem

def make_emblem():
    """12x11 faceted gem, light grey, used beside the game's name."""
    w, h, ss = 12, 11, 8
    # Gem outline: flat table on top, girdle, point at the bottom.
    table_y, girdle_y, tip_y = 1.0, 4.2, 10.4
    outline = [(3.2, table_y), (8.8, table_y), (11.6, girdle_y), (6.0, tip_y), (0.4, girdle_y)]
    crown_l = [(3.2, table_y), (6.0, table_y), (4.2, girdle_y), (0.4, girdle_y)]
    crown_r = [(6.0, table_y), (8.8, table_y), (11.6, girdle_y), (7.8, girdle_y)]

    def shape(points):
        return lambda d, s: d.polygon([(x * s, y * s) for x, y in points], fill=255)

    alpha = supersampled((w, h), shape(outline), ss)
    left = supersampled((w, h), shape(crown_l), ss)
    right = supersampled((w, h), shape(crown_r), ss)
    pavilion_l = supersampled((w, h), shape([(0.4, girdle_y), (6.0, girdle_y), (6.0, tip_y)]), ss)

    grey = canvas("L", (w, h), 178)                       # lower right facet
    grey = Image.composite(canvas("L", (w, h), 204), grey, pavilion_l)
    grey = Image.composite(canvas("L", (w, h), 236), grey, left)
    grey = Image.composite(canvas("L", (w, h), 214), grey, right)
    return Image.merge("LA", (grey, alpha))


# ---------------------------------------------------------------- buttons

def _button_strip(glyph_fn):
    """Four 25x25 frames: normal, hover, pressed, disabled."""
    ss = 8
    glyph = supersampled((BUTTON, BUTTON), glyph_fn, ss)
    glyph_down = shift(glyph, 0, 1)

    def plate(alpha):
        m = supersampled((BUTTON, BUTTON),
                         lambda d, s: d.rounded_rectangle(
                             (1 * s, 1 * s, 24 * s - 1, 24 * s - 1), radius=4 * s, fill=255), ss)
        return scale_mask(m, alpha / 255.0)

    frames = []
    # (plate colour, plate alpha, glyph colour, glyph alpha scale, pressed)
    looks = [
        ((255, 255, 255), 0, (150, 152, 160), 1.0, False),     # normal
        ((255, 255, 255), 34, (240, 240, 242), 1.0, False),    # hover
        ((0, 0, 0), 80, (196, 198, 204), 1.0, True),           # pressed
        ((255, 255, 255), 0, (78, 80, 88), 0.85, False),       # disabled
    ]
    for plate_rgb, plate_a, glyph_rgb, glyph_scale, pressed in looks:
        g = glyph_down if pressed else glyph
        g = scale_mask(g, glyph_scale)
        p = plate(plate_a)
        # Glyph over plate, both un-premultiplied: out_a = g + p(1-g).
        frame = canvas("RGBA", (BUTTON, BUTTON), plate_rgb + (0,))
        frame.putalpha(p)
        top = canvas("RGBA", (BUTTON, BUTTON), glyph_rgb + (0,))
        top.putalpha(g)
        frames.append(Image.alpha_composite(frame, top))

    strip = canvas("RGBA", (BUTTON * 4, BUTTON), (0, 0, 0, 0))
    for i, f in enumerate(frames):
        strip.paste(f, (i * BUTTON * K, 0))
    return strip


def make_close_button():
    def cross(d, s):
        a, b, width = 8.4, 16.6, 1.6
        d.line([(a * s, a * s), (b * s, b * s)], fill=255, width=int(width * s))
        d.line([(a * s, b * s), (b * s, a * s)], fill=255, width=int(width * s))
    return _button_strip(cross)


def make_minimise_button():
    def bar(d, s):
        d.rectangle((8 * s, 12 * s, 17 * s - 1, 14 * s - 1), fill=255)
    return _button_strip(bar)


# ---------------------------------------------------------------- progress bar

def make_progress(color):
    return canvas("RGBA", (PROGRESS_W, PROGRESS_H), color + (255,))


# ---------------------------------------------------------------- 220: window background

def make_background():
    w, h = WINDOW_W, WINDOW_H
    body = vgradient(w, h, [(0, (40, 41, 47)), (60, (35, 36, 42)),
                            (300, (31, 32, 37)), (h - 1, (27, 28, 33))])

    # A faint lift of light around the install button area below the banner.
    glow = field_mask(w, h, lambda x, y: 0.06 * max(
        0.0, 1 - ((x - 315) / 300.0) ** 2 - ((y - 300) / 90.0) ** 2))
    body = light(body, (120, 130, 170), glow)

    # One-pixel frame so the borderless window reads against dark desktops,
    # with a slightly brighter top edge.
    ss = 4
    outer = supersampled((w, h), lambda d, s: d.rounded_rectangle(
        (0, 0, w * s - 1, h * s - 1), radius=CORNER_RADIUS * s, fill=255), ss)
    inner = supersampled((w, h), lambda d, s: d.rounded_rectangle(
        (1 * s, 1 * s, (w - 1) * s - 1, (h - 1) * s - 1),
        radius=(CORNER_RADIUS - 1) * s, fill=255), ss)
    ring = ImageChops.subtract(outer, inner)
    frame_col = vgradient(w, h, [(0, (74, 76, 86)), (40, (54, 55, 63)), (h - 1, (46, 47, 54))])
    body = paint_image(body, frame_col, ring)

    # Corner shape: a pixel belongs to the window when its centre lies inside
    # the rounded rectangle, so the edge is hard (alpha 0 or 255) and the
    # same shape works as a window region.
    alpha = canvas("L", (w, h), 255)
    px = alpha.load()
    r = CORNER_RADIUS * K
    pw, ph = w * K, h * K
    for cy in range(r):
        for cx in range(r):
            dx, dy = r - (cx + 0.5), r - (cy + 0.5)
            if dx * dx + dy * dy > r * r:
                for x, y in ((cx, cy), (pw - 1 - cx, cy), (cx, ph - 1 - cy), (pw - 1 - cx, ph - 1 - cy)):
                    px[x, y] = 0

    img = body.convert("RGBA")
    img.putalpha(alpha)
    out = canvas("RGBA", (w, BACKGROUND_H), (0, 0, 0, 0))
    out.paste(img, (0, 0))
    return out


# ---------------------------------------------------------------- 205: banner

def _ridge(noise, peaks, x, base, amp):
    """Ridge height: rolling noise plus sharp, ridged peaks."""
    sharp = 1.0 - abs(peaks(x))
    return base - amp * (0.55 * noise(x) + 1.1 * (sharp * sharp - 0.45))


def _castle_mask(size, cx, gy, ss=4):
    """Silhouette of the castle standing on its crag; (cx, gy) is its foot."""

    def draw(d, s):
        def rect(x0, y0, x1, y1):
            d.rectangle((x0 * s, y0 * s, x1 * s - 1, y1 * s - 1), fill=255)

        def poly(points):
            d.polygon([(x * s, y * s) for x, y in points], fill=255)

        def merlons(x0, x1, y, step=4, width=2, height=2):
            x = x0
            while x + width <= x1:
                rect(x, y - height, x + width, y)
                x += step

        def tower(x0, x1, top, roof, flag=False):
            rect(x0, top, x1, gy + 2)
            # roof overhangs by a pixel on each side
            poly([(x0 - 1, top), (x1 + 1, top), ((x0 + x1) / 2.0, top - roof)])
            if flag:
                tip = top - roof
                rect((x0 + x1) / 2.0 - 0.3, tip - 7, (x0 + x1) / 2.0 + 0.3, tip)
                poly([((x0 + x1) / 2.0 + 0.3, tip - 7), ((x0 + x1) / 2.0 + 5, tip - 5.6),
                      ((x0 + x1) / 2.0 + 0.3, tip - 4.4)])

        # curtain wall
        rect(cx - 42, gy - 20, cx + 40, gy + 2)
        merlons(cx - 42, cx + 40, gy - 20)
        # great hall roof
        poly([(cx - 30, gy - 20), (cx - 4, gy - 20), (cx - 10, gy - 31), (cx - 24, gy - 31)])
        # keep
        rect(cx - 14, gy - 46, cx + 12, gy - 18)
        merlons(cx - 14, cx + 12, gy - 46, step=4)
        # towers
        tower(cx - 48, cx - 38, gy - 38, 16)
        tower(cx - 27, cx - 21, gy - 44, 12)
        tower(cx - 6, cx + 5, gy - 62, 22, flag=True)
        tower(cx + 14, cx + 20, gy - 52, 11)
        tower(cx + 32, cx + 42, gy - 32, 14)
        # buttress spur stepping down the crag
        poly([(cx + 42, gy - 6), (cx + 56, gy + 4), (cx + 42, gy + 6)])

    return supersampled(size, draw, ss)


def _castle_windows(cx, gy):
    """Lit windows as (x, y, w, h) in banner pixels."""
    return [
        (cx - 44, gy - 30, 1, 2), (cx - 24, gy - 36, 1, 2), (cx - 1, gy - 54, 1, 2),
        (cx - 1, gy - 44, 1, 2), (cx - 9, gy - 34, 1, 2), (cx + 6, gy - 34, 1, 2),
        (cx + 16, gy - 44, 1, 2), (cx + 36, gy - 24, 1, 2), (cx - 33, gy - 12, 1, 2),
        (cx - 20, gy - 12, 1, 2), (cx + 22, gy - 12, 1, 2), (cx - 2, gy - 26, 2, 3),
    ]


def _title_layer(size):
    """Gold title with outline, shadow and glow; returns (rgb, alpha)."""
    w, h = size
    cn_font = ImageFont.truetype(CJK_FONT, 66 * K, index=0)
    en_font = ImageFont.truetype(SERIF_BOLD, 19 * K)

    # Glyphs are placed one by one so the spacing can be opened up a little.
    cx, top = 178, 44
    # Glyph advances and boxes below are in pixels of the set being drawn.
    spacing = 6 * K
    advances = [cn_font.getlength(ch) for ch in GAME_TITLE_CN]
    total = sum(advances) + spacing * (len(advances) - 1)
    x = cx * K - total / 2.0

    text = canvas("L", (w, h), 0)
    d = ImageDraw.Draw(text)
    for ch, adv in zip(GAME_TITLE_CN, advances):
        d.text((x, top * K), ch, font=cn_font, fill=255)
        x += adv + spacing
    bbox = text.getbbox()
    stroke = text.filter(grow(5))
    stroke_outer = stroke.filter(grow(3))

    en_spacing = 7 * K
    en_adv = [en_font.getlength(ch) for ch in GAME_TITLE_EN]
    en_total = sum(en_adv) + en_spacing * (len(en_adv) - 1)
    en_y = bbox[3] + 12 * K
    ex = cx * K - en_total / 2.0
    en = canvas("L", (w, h), 0)
    de = ImageDraw.Draw(en)
    for ch, adv in zip(GAME_TITLE_EN, en_adv):
        de.text((ex, en_y), ch, font=en_font, fill=255)
        ex += adv + en_spacing
    en_box = en.getbbox()

    # Rules either side of the Latin name, ending in small diamonds.
    deco = supersampled(size, lambda dr, s: _rules(dr, s, cx, (en_box[1] + en_box[3]) / 2.0 / K,
                                                   en_total / 2.0 / K + 12, 58), 4)

    # Fill: pale cream at the top of the glyphs, gold, deep amber at the foot.
    t0, t1 = bbox[1] / K, bbox[3] / K
    fill = vgradient(w, h, [(t0, (255, 249, 226)), (t0 + (t1 - t0) * 0.42, (246, 208, 120)),
                            (t0 + (t1 - t0) * 0.58, (226, 166, 70)), (t1, (170, 92, 36))])
    # A thin bright line along the upper edge of each stroke, like a bevel.
    bevel = ImageChops.subtract(text, shift(text, 0, 2))
    fill = light(fill, (255, 240, 200), scale_mask(bevel, 0.55))

    rgb = canvas("RGB", size, (0, 0, 0))
    alpha = canvas("L", size, 0)

    # glow
    glow = stroke_outer.filter(blur(9))
    glow = scale_mask(glow, 0.85)
    rgb = paint(rgb, (255, 140, 50), glow)
    alpha = ImageChops.lighter(alpha, glow)
    # drop shadow
    shadow = shift(stroke_outer, 2, 3).filter(blur(2))
    rgb = paint(rgb, (20, 8, 10), shadow)
    alpha = ImageChops.lighter(alpha, shadow)
    # dark outline, then a thin warm inner outline
    rgb = paint(rgb, (38, 16, 14), stroke_outer)
    alpha = ImageChops.lighter(alpha, stroke_outer)
    rgb = paint(rgb, (120, 58, 22), stroke)
    # glyph fill
    rgb = paint_image(rgb, fill, text)

    # Latin name and rules
    en_all = ImageChops.lighter(en, deco)
    en_shadow = shift(en_all.filter(grow(3)), 1, 1).filter(blur(1))
    rgb = paint(rgb, (16, 8, 14), en_shadow)
    alpha = ImageChops.lighter(alpha, scale_mask(en_shadow, 0.9))
    en_glow = en_all.filter(blur(4))
    rgb = light(rgb, (200, 110, 40), scale_mask(en_glow, 0.6))
    alpha = ImageChops.lighter(alpha, scale_mask(en_glow, 0.5))
    rgb = paint(rgb, (240, 222, 176), en_all)
    alpha = ImageChops.lighter(alpha, en_all)
    return rgb, alpha


def _rules(d, s, cx, cy, inner, length):
    for sign in (-1, 1):
        x0 = cx + sign * inner
        x1 = cx + sign * (inner + length)
        # the rule thins out towards its far end
        steps = 24
        for i in range(steps):
            a = x0 + (x1 - x0) * i / steps
            b = x0 + (x1 - x0) * (i + 1) / steps
            half = 0.6 * (1 - i / steps) + 0.15
            d.rectangle((min(a, b) * s, (cy - half) * s, max(a, b) * s, (cy + half) * s), fill=255)
        r = 2.6
        d.polygon([((x0 - sign * 1) * s, (cy - r) * s), ((x0 - sign * 1 + r) * s, cy * s),
                   ((x0 - sign * 1) * s, (cy + r) * s), ((x0 - sign * 1 - r) * s, cy * s)], fill=255)


def paint_banner():
    """The banner in full colour, before it is reduced to a palette."""
    w, h = BANNER_W, BANNER_H
    rng = random.Random(20240605)
    sun_x, sun_y = 414.0, 128.0

    # --- sky: night above, burning dusk at the horizon
    sky = vgradient(w, h, [(0, (8, 12, 34)), (40, (22, 24, 66)), (80, (70, 38, 100)),
                           (110, (168, 70, 100)), (134, (242, 128, 76)), (156, (255, 190, 104)),
                           (h - 1, (255, 210, 130))])
    # the dusk is warmest around the sun and cooler towards the left edge
    cool = field_mask(w, h, lambda x, y: 0.55 * smoothstep(260, 0, x) * smoothstep(60, 160, y))
    sky = paint(sky, (36, 40, 104), cool)
    halo = field_mask(w, h, lambda x, y: math.exp(-(((x - sun_x) / 170.0) ** 2 + ((y - sun_y) / 80.0) ** 2)))
    sky = light(sky, (255, 150, 80), scale_mask(halo, 0.9))
    core = field_mask(w, h, lambda x, y: math.exp(-(((x - sun_x) / 40.0) ** 2 + ((y - sun_y) / 30.0) ** 2)))
    sky = light(sky, (255, 236, 190), core)
    disc = field_mask(w, h, lambda x, y: 1.2 - math.hypot(x - sun_x, y - sun_y) / 12.0)
    sky = light(sky, (255, 250, 230), disc)

    # --- stars, fading out towards the glowing horizon
    stars = canvas("L", (w, h), 0)
    sp = stars.load()

    def plot(x, y, v):
        # one design pixel: K x K pixels
        for i in range(K):
            for j in range(K):
                sp[x * K + i, y * K + j] = max(sp[x * K + i, y * K + j], v)

    sparkles = []
    for _ in range(220):
        x = int(rng.random() * w)
        y = int(rng.random() ** 1.6 * 120)
        fade = smoothstep(125, 20, y) * (1 - math.exp(-(((x - sun_x) / 150.0) ** 2 + ((y - sun_y) / 90.0) ** 2)))
        v = int(255 * fade * (0.25 + 0.75 * rng.random() ** 2))
        plot(x, y, v)
        if v > 200 and len(sparkles) < 9:
            sparkles.append((x, y))
    ds = ImageDraw.Draw(stars)
    for x, y in sparkles:
        for k in range(1, 4):
            a = int(150 / k)
            for px_, py_ in ((x - k, y), (x + k, y), (x, y - k), (x, y + k)):
                if 0 <= px_ < w and 0 <= py_ < h:
                    plot(px_, py_, a)
    star_glow = stars.filter(blur(1.2))
    sky = light(sky, (170, 190, 255), scale_mask(star_glow, 1.6))
    sky = light(sky, (235, 240, 255), stars)

    # --- long thin clouds, lit from below near the sun
    clouds = canvas("L", (w, h), 0)
    dc = ImageDraw.Draw(clouds)
    for _ in range(26):
        cy = 70 + rng.random() * 75
        cxp = rng.random() * (w + 120) - 60
        half_w = 40 + rng.random() * 110
        half_h = 1.5 + rng.random() * 3.0
        dc.ellipse(((cxp - half_w) * K, (cy - half_h) * K, (cxp + half_w) * K, (cy + half_h) * K),
                   fill=int(90 + rng.random() * 90))
    clouds = clouds.filter(blur(3))
    lit = ImageChops.multiply(clouds, scale_mask(halo, 1.0).point(lambda v: min(255, v * 2)))
    sky = paint(sky, (54, 30, 76), scale_mask(clouds, 0.4))
    sky = light(sky, (255, 170, 100), scale_mask(lit, 1.0))

    # --- light rays fanning up from the sun
    rays = canvas("L", (w, h), 0)
    dr = ImageDraw.Draw(rays)
    for i in range(14):
        ang = math.radians(-172 + i * 11.5 + rng.random() * 6)
        spread = math.radians(1.5 + rng.random() * 2.5)
        reach = 400
        p1 = (sun_x + reach * math.cos(ang - spread), sun_y + reach * math.sin(ang - spread))
        p2 = (sun_x + reach * math.cos(ang + spread), sun_y + reach * math.sin(ang + spread))
        dr.polygon([(sun_x * K, sun_y * K), (p1[0] * K, p1[1] * K), (p2[0] * K, p2[1] * K)],
                   fill=int(60 + rng.random() * 80))
    rays = rays.filter(blur(4))
    falloff = field_mask(w, h, lambda x, y: math.exp(-math.hypot((x - sun_x) / 260.0, (y - sun_y) / 150.0) * 1.6))
    rays = ImageChops.multiply(rays, falloff)
    img = light(sky, (255, 200, 140), scale_mask(rays, 1.0))

    # --- mountain ranges, far to near; each one sits in the haze of the next
    layers = [
        # (seed, base y, amplitude, top colour, foot colour, rim strength, period)
        (11, 146, 40, (176, 100, 122), (196, 112, 110), 0.9, 110.0),
        (23, 166, 34, (104, 54, 96), (124, 64, 94), 0.8, 95.0),
        (37, 188, 26, (40, 24, 54), (52, 30, 60), 0.7, 90.0),
    ]
    castle_cx, castle_gy = 492, 140
    for idx, (seed, base, amp, top_c, foot_c, rim, period) in enumerate(layers):
        layer_rng = random.Random(seed)
        noise = Noise1D(layer_rng, base_period=period)
        peaks = Noise1D(layer_rng, octaves=4, base_period=period * 0.8, persistence=0.45)

        def ridge_at(x, noise=noise, peaks=peaks, base=base, amp=amp, idx=idx):
            y = _ridge(noise, peaks, x, base, amp)
            if idx == 2:
                # higher shoulder on the left, under the title
                y -= 16 * smoothstep(240, 0, x)
                # the crag the castle stands on: a rough plateau, then cliffs
                dx = x - castle_cx
                off = max(0.0, -dx - 50) if dx < 0 else max(0.0, dx - 48)
                crag = castle_gy + 1.5 + 1.5 * noise(x * 7) + 0.3 * off ** 1.6 + 5 * abs(noise(x * 2.5)) * min(1.0, off / 8.0)
                y = min(y, crag)
            return y

        def draw_range(d, s, ridge_at=ridge_at):
            pts = [(0, h * s)]
            for xs in range(0, w * s + 1, 2):
                pts.append((xs, ridge_at(xs / s) * s))
            pts.append((w * s, h * s))
            d.polygon(pts, fill=255)

        mask = supersampled((w, h), draw_range, 4)
        if idx == 2:
            castle = _castle_mask((w, h), castle_cx, castle_gy)
            mask = ImageChops.lighter(mask, castle)
        fill = vgradient(w, h, [(base - amp - 10, top_c), (h - 1, foot_c)])
        img = paint_image(img, fill, mask)

        # rim light along the ridge, strongest facing the sun
        edge = ImageChops.subtract(mask, shift(mask, 0, 2))
        near_sun = field_mask(w, h, lambda x, y: math.exp(-((x - sun_x) / 170.0) ** 2))
        img = light(img, (255, 170, 110), scale_mask(ImageChops.multiply(edge, near_sun), rim))

        if idx == 2:
            # the sun is low on the castle's left: light its left-hand edges
            side = ImageChops.multiply(mask, ImageChops.invert(shift(mask, 1, 0)))
            side = ImageChops.multiply(side, near_sun)
            img = light(img, (255, 150, 90), scale_mask(side, 0.45))
            # lit windows with a soft glow
            win = canvas("L", (w, h), 0)
            dw = ImageDraw.Draw(win)
            for x, y, ww, hh in _castle_windows(castle_cx, castle_gy):
                dw.rectangle((x * K, y * K, (x + ww) * K - 1, (y + hh) * K - 1), fill=255)
            img = light(img, (255, 150, 60), scale_mask(win.filter(blur(2)), 2.0))
            img = paint(img, (255, 214, 130), win)

        # haze pooling in the valleys in front of this range
        fog_top = base - 6
        fog = field_mask(w, h, lambda x, y, ft=fog_top: 0.55 * smoothstep(ft, ft + 30, y))
        fog = ImageChops.multiply(fog, mask)
        fog_col = mix(foot_c, (255, 170, 120), 0.45)
        img = paint(img, fog_col, fog)

    # --- foreground: dark hills with a few pines
    fg_noise = Noise1D(random.Random(51), base_period=140.0)

    def fg_ridge(x):
        y = 206 - 10 * fg_noise(x)
        y -= 18 * smoothstep(150, 0, x) + 14 * smoothstep(470, w, x)
        return y

    def draw_fg(d, s):
        pts = [(0, h * s)]
        for xs in range(0, w * s + 1, 2):
            pts.append((xs, fg_ridge(xs / s) * s))
        pts.append((w * s, h * s))
        d.polygon(pts, fill=255)
        trng = random.Random(77)
        for _ in range(34):
            side = trng.random()
            x = side * 120 if trng.random() < 0.55 else w - trng.random() * 110
            ht = 10 + trng.random() * 22
            wd = ht * (0.28 + trng.random() * 0.08)
            gy = fg_ridge(x) + 3
            for tier in range(4):
                t = tier / 4.0
                ty = gy - ht * (1 - t)
                tw = wd * (0.35 + 0.65 * t)
                d.polygon([((x - tw) * s, (ty + ht * 0.3) * s), ((x + tw) * s, (ty + ht * 0.3) * s),
                           (x * s, (ty - ht * 0.12) * s)], fill=255)
            d.rectangle(((x - 0.5) * s, (gy - 2) * s, (x + 0.5) * s, (gy + 4) * s), fill=255)

    fg = supersampled((w, h), draw_fg, 4)
    img = paint_image(img, vgradient(w, h, [(160, (24, 16, 30)), (h - 1, (10, 8, 14))]), fg)
    edge = ImageChops.subtract(fg, shift(fg, 0, 1))
    img = light(img, (200, 110, 80), scale_mask(edge, 0.35))

    # --- embers drifting up from below
    core_m = canvas("L", (w, h), 0)
    glow_m = canvas("L", (w, h), 0)
    dcore = ImageDraw.Draw(core_m)
    dglow = ImageDraw.Draw(glow_m)
    for _ in range(70):
        x = rng.random() * w
        y = h - (rng.random() ** 1.7) * (h - 30)
        r = 0.5 + rng.random() ** 2 * 1.4
        v = int(150 + rng.random() * 105)
        dcore.ellipse(((x - r) * K, (y - r) * K, (x + r) * K, (y + r) * K), fill=v)
        dglow.ellipse(((x - r * 3) * K, (y - r * 3) * K, (x + r * 3) * K, (y + r * 3) * K), fill=v // 2)
    # a few large, out-of-focus ones close to the viewer
    bokeh = canvas("L", (w, h), 0)
    db = ImageDraw.Draw(bokeh)
    for x, y, r in ((26, 190, 6), (560, 176, 5), (92, 206, 4), (520, 210, 7), (300, 214, 4)):
        db.ellipse(((x - r) * K, (y - r) * K, (x + r) * K, (y + r) * K), fill=110)
    bokeh = bokeh.filter(blur(2.5))
    img = light(img, (255, 120, 40), glow_m.filter(blur(2)))
    img = light(img, (255, 140, 60), bokeh)
    img = light(img, (255, 210, 130), core_m.filter(blur(0.4)))

    # --- darken the sky behind the title a little so it reads
    shade = field_mask(w, h, lambda x, y: 0.45 * math.exp(-(((x - 178) / 170.0) ** 2 + ((y - 88) / 70.0) ** 2)))
    img = paint(img, (14, 10, 30), shade)

    rgb, alpha = _title_layer((w, h))
    img = paint_image(img, rgb, alpha)

    # --- vignette
    vig = field_mask(w, h, lambda x, y: 0.55 * smoothstep(0.55, 1.15, math.hypot((x - w / 2) / (w / 2), (y - h / 2) / (h / 2))))
    return paint(img, (6, 4, 12), vig)


def make_banner():
    # Octree picks the palette; Floyd-Steinberg then hides the banding that
    # the smooth sky gradients would otherwise show.
    rgb = paint_banner()
    if K > 1:
        # At 200 % a dithered palette picture would take more than the whole
        # program; the banner has no transparency, so it is kept in full
        # colour as a JPEG (chroma not subsampled, so the gold title keeps
        # its edges).
        return rgb
    palette = rgb.quantize(colors=256, method=Image.Quantize.FASTOCTREE)
    return rgb.quantize(palette=palette, dither=Image.Dither.FLOYDSTEINBERG)


# ---------------------------------------------------------------- 107: program icon

def _icon_image(n):
    """The program icon at n x n: a gold ring around a gem on a dark tile."""
    ss = 8
    c = n / 2.0
    tile_r = max(2.0, n * 0.2)
    inset = 0.0 if n <= 16 else n * 0.03

    tile = supersampled((n, n), lambda d, s: d.rounded_rectangle(
        (inset * s, inset * s, (n - inset) * s - 1, (n - inset) * s - 1), radius=tile_r * s, fill=255), ss)
    bg = vgradient(n, n, [(0, (58, 44, 96)), (n * 0.55, (30, 22, 54)), (n - 1, (16, 12, 28))])
    glow = field_mask(n, n, lambda x, y: 0.5 * math.exp(-(((x + 0.5 - c) / (n * 0.32)) ** 2 + ((y + 0.5 - c * 1.05) / (n * 0.32)) ** 2)))
    bg = light(bg, (220, 110, 50), glow)

    ring_w = max(1.6, n * 0.11)
    ring_r = n * (0.30 if n >= 32 else 0.32)     # radius of the ring's centre line

    def ring(d, s):
        r = ring_r + ring_w / 2.0
        d.ellipse(((c - r) * s, (c - r) * s, (c + r) * s, (c + r) * s),
                  outline=255, width=int(ring_w * s))

    gem_h = n * (0.30 if n > 16 else 0.34)
    gem_w = gem_h * 0.72

    def gem(d, s):
        d.polygon([(c * s, (c - gem_h / 2) * s), ((c + gem_w / 2) * s, c * s),
                   (c * s, (c + gem_h / 2) * s), ((c - gem_w / 2) * s, c * s)], fill=255)

    def spikes(d, s):
        # four short points on the ring, like a compass crest
        if n < 32:
            return
        L = n * 0.08
        hw = n * 0.045
        for dx, dy in ((0, -1), (1, 0), (0, 1), (-1, 0)):
            bx, by = c + dx * (ring_r + ring_w / 2 - 0.5), c + dy * (ring_r + ring_w / 2 - 0.5)
            tx, ty = c + dx * (ring_r + ring_w / 2 + L), c + dy * (ring_r + ring_w / 2 + L)
            px_, py_ = -dy, dx
            d.polygon([((bx + px_ * hw) * s, (by + py_ * hw) * s), ((bx - px_ * hw) * s, (by - py_ * hw) * s),
                       (tx * s, ty * s)], fill=255)

    ring_m = supersampled((n, n), lambda d, s: (ring(d, s), spikes(d, s)), ss)
    gem_m = supersampled((n, n), gem, ss)
    gold = vgradient(n, n, [(0, (255, 240, 196)), (n * 0.5, (238, 186, 92)), (n - 1, (178, 100, 40))])

    img = bg
    if n >= 32:
        shadow = ImageChops.offset(ring_m, 0, max(1, n // 32)).filter(ImageFilter.GaussianBlur(n / 48.0))
        img = paint(img, (8, 4, 12), scale_mask(shadow, 0.8))
    img = paint_image(img, gold, ring_m)
    gem_col = vgradient(n, n, [(c - gem_h / 2, (255, 250, 235)), (c + gem_h / 2, (230, 170, 90))])
    img = paint_image(img, gem_col, gem_m)
    if n >= 32:
        # shade the right half of the gem so it reads as cut stone
        right = supersampled((n, n), lambda d, s: d.polygon(
            [(c * s, (c - gem_h / 2) * s), ((c + gem_w / 2) * s, c * s), (c * s, (c + gem_h / 2) * s)],
            fill=255), ss)
        img = paint(img, (150, 80, 40), scale_mask(right, 0.35))
    out = img.convert("RGBA")
    out.putalpha(tile)
    return out


def write_ico(path, images):
    """ICO with 32-bit bitmap entries. Bitmaps, not PNG: the system would
    decode a PNG icon through its imaging codecs, on the launcher's main
    thread at start-up, while the skin is being decoded beside it; a bitmap
    icon is read directly."""
    entries = []
    for im in images:
        n = im.size[0]
        header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        px = im.load()
        rows = []
        for y in range(n - 1, -1, -1):           # bottom-up
            row = bytearray()
            for x in range(n):
                r, g, b, a = px[x, y]
                row += bytes((b, g, r, a))
            rows.append(bytes(row))
        # AND mask: 1 bit per pixel, rows padded to 32 bits; set where transparent.
        mask_stride = ((n + 31) // 32) * 4
        mask_rows = []
        for y in range(n - 1, -1, -1):
            bits = bytearray(mask_stride)
            for x in range(n):
                if px[x, y][3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask_rows.append(bytes(bits))
        entries.append((n, header + b"".join(rows) + b"".join(mask_rows)))

    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for n, data in entries:
        dim = n if n < 256 else 0
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in entries:
        out += data
    with open(path, "wb") as f:
        f.write(out)


# ---------------------------------------------------------------- main

def draw_set(scale):
    """Every picture of the window drawn at scale (1 or 2), by resource id."""
    global K
    K = scale
    try:
        return {
            204: make_emblem(),
            215: make_close_button(),
            226: make_minimise_button(),
            205: make_banner(),
            229: make_progress(PROGRESS_TRACK),
            228: make_progress(PROGRESS_FILL),
            220: make_background(),
        }
    finally:
        K = 1


def build(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    outputs = {}
    # 100 %: NNN.png; 200 %: NNN@2x.png (the banner NNN@2x.jpg), twice as
    # wide and high.
    for scale, suffix in ((1, ""), (2, "@2x")):
        for number, img in draw_set(scale).items():
            kind = "jpg" if img.mode == "RGB" else "png"
            outputs["%d%s.%s" % (number, suffix, kind)] = img
    for name, img in outputs.items():
        save = save_jpeg if name.endswith(".jpg") else save_png
        save(img, os.path.join(out_dir, name))
    write_ico(os.path.join(out_dir, "107.ico"), [_icon_image(n) for n in (16, 32, 48)])
    return sorted(list(outputs) + ["107.ico"])


def main(argv):
    parser = argparse.ArgumentParser(description="Draw the launcher's skin images.")
    parser.add_argument("--out", default=DEFAULT_OUT, help="output folder (default: resources/skin)")
    args = parser.parse_args(argv)
    for name in build(args.out):
        path = os.path.join(args.out, name)
        print("%-8s %7d bytes" % (name, os.path.getsize(path)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
