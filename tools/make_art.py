#!/usr/bin/python3
"""Draws Lumvane's skin artwork and writes it into res/.

Writes the 19 skin PNGs (res/png/<id>.png) and the program icon (res/lumvane.ico).
Everything is drawn with Pillow primitives, supersampled and scaled down with a
Lanczos filter; the output is deterministic (fixed seeds, no fonts, no clock).

    /usr/bin/python3 tools/make_art.py            # writes into res/
    /usr/bin/python3 tools/make_art.py --out DIR  # writes DIR/png/*.png and DIR/lumvane.ico

Needs Debian's python3-pil. The generated files are committed, so the build never
runs this script.
"""

import argparse
import math
import random
import struct
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFilter, PngImagePlugin

ROOT = Path(__file__).resolve().parent.parent

# Login-mode geometry the artwork has to respect (client pixels of the launcher window).
BACKDROP_W, BACKDROP_H = 888, 591
PAGE = (319, 180, 846, 529)           # page rectangle, right and bottom exclusive
CLOSE_X, CLOSE_Y, CLOSE_SIZE = 847, 157, 24
CLOSE_CX, CLOSE_CY = CLOSE_X + CLOSE_SIZE / 2, CLOSE_Y + CLOSE_SIZE / 2
CLOSE_R = 12.25                       # gives 8-pixel runs (columns 8..15) in the top and bottom rows

SS = 3                                # supersampling factor of the big pictures

# Palette.
IRON_HI = (46, 48, 56)
IRON = (27, 28, 34)
IRON_LO = (13, 14, 17)
INK = (8, 7, 9)
BRONZE_HI = (246, 214, 150)
BRONZE = (196, 140, 72)
BRONZE_MID = (150, 100, 48)
BRONZE_LO = (84, 52, 22)
GOLD_GLOW = (255, 196, 96)


# ---------------------------------------------------------------------------
# Small colour and geometry helpers.

def mix(c0, c1, t):
    """Linear mix of two colours (3 or 4 channels); t = 0 gives c0."""
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c0, c1))


def rgba(c, a=255):
    return (c[0], c[1], c[2], a) if len(c) == 3 else tuple(c)


def colourise(field, stops):
    """Maps an 'L' image through colour stops [(t 0..1, colour)] to an RGBA image."""
    stops = [(t, rgba(c)) for t, c in stops]
    luts = [[], [], [], []]
    for v in range(256):
        t = v / 255.0
        if t <= stops[0][0]:
            c = stops[0][1]
        elif t >= stops[-1][0]:
            c = stops[-1][1]
        else:
            for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
                if t0 <= t <= t1:
                    c = mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 0.0)
                    break
        for i in range(4):
            luts[i].append(c[i])
    return Image.merge("RGBA", [field.point(lut) for lut in luts])


_RAMP_EXT = 4096
_RAMP = None


def _ramp():
    """A one-row ramp: 0 for a long stretch, 0..255, then 255 for a long stretch."""
    global _RAMP
    if _RAMP is None:
        row = bytes([0]) * _RAMP_EXT + bytes(range(256)) + bytes([255]) * _RAMP_EXT
        _RAMP = Image.frombytes("L", (len(row), 1), row)
    return _RAMP


def linear_field(size, origin, p0, p1):
    """'L' field of the given size: 0 at p0, 255 at p1 (pixel coordinates of the field's
    parent, the field's top-left corner at origin), clamped beyond."""
    dx, dy = p1[0] - p0[0], p1[1] - p0[1]
    d2 = dx * dx + dy * dy or 1.0
    # u = E + 255 * ((x + ox - p0x) * dx + (y + oy - p0y) * dy) / d2
    a = 255.0 * dx / d2
    b = 255.0 * dy / d2
    c = _RAMP_EXT + 255.0 * ((origin[0] - p0[0]) * dx + (origin[1] - p0[1]) * dy) / d2
    return _ramp().transform(size, Image.AFFINE, (a, b, c, 0, 0, 0), Image.BILINEAR)


_RADIAL = None


def radial_field(size, origin, centre, rx, ry):
    """'L' field: 0 at centre, 255 on and beyond the ellipse of radii rx, ry."""
    global _RADIAL
    if _RADIAL is None:
        n = 512
        data = bytearray(n * n)
        for y in range(n):
            for x in range(n):
                d = math.hypot(x + 0.5 - n / 2, y + 0.5 - n / 2) / (n / 2)
                data[y * n + x] = min(255, int(d * 255 + 0.5))
        _RADIAL = Image.frombytes("L", (n, n), bytes(data))
    n = _RADIAL.size[0]
    # input = n/2 + (x + ox - cx) * (n/2) / rx
    sx, sy = (n / 2) / rx, (n / 2) / ry
    return _RADIAL.transform(size, Image.AFFINE,
                             (sx, 0, n / 2 + (origin[0] - centre[0]) * sx,
                              0, sy, n / 2 + (origin[1] - centre[1]) * sy),
                             Image.BILINEAR, fillcolor=255)


def noise(size, scale, seed, lo=0, hi=255):
    """Smooth value noise: random cells of about `scale` pixels, scaled up bicubically."""
    rng = random.Random(seed)
    w = max(2, size[0] // scale + 2)
    h = max(2, size[1] // scale + 2)
    cells = Image.frombytes("L", (w, h), bytes(rng.randrange(lo, hi + 1) for _ in range(w * h)))
    return cells.resize((w * scale, h * scale), Image.BICUBIC).crop((0, 0) + tuple(size))


# ---------------------------------------------------------------------------
# Shapes: drawn into a mask through a point transform.

class Shape:
    def bbox(self):
        raise NotImplementedError

    def draw(self, m, tf, s, fill):
        """Sets the shape's pixels of the 'L' image m to fill."""
        raise NotImplementedError


class Poly(Shape):
    def __init__(self, pts):
        self.pts = [tuple(p) for p in pts]

    def bbox(self):
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        return min(xs), min(ys), max(xs), max(ys)

    def draw(self, m, tf, s, fill):
        ImageDraw.Draw(m).polygon([tf(p) for p in self.pts], fill=fill)


class Ellipse(Shape):
    def __init__(self, cx, cy, rx, ry=None):
        self.c = (cx, cy)
        self.rx, self.ry = rx, (rx if ry is None else ry)

    def bbox(self):
        return self.c[0] - self.rx, self.c[1] - self.ry, self.c[0] + self.rx, self.c[1] + self.ry

    def draw(self, m, tf, s, fill):
        x0, y0 = tf((self.c[0] - self.rx, self.c[1] - self.ry))
        x1, y1 = tf((self.c[0] + self.rx, self.c[1] + self.ry))
        ImageDraw.Draw(m).ellipse((x0, y0, x1, y1), fill=fill)


class Rect(Shape):
    def __init__(self, x0, y0, x1, y1, r=0):
        self.r = (x0, y0, x1, y1)
        self.rad = r

    def bbox(self):
        return self.r

    def draw(self, m, tf, s, fill):
        d = ImageDraw.Draw(m)
        x0, y0 = tf(self.r[:2])
        x1, y1 = tf(self.r[2:])
        if self.rad > 0:
            d.rounded_rectangle((x0, y0, x1 - 1, y1 - 1), radius=self.rad * s, fill=fill)
        else:
            d.rectangle((x0, y0, x1 - 1, y1 - 1), fill=fill)


class Limb(Shape):
    """A tapered capsule from a (radius ra) to b (radius rb)."""

    def __init__(self, a, ra, b, rb):
        self.a, self.ra, self.b, self.rb = a, ra, b, rb

    def bbox(self):
        return (min(self.a[0] - self.ra, self.b[0] - self.rb), min(self.a[1] - self.ra, self.b[1] - self.rb),
                max(self.a[0] + self.ra, self.b[0] + self.rb), max(self.a[1] + self.ra, self.b[1] + self.rb))

    def outline(self, steps=18):
        (ax, ay), (bx, by) = self.a, self.b
        ang = math.atan2(by - ay, bx - ax)
        dist = math.hypot(bx - ax, by - ay) or 1e-6
        # Angle of the tangent points relative to the axis.
        k = max(-1.0, min(1.0, (self.ra - self.rb) / dist))
        phi = math.acos(k)
        pts = []
        for i in range(steps + 1):   # the cap around b
            t = -phi + (2 * phi) * i / steps
            pts.append((bx + self.rb * math.cos(ang + t), by + self.rb * math.sin(ang + t)))
        for i in range(steps + 1):   # the cap around a
            t = phi + (2 * math.pi - 2 * phi) * i / steps
            pts.append((ax + self.ra * math.cos(ang + t), ay + self.ra * math.sin(ang + t)))
        return pts

    def draw(self, m, tf, s, fill):
        ImageDraw.Draw(m).polygon([tf(p) for p in self.outline()], fill=fill)


class Stroke(Shape):
    """A polyline of the given width with round joints and ends."""

    def __init__(self, pts, width):
        self.pts = [tuple(p) for p in pts]
        self.w = width

    def bbox(self):
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        h = self.w / 2
        return min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h

    def draw(self, m, tf, s, fill):
        d = ImageDraw.Draw(m)
        pts = [tf(p) for p in self.pts]
        w = max(1, int(round(self.w * s)))
        d.line(pts, fill=fill, width=w, joint="curve")
        r = self.w * s / 2
        for x, y in (pts[0], pts[-1]):
            d.ellipse((x - r, y - r, x + r, y + r), fill=fill)


class Group(Shape):
    """Union of `add` shapes minus `sub` shapes."""

    def __init__(self, add, sub=()):
        self.add, self.sub = list(add), list(sub)

    def bbox(self):
        bs = [s.bbox() for s in self.add]
        return min(b[0] for b in bs), min(b[1] for b in bs), max(b[2] for b in bs), max(b[3] for b in bs)

    def draw(self, m, tf, s, fill):
        tmp = Image.new("L", m.size, 0)
        for sh in self.add:
            sh.draw(tmp, tf, s, 255)
        for sh in self.sub:
            sh.draw(tmp, tf, s, 0)
        m.paste(fill, mask=tmp)


def curve(p0, p1, p2, p3=None, n=24):
    """Points of a quadratic (three points) or cubic (four points) Bezier curve."""
    pts = []
    for i in range(n + 1):
        t = i / n
        u = 1 - t
        if p3 is None:
            x = u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0]
            y = u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1]
        else:
            x = u ** 3 * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t ** 3 * p3[0]
            y = u ** 3 * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t ** 3 * p3[1]
        pts.append((x, y))
    return pts


def spiral(cx, cy, r0, r1, a0, turns, n=60):
    """Points of a spiral from radius r0 at angle a0 (degrees) to radius r1."""
    pts = []
    for i in range(n + 1):
        t = i / n
        a = math.radians(a0) + turns * 2 * math.pi * t
        r = r0 + (r1 - r0) * t
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


# ---------------------------------------------------------------------------
# The supersampled drawing surface.

class Canvas:
    """An RGBA surface addressed in final pixels and drawn `s` times larger."""

    def __init__(self, w, h, s=SS):
        self.w, self.h, self.s = w, h, s
        self.im = Image.new("RGBA", (w * s, h * s), (0, 0, 0, 0))

    # -- masks --------------------------------------------------------------
    def mask(self, shape, pad=6):
        """Renders a shape into a mask cropped to its bounding box; returns (mask, (ox, oy))."""
        s = self.s
        b = shape.bbox()
        x0 = max(0, int(math.floor(b[0] * s)) - pad * s)
        y0 = max(0, int(math.floor(b[1] * s)) - pad * s)
        x1 = min(self.w * s, int(math.ceil(b[2] * s)) + pad * s)
        y1 = min(self.h * s, int(math.ceil(b[3] * s)) + pad * s)
        if x1 <= x0 or y1 <= y0:
            return None, (0, 0)
        m = Image.new("L", (x1 - x0, y1 - y0), 0)
        shape.draw(m, lambda p: (p[0] * s - x0, p[1] * s - y0), s, 255)
        return m, (x0, y0)

    # -- fills --------------------------------------------------------------
    def fill_image(self, fill, size, origin):
        """The fill as an RGBA image of the given size at origin (supersampled pixels)."""
        s = self.s
        if isinstance(fill, tuple) and isinstance(fill[0], int):
            return Image.new("RGBA", size, rgba(fill))
        kind = fill[0]
        if kind == "lin":
            _, p0, p1, stops = fill
            field = linear_field(size, origin, (p0[0] * s, p0[1] * s), (p1[0] * s, p1[1] * s))
            return colourise(field, stops)
        if kind == "rad":
            _, c, rx, ry, stops = fill
            field = radial_field(size, origin, (c[0] * s, c[1] * s), rx * s, ry * s)
            return colourise(field, stops)
        raise ValueError(kind)

    def put(self, mask, origin, fill, opacity=1.0):
        """Composites `fill` through `mask` (an 'L' image at origin) onto the canvas."""
        img = self.fill_image(fill, mask.size, origin)
        a = img.getchannel("A")
        a = ImageChops.multiply(a, mask)
        if opacity < 1.0:
            a = a.point(lambda v: int(v * opacity + 0.5))
        img.putalpha(a)
        self.im.alpha_composite(img, dest=origin)

    # -- parts --------------------------------------------------------------
    def paint(self, shape, fill, outline=INK, ow=1.0, hi=None, lo=None, light=(-1, -1), band=2.0,
              opacity=1.0, texture=None):
        """Paints a shaded part: optional dark outline of width ow (final pixels) behind it,
        the fill, a highlight band `hi` on the lit side and a shadow band `lo` on the other.
        hi and lo are (colour, strength) pairs. texture is (seed, scale, strength)."""
        pad = int(ow + band + 4)
        m, o = self.mask(shape, pad=pad)
        if m is None:
            return
        s = self.s
        if outline is not None and ow > 0:
            k = int(round(ow * s)) * 2 + 1
            dil = m.filter(ImageFilter.MaxFilter(k)) if k > 1 else m
            self.put(dil, o, outline, opacity)
        if fill is not None:
            self.put(m, o, fill, opacity)
        if texture is not None:
            seed, scale, strength = texture
            n = noise(m.size, scale * s, seed)
            dark = ImageChops.multiply(ImageChops.invert(n), m).point(lambda v: int(v * strength))
            light_ = ImageChops.multiply(n, m).point(lambda v: int(max(0, v - 128) * strength))
            self.put(dark, o, (0, 0, 0), opacity)
            self.put(light_, o, (255, 240, 220), opacity * 0.6)
        lx, ly = light
        d = int(round(band * s))
        if hi is not None and d > 0:
            shifted = ImageChops.offset(m, int(-lx * d), int(-ly * d))
            edge = ImageChops.subtract(m, shifted).filter(ImageFilter.GaussianBlur(d * 0.5))
            edge = ImageChops.multiply(edge, m).point(lambda v: int(v * hi[1]))
            self.put(edge, o, hi[0], opacity)
        if lo is not None and d > 0:
            shifted = ImageChops.offset(m, int(lx * d), int(ly * d))
            edge = ImageChops.subtract(m, shifted).filter(ImageFilter.GaussianBlur(d * 0.5))
            edge = ImageChops.multiply(edge, m).point(lambda v: int(v * lo[1]))
            self.put(edge, o, lo[0], opacity)

    def glow(self, shape, colour, blur, opacity=1.0):
        """A soft glow: the shape's mask blurred by `blur` final pixels."""
        pad = int(blur * 3 + 2)
        m, o = self.mask(shape, pad=pad)
        if m is None:
            return
        m = m.filter(ImageFilter.GaussianBlur(blur * self.s))
        self.put(m, o, colour, opacity)

    def result(self):
        return self.im.resize((self.w, self.h), Image.LANCZOS)


def metal_stops(hi=BRONZE_HI, mid=BRONZE, lo=BRONZE_LO):
    """A polished metal ramp: bright, mid, a dark dip, a reflected light, dark."""
    return [(0.0, hi), (0.28, mid), (0.55, lo), (0.75, mix(mid, lo, 0.35)), (1.0, lo)]




def downsample(img, size, box=False):
    return img.resize(size, Image.BOX if box else Image.LANCZOS)


# ---------------------------------------------------------------------------
# The close spot: 24 x 24, a disc of opaque pixels, everything else fully transparent.

def close_disc():
    """The set of opaque pixels of the close spot (x, y), 0 <= x, y < 24."""
    c = CLOSE_SIZE / 2
    return {(x, y) for y in range(CLOSE_SIZE) for x in range(CLOSE_SIZE)
            if (x + 0.5 - c) ** 2 + (y + 0.5 - c) ** 2 <= CLOSE_R ** 2}


def draw_close_spot(state):
    """state: 'normal', 'hover' or 'pressed'."""
    s = 8
    cv = Canvas(CLOSE_SIZE, CLOSE_SIZE, s)
    c = CLOSE_SIZE / 2
    if state == "normal":
        ring = [(0.0, BRONZE_HI), (0.45, BRONZE), (1.0, BRONZE_LO)]
        face = [(0.0, (70, 72, 82)), (0.7, (30, 31, 37)), (1.0, (14, 14, 18))]
        glyph, glow = (236, 216, 176), None
    elif state == "hover":
        ring = [(0.0, (255, 236, 180)), (0.45, (236, 176, 92)), (1.0, (120, 70, 26))]
        face = [(0.0, (255, 170, 90)), (0.45, (224, 70, 36)), (1.0, (110, 16, 10))]
        glyph, glow = (255, 255, 255), (255, 230, 180)
    else:
        ring = [(0.0, (170, 120, 62)), (0.5, (110, 72, 34)), (1.0, (60, 36, 14))]
        face = [(0.0, (150, 44, 26)), (0.6, (96, 18, 12)), (1.0, (50, 8, 6))]
        glyph, glow = (236, 214, 200), None
    cv.paint(Ellipse(c, c, 12.6), INK, outline=None)
    cv.paint(Ellipse(c, c, 11.4), ("lin", (c - 9, c - 9), (c + 9, c + 9), ring), outline=None)
    cv.paint(Ellipse(c, c, 8.9), INK, outline=None)
    fc = (c - 2.5, c - 3.5) if state != "pressed" else (c - 1, c - 1)
    cv.paint(Ellipse(c, c, 8.1), ("rad", fc, 12, 12, face), outline=None)
    # A thin reflection on the upper part of the face.
    cv.paint(Group([Ellipse(c, c - 1.2, 6.8, 6.2)], [Ellipse(c, c + 1.4, 8.2, 7.4)]),
             (255, 255, 255), outline=None, opacity=0.16 if state != "pressed" else 0.06)
    off = 0.5 if state == "pressed" else 0.0
    arm = 3.9

    def cross(dx, dy, width):
        a, b = c - arm + off, c + arm + off
        return Group([Stroke([(a + dx, a + dy), (b + dx, b + dy)], width),
                      Stroke([(b + dx, a + dy), (a + dx, b + dy)], width)])

    x_glyph = cross(0, 0, 2.3)
    if glow:
        cv.glow(x_glyph, glow, 1.4, 0.8)
    shadow = cross(0.6, 0.8, 2.5)
    cv.paint(shadow, (0, 0, 0), outline=None, opacity=0.7)
    cv.paint(x_glyph, glyph, outline=None)
    img = downsample(cv.im, (CLOSE_SIZE, CLOSE_SIZE), box=True)
    disc = close_disc()
    out = Image.new("RGBA", img.size, (0, 0, 0, 0))
    src = img.load()
    dst = out.load()
    for (x, y) in disc:
        r, g, b, a = src[x, y]
        # Composite over ink so the opaque edge pixels stay dark, never see-through.
        k = a / 255.0
        dst[x, y] = (int(r * k + INK[0] * (1 - k) + 0.5), int(g * k + INK[1] * (1 - k) + 0.5),
                     int(b * k + INK[2] * (1 - k) + 0.5), 255)
    return out


# ---------------------------------------------------------------------------
# Rails: the caption bar, the bottom bar and the side bars share one 5-pixel metal rail.

RAIL = [INK, (126, 86, 42), (222, 178, 110), (126, 86, 42), INK]
BAR_TOP = (44, 45, 53)
BAR_BOTTOM = (21, 22, 27)
CAPTION_H = 25


def caption_row_colours():
    """Colour of every row of the caption bar's middle tile, top to bottom."""
    rows = list(RAIL)
    body = CAPTION_H - 5 - 2
    for i in range(body):
        rows.append(mix(BAR_TOP, BAR_BOTTOM, i / (body - 1)))
    rows.append((70, 48, 24))      # a thin bronze line where the bar meets the page
    rows.append(INK)
    return rows


def make_caption_bar():
    rows = caption_row_colours()
    tile = Image.new("RGBA", (14, CAPTION_H))
    for y, col in enumerate(rows):
        for x in range(14):
            tile.putpixel((x, y), rgba(col))
    s = 4
    w = 151
    cv = Canvas(w, CAPTION_H, s)
    # Rounded top-left corner: rails along the top and down the left side.
    big = 60
    for i, col in enumerate(RAIL + [None]):
        rect = Rect(i, i, w + big, CAPTION_H + big, max(0.01, 6 - i))
        cv.paint(rect, col if col is not None else BAR_TOP, outline=None)
    left = downsample(cv.im, (w, CAPTION_H), box=True)
    # Body rows and the bottom line come from the tile so the pieces join without a seam.
    px = left.load()
    for y in range(5, CAPTION_H):
        for x in range(5, w):
            px[x, y] = rgba(rows[y])
    for y in range(0, 5):
        for x in range(12, w):
            px[x, y] = rgba(rows[y])
    # Below the corner the left rail runs straight on into the side bars.
    for y in range(5, CAPTION_H):
        for x in range(0, 5):
            px[x, y] = rgba(RAIL[x])
    right = left.transpose(Image.FLIP_LEFT_RIGHT)
    return left, tile, right


def make_bottom_bar():
    s = 4
    w, h = 151, 5
    cv = Canvas(w, h, s)
    big = 60
    for i, col in enumerate(RAIL + [None]):
        rect = Rect(i, -big, w + big, h - i, max(0.01, 6 - i))
        cv.paint(rect, col if col is not None else BAR_BOTTOM, outline=None)
    left = downsample(cv.im, (w, h), box=True)
    px = left.load()
    for y in range(h):
        for x in range(12, w):
            px[x, y] = rgba(RAIL[4 - y])
    tile = Image.new("RGBA", (14, h))
    for y in range(h):
        for x in range(14):
            tile.putpixel((x, y), rgba(RAIL[4 - y]))
    right = left.transpose(Image.FLIP_LEFT_RIGHT)
    return left, tile, right


def make_side_tile():
    tile = Image.new("RGBA", (5, 20))
    for y in range(20):
        for x in range(5):
            tile.putpixel((x, y), rgba(RAIL[x]))
    return tile


# ---------------------------------------------------------------------------
# Caption bar buttons: strips of five 19 x 19 frames (normal, pressed, hover copy, hover, disabled).

BTN = 19


def button_glyph(kind, off):
    """The glyph of a caption bar button as a Shape, in frame pixels; off shifts it (pressed)."""
    c = BTN / 2 + off
    if kind == "close":
        a = 3.9
        return Group([Stroke([(c - a, c - a), (c + a, c + a)], 2.0),
                      Stroke([(c + a, c - a), (c - a, c + a)], 2.0)])
    if kind == "maximise":
        x0, y0, x1, y1 = 5 + off, 5 + off, 14 + off, 14 + off
        return Group([Rect(x0, y0, x1, y1)], [Rect(x0 + 1.25, y0 + 2.5, x1 - 1.25, y1 - 1.25)])
    if kind == "minimise":
        return Rect(5 + off, 12 + off, 14 + off, 14 + off)
    if kind == "hide":
        return Group([
            Rect(c - 1.0, 3.5 + off, c + 1.0, 9 + off),
            Poly([(c - 4.2, 8 + off), (c + 4.2, 8 + off), (c, 12.3 + off)]),
            Rect(4 + off, 14 + off, 15 + off, 15.5 + off),
            Rect(4 + off, 11.5 + off, 5.5 + off, 15.5 + off),
            Rect(13.5 + off, 11.5 + off, 15 + off, 15.5 + off),
        ])
    if kind == "menu":
        return Group([Rect(5 + off, y + off, 14 + off, y + 1.6 + off) for y in (5.2, 8.7, 12.2)])
    raise ValueError(kind)


def button_frame(kind, state, background_rows):
    s = 6
    cv = Canvas(BTN, BTN, s)
    bg = Image.new("RGBA", (BTN * s, BTN * s))
    d = ImageDraw.Draw(bg)
    for y in range(BTN):
        d.rectangle((0, y * s, BTN * s - 1, y * s + s - 1), fill=rgba(background_rows[y]))
    cv.im = bg
    danger = kind == "close"
    if state == "normal":
        rim = [(0.0, (200, 150, 86)), (1.0, (96, 64, 30))]
        face = [(0.0, (62, 64, 74)), (1.0, (26, 27, 32))]
        glyph = (232, 212, 172)
    elif state == "hover":
        rim = [(0.0, (255, 226, 160)), (1.0, (170, 110, 44))]
        face = ([(0.0, (240, 96, 60)), (1.0, (140, 24, 16))] if danger
                else [(0.0, (132, 100, 60)), (1.0, (62, 44, 24))])
        glyph = (255, 255, 255)
    elif state == "pressed":
        rim = [(0.0, (110, 74, 36)), (1.0, (190, 140, 76))]
        face = ([(0.0, (84, 14, 10)), (1.0, (150, 34, 22))] if danger
                else [(0.0, (16, 16, 20)), (1.0, (44, 42, 44))])
        glyph = (246, 224, 184)
    else:
        rim = [(0.0, (96, 94, 92)), (1.0, (56, 55, 56))]
        face = [(0.0, (44, 45, 50)), (1.0, (32, 33, 37))]
        glyph = (92, 92, 98)
    cv.paint(Rect(0.5, 0.5, BTN - 0.5, BTN - 0.5, 3.2), INK, outline=None)
    cv.paint(Rect(1.5, 1.5, BTN - 1.5, BTN - 1.5, 2.4), ("lin", (0, 1.5), (0, BTN - 1.5), rim), outline=None)
    cv.paint(Rect(2.5, 2.5, BTN - 2.5, BTN - 2.5, 1.6), ("lin", (0, 2.5), (0, BTN - 2.5), face), outline=None)
    off = 0.75 if state == "pressed" else 0.0
    g = button_glyph(kind, off)
    if state == "hover":
        cv.glow(g, (255, 236, 200) if not danger else (255, 220, 200), 1.2, 0.55)
    if state != "disabled":
        shadow = button_glyph(kind, off + 0.0)
        m, o = cv.mask(shadow, pad=2)
        m = ImageChops.offset(m, int(0.8 * s), int(0.8 * s))
        cv.put(m, o, (0, 0, 0), 0.75)
    cv.paint(g, glyph, outline=None)
    return downsample(cv.im, (BTN, BTN), box=True).convert("RGB")


def make_button_strip(kind, background_rows):
    frames = [button_frame(kind, st, background_rows) for st in ("normal", "pressed", "hover", "hover", "disabled")]
    strip = Image.new("RGB", (BTN * 5, BTN))
    for i, f in enumerate(frames):
        strip.paste(f, (i * BTN, 0))
    return strip


# ---------------------------------------------------------------------------
# The emblem: a four-pointed star inside a compass ring (the crest, the icon).

def draw_emblem(cv, cx, cy, r, glow=True):
    """A round crest of radius r: bronze ring, dark face, golden four-pointed star."""
    cv.paint(Ellipse(cx, cy, r), INK, outline=None)
    cv.paint(Ellipse(cx, cy, r - r * 0.04), ("lin", (cx - r, cy - r), (cx + r, cy + r), metal_stops()),
             outline=None)
    # Notches around the ring, like a compass bezel.
    for k in range(16):
        a = k * math.pi / 8
        x0, y0 = cx + math.cos(a) * r * 0.80, cy + math.sin(a) * r * 0.80
        x1, y1 = cx + math.cos(a) * r * 0.93, cy + math.sin(a) * r * 0.93
        cv.paint(Stroke([(x0, y0), (x1, y1)], max(0.6, r * 0.035)), BRONZE_LO, outline=None, opacity=0.9)
    cv.paint(Ellipse(cx, cy, r * 0.76), INK, outline=None)
    cv.paint(Ellipse(cx, cy, r * 0.70), ("rad", (cx, cy - r * 0.2), r * 0.9, r * 0.9,
                                          [(0.0, (52, 62, 84)), (0.6, (22, 26, 36)), (1.0, (10, 11, 15))]),
             outline=None)
    if glow:
        cv.glow(Ellipse(cx, cy, r * 0.22), GOLD_GLOW, r * 0.18, 0.9)

    def star(rl, rs, rot=0.0):
        pts = []
        for k in range(8):
            a = rot + k * math.pi / 4 - math.pi / 2
            rr = rl if k % 2 == 0 else rs
            pts.append((cx + math.cos(a) * rr, cy + math.sin(a) * rr))
        return Poly(pts)

    cv.paint(star(r * 0.46, r * 0.12, math.pi / 4), ("lin", (cx - r, cy - r), (cx + r, cy + r), metal_stops()),
             outline=INK, ow=max(0.4, r * 0.02))
    cv.paint(star(r * 0.64, r * 0.14), ("lin", (cx - r * 0.6, cy - r * 0.6), (cx + r * 0.6, cy + r * 0.6),
                                        [(0.0, (255, 244, 200)), (0.5, (238, 186, 96)), (1.0, (150, 90, 30))]),
             outline=INK, ow=max(0.4, r * 0.025))
    # Split each ray into a lit and a shaded half.
    for k in range(4):
        a = k * math.pi / 2 - math.pi / 2
        tip = (cx + math.cos(a) * r * 0.64, cy + math.sin(a) * r * 0.64)
        side = (cx + math.cos(a + math.pi / 4) * r * 0.14, cy + math.sin(a + math.pi / 4) * r * 0.14)
        cv.paint(Poly([(cx, cy), tip, side]), (60, 30, 6), outline=None, opacity=0.35)
    cv.paint(Ellipse(cx, cy, r * 0.06), (255, 250, 230), outline=None)


# ---------------------------------------------------------------------------
# The backdrop frame (130).

def rounded_path(x0, y0, x1, y1, radii, n=12):
    """Closed path of a rectangle with per-corner radii (tl, tr, br, bl)."""
    tl, tr, br, bl = radii
    pts = []

    def arc(cx, cy, r, a0, a1):
        for i in range(n + 1):
            a = math.radians(a0 + (a1 - a0) * i / n)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))

    arc(x0 + tl, y0 + tl, tl, 180, 270)
    arc(x1 - tr, y1 - (y1 - y0) + tr, tr, 270, 360)
    arc(x1 - br, y1 - br, br, 0, 90)
    arc(x0 + bl, y1 - bl, bl, 90, 180)
    return pts


def inset(path, d):
    """The closed polygon `path` shrunk by d pixels (a disc-shaped erosion)."""
    if d <= 0:
        return Poly(path)
    return Group([Poly(path)], [Stroke(path + [path[0]], 2 * d)])


def band(path, d0, d1):
    """The part of the polygon between insets d0 and d1 (d0 < d1)."""
    return Group([inset(path, d0)], [inset(path, d1)])


PLATE_L, PLATE_T, PLATE_R, PLATE_B = 26, 148, 880, 562
CLOSE_CORNER_R = 21     # the plate's top-right corner is a circle around the close spot


def plate_path():
    """Outline of the frame plate: a tall arched wing at the left where the figure stands,
    a rail around the page, and a round top-right corner holding the close spot."""
    L, T, R, B = PLATE_L, PLATE_T, PLATE_R, PLATE_B
    pts = []
    pts += [(L, B - 16), (L, 214)]
    pts += curve((L, 214), (L, 120), (96, 62), (168, 54))[1:]
    pts += curve((168, 54), (240, 62), (292, 138), (364, T))[1:]
    # Top edge up to the round corner around the close spot.
    cx, cy, r = CLOSE_CX, CLOSE_CY, CLOSE_CORNER_R
    for i in range(0, 25):
        a = math.radians(270 + 90 * i / 24)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    pts += [(R, B - 16)]
    pts += curve((R, B - 16), (R, B - 4), (R - 4, B), (R - 16, B))[1:]
    pts += [(L + 16, B)]
    pts += curve((L + 16, B), (L + 4, B), (L, B - 4), (L, B - 16))[1:-1]
    return pts


def alcove_path():
    L, B = 46, 542
    R = 292
    pts = [(L, B), (L, 222)]
    pts += curve((L, 222), (L, 140), (104, 84), (169, 78))[1:]
    pts += curve((169, 78), (234, 84), (R, 140), (R, 222))[1:]
    pts += [(R, B)]
    return pts


def rivet(cv, x, y, r=3.4):
    cv.paint(Ellipse(x + 0.6, y + 0.9, r + 0.6), (0, 0, 0), outline=None, opacity=0.6)
    cv.paint(Ellipse(x, y, r), ("rad", (x - r * 0.4, y - r * 0.5), r * 1.6, r * 1.6,
                                [(0.0, (255, 236, 190)), (0.35, BRONZE), (1.0, BRONZE_LO)]),
             outline=INK, ow=0.6)


def scroll(cv, x, y, size, mirror=1, flip=1, rot=0.0, width=2.2):
    """A bronze scroll: an S-shaped curl ending in a spiral."""
    def tf(p):
        px, py = p[0] * mirror, p[1] * flip
        c, s = math.cos(rot), math.sin(rot)
        return (x + (px * c - py * s) * size, y + (px * s + py * c) * size)

    spine = curve((0, 0), (0.35, -0.05), (0.6, -0.35), (0.72, -0.62), n=20)
    curl = spiral(0.56, -0.62, 0.16, 0.03, 0, 0.85, n=30)
    pts = [tf(p) for p in spine + curl]
    cv.paint(Stroke(pts, width), ("lin", tf((0, -0.8)), tf((0.6, 0.1)),
                                  [(0.0, BRONZE_HI), (0.5, BRONZE), (1.0, BRONZE_LO)]),
             outline=INK, ow=0.9)
    leaf = curve((0.2, -0.02), (0.3, 0.25), (0.55, 0.3), n=10)
    cv.paint(Stroke([tf(p) for p in leaf], width * 0.7), BRONZE_MID, outline=INK, ow=0.7)


def corner_bracket(cv, x, y, mirror):
    """An L-shaped bronze plate over a lower corner of the plate, with two rivets."""
    m = mirror
    pts = [(x, y - 50), (x + m * 9, y - 44), (x + m * 9, y - 9), (x + m * 44, y - 9), (x + m * 50, y),
           (x + m * 6, y), (x, y - 6)]
    fill = ("lin", (x, y - 50), (x + m * 50, y), [(0.0, BRONZE_HI), (0.4, BRONZE), (1.0, BRONZE_LO)])
    cv.paint(Poly(pts), fill, outline=INK, ow=1.0, hi=((255, 240, 200), 0.5), band=1.2)
    rivet(cv, x + m * 4.5, y - 30, 2.4)
    rivet(cv, x + m * 28, y - 4.5, 2.4)


def cartouche(cv, x, y, half):
    """A bronze piece hanging under the bottom rail, with a gem."""
    pts = [(x - half, y - 4), (x + half, y - 4), (x + half - 10, y + 6), (x + 12, y + 8), (x, y + 16),
           (x - 12, y + 8), (x - half + 10, y + 6)]
    cv.paint(Poly(pts), ("lin", (x, y - 4), (x, y + 16), [(0.0, BRONZE_HI), (0.5, BRONZE), (1.0, BRONZE_LO)]),
             outline=INK, ow=1.0, hi=((255, 240, 200), 0.4), band=1.2)
    cv.glow(Ellipse(x, y + 4, 4), GOLD_GLOW, 4, 0.5)
    cv.paint(Ellipse(x, y + 4, 4.2), ("rad", (x - 1.2, y + 2.6), 6, 6,
                                      [(0.0, (255, 246, 210)), (0.4, (250, 170, 60)), (1.0, (150, 60, 10))]),
             outline=INK, ow=0.8)


def crest_wing(cv, x, y, mirror):
    """A swept bronze wing beside the crest, lying on the top rail."""
    m = mirror
    outer = curve((x + m * 20, y - 22), (x + m * 52, y - 26), (x + m * 84, y - 12), (x + m * 108, y + 2), n=20)
    inner = curve((x + m * 100, y + 4), (x + m * 76, y + 2), (x + m * 48, y + 6), (x + m * 24, y + 12), n=20)
    pts = outer + inner
    cv.paint(Poly(pts), ("lin", (x, y - 26), (x, y + 12), [(0.0, BRONZE_HI), (0.45, BRONZE), (1.0, BRONZE_LO)]),
             outline=INK, ow=1.1, hi=((255, 240, 200), 0.5), band=1.4)
    # Feather grooves.
    for k in range(4):
        t = 0.25 + k * 0.17
        a = curve((x + m * 20, y - 22), (x + m * 52, y - 26), (x + m * 84, y - 12), (x + m * 108, y + 2), n=20)
        i = int(t * 20)
        p0 = a[i]
        p1 = (p0[0] - m * 10, p0[1] + 16 - k * 2)
        cv.paint(Stroke([p0, p1], 1.0), BRONZE_LO, outline=None, opacity=0.8)


def make_backdrop():
    W, H = BACKDROP_W, BACKDROP_H
    cv = Canvas(W, H)
    plate = plate_path()

    # Soft shadow around the plate: the only partly transparent pixels of the frame.
    m, o = cv.mask(Poly(plate), pad=24)
    m = ImageChops.offset(m, 0, 4 * SS).filter(ImageFilter.GaussianBlur(7 * SS))
    cv.put(m, o, (0, 0, 0), 0.7)

    # The plate: outer ink line, a bronze rim, an ink line, then the dark iron body.
    cv.paint(Poly(plate), INK, outline=None)
    cv.paint(inset(plate, 1.2), ("lin", (0, 50), (0, 570), [(0.0, BRONZE_HI), (0.08, BRONZE), (0.2, BRONZE_MID),
                                                             (0.6, BRONZE_LO), (1.0, (60, 36, 14))]), outline=None)
    cv.paint(band(plate, 1.2, 3.0), (255, 228, 170), outline=None, opacity=0.35)
    cv.paint(inset(plate, 6.0), INK, outline=None)
    cv.paint(inset(plate, 7.2), ("lin", (0, 60), (0, 560), [(0.0, IRON_HI), (0.45, IRON), (1.0, IRON_LO)]),
             outline=None, texture=(11, 3, 0.22))
    cv.paint(inset(plate, 7.2), None, outline=None, texture=(12, 40, 0.25))
    # A fine engraved inlay line inside the rim.
    cv.paint(band(plate, 11.0, 12.0), BRONZE_MID, outline=None, opacity=0.55)
    cv.paint(band(plate, 12.0, 12.8), (0, 0, 0), outline=None, opacity=0.5)

    # The alcove behind the figure: a lit arch.
    alc = alcove_path()
    cv.paint(Poly(alc), INK, outline=None)
    cv.paint(inset(alc, 1.0), ("lin", (0, 70), (0, 545), [(0.0, BRONZE_HI), (0.3, BRONZE), (1.0, BRONZE_LO)]),
             outline=None)
    cv.paint(inset(alc, 3.4), INK, outline=None)
    mist = [(0.0, (78, 104, 128)), (0.35, (40, 54, 72)), (0.75, (20, 24, 32)), (1.0, (12, 13, 17))]
    cv.paint(inset(alc, 4.4), ("rad", (169, 250), 190, 300, mist),
             outline=None, texture=(23, 40, 0.16))
    # Faint runes ring behind the figure's shoulders.
    rc = (169, 236)
    cv.paint(Group([Ellipse(rc[0], rc[1], 96)], [Ellipse(rc[0], rc[1], 94.6)]), (150, 190, 220), outline=None,
             opacity=0.22)
    cv.paint(Group([Ellipse(rc[0], rc[1], 84)], [Ellipse(rc[0], rc[1], 83.2)]), (150, 190, 220), outline=None,
             opacity=0.18)
    for k in range(24):
        a = k * math.pi / 12
        p0 = (rc[0] + math.cos(a) * 86.5, rc[1] + math.sin(a) * 86.5)
        p1 = (rc[0] + math.cos(a) * 92.0, rc[1] + math.sin(a) * 92.0)
        cv.paint(Stroke([p0, p1], 1.0 if k % 2 else 1.8), (160, 200, 230), outline=None, opacity=0.25)
    # A stone floor the figure stands on.
    floor = [(49, 512), (289, 512), (289, 539), (49, 539)]
    cv.paint(Poly(floor), ("lin", (0, 512), (0, 539), [(0.0, (70, 66, 62)), (0.15, (44, 42, 42)), (1.0, (20, 20, 22))]),
             outline=None, texture=(31, 2, 0.3))
    cv.paint(Rect(49, 511, 289, 513), BRONZE_MID, outline=None, opacity=0.7)
    for k, x in enumerate(range(49 + 40, 289, 48)):
        cv.paint(Stroke([(x + (k % 2) * 10, 513), (x + (k % 2) * 10 - 3, 539)], 0.8), INK, outline=None,
                 opacity=0.6)

    # The page's bronze lip, so the page sits in a recess.
    lip_out = (311, 172, 854, 537)
    lip = rounded_path(*lip_out, (4, 4, 4, 4))
    page_cut = Rect(PAGE[0] - 0.5, PAGE[1] - 0.5, PAGE[2] + 0.5, PAGE[3] + 0.5)
    cv.paint(Group([Poly(lip)], [page_cut]), INK, outline=None)
    cv.paint(Group([inset(lip, 1.0)], [page_cut]),
             ("lin", (311, 172), (854, 537), [(0.0, BRONZE_HI), (0.35, BRONZE), (0.7, BRONZE_MID), (1.0, BRONZE_LO)]),
             outline=None)
    cv.paint(Group([inset(lip, 5.2)], [page_cut]), INK, outline=None)

    # Rivets on the top, right and bottom rails.
    for x in range(392, 840, 44):
        if abs(x - 582) > 56:
            rivet(cv, x, 160.5)
    for x in range(372, 860, 44):
        rivet(cv, x, 549.5)
    for y in range(226, 530, 44):
        rivet(cv, 867, y)

    # Bronze corner brackets at the plate's lower corners.
    for mirror, x in ((1, PLATE_L), (-1, PLATE_R)):
        corner_bracket(cv, x, PLATE_B, mirror)
    # A small hanging cartouche under the page and one under the alcove.
    cartouche(cv, 582, PLATE_B, 60)
    cartouche(cv, 169, PLATE_B, 40)

    # The winged crest above the page.
    for mirror in (-1, 1):
        crest_wing(cv, 582, 150, mirror)
    draw_emblem(cv, 582, 146, 29)

    # A finial on the arch.
    fin = [(168, 32), (176, 48), (168, 60), (160, 48)]
    cv.glow(Poly(fin), GOLD_GLOW, 5, 0.5)
    cv.paint(Poly(fin), ("lin", (160, 32), (176, 60), [(0.0, BRONZE_HI), (0.5, BRONZE), (1.0, BRONZE_LO)]),
             outline=INK, ow=1.0)
    cv.paint(Ellipse(168, 47, 3.2), ("rad", (167, 46), 4, 4, [(0.0, (255, 250, 220)), (1.0, (230, 150, 50))]),
             outline=INK, ow=0.6)

    # The bronze ring the close spot sits in.
    cx, cy = CLOSE_CX, CLOSE_CY
    cv.paint(Ellipse(cx, cy, 19.0), INK, outline=None)
    cv.paint(Ellipse(cx, cy, 18.0), ("lin", (cx - 14, cy - 14), (cx + 14, cy + 14), metal_stops()), outline=None)
    cv.paint(Ellipse(cx, cy, 14.2), INK, outline=None)

    img = cv.result()
    return cut_holes(img)


def cut_holes(img):
    """Makes the page rectangle and the close-spot disc fully transparent."""
    px = img.load()
    x0, y0, x1, y1 = PAGE
    clear = (0, 0, 0, 0)
    for y in range(y0, y1):
        for x in range(x0, x1):
            px[x, y] = clear
    for (x, y) in close_disc():
        px[CLOSE_X + x, CLOSE_Y + y] = clear
    return img


# ---------------------------------------------------------------------------
# Figures: shaded parts with ink outlines, lit from the upper left, rim-lit by the alcove.

MATERIALS = {
    # name: (gradient stops light to dark, highlight colour, shadow colour)
    "steel": ([(0.0, (236, 240, 246)), (0.3, (160, 168, 182)), (0.62, (70, 76, 90)), (0.8, (104, 110, 124)),
               (1.0, (40, 42, 52))], (255, 255, 255), (10, 12, 20)),
    "darksteel": ([(0.0, (150, 156, 170)), (0.4, (78, 82, 96)), (1.0, (26, 28, 36))], (220, 228, 240), (6, 6, 10)),
    "bronze": ([(0.0, BRONZE_HI), (0.35, BRONZE), (0.75, BRONZE_LO), (1.0, (60, 36, 14))], (255, 246, 210),
               (30, 16, 4)),
    "gold": ([(0.0, (255, 246, 196)), (0.4, (236, 184, 80)), (1.0, (120, 70, 16))], (255, 255, 230), (60, 30, 0)),
    "red": ([(0.0, (220, 64, 48)), (0.45, (150, 28, 24)), (1.0, (56, 8, 10))], (255, 150, 120), (24, 0, 4)),
    "purple": ([(0.0, (112, 92, 190)), (0.45, (62, 44, 126)), (1.0, (22, 14, 50))], (170, 160, 255), (8, 4, 20)),
    "blue": ([(0.0, (70, 110, 190)), (0.5, (34, 56, 118)), (1.0, (12, 20, 48))], (150, 190, 255), (4, 6, 20)),
    "green": ([(0.0, (110, 150, 80)), (0.45, (56, 88, 46)), (1.0, (18, 34, 20))], (190, 230, 150), (4, 12, 4)),
    "darkgreen": ([(0.0, (70, 104, 64)), (0.5, (36, 58, 36)), (1.0, (12, 22, 14))], (150, 200, 130), (2, 8, 2)),
    "leather": ([(0.0, (176, 120, 76)), (0.45, (112, 70, 40)), (1.0, (44, 24, 12))], (236, 190, 140), (20, 8, 2)),
    "darkleather": ([(0.0, (110, 76, 52)), (0.5, (64, 42, 28)), (1.0, (26, 16, 10))], (200, 160, 120), (10, 4, 0)),
    "wood": ([(0.0, (170, 120, 70)), (0.5, (104, 66, 34)), (1.0, (46, 26, 12))], (230, 190, 140), (16, 6, 0)),
    "skin": ([(0.0, (250, 214, 180)), (0.5, (214, 160, 124)), (1.0, (120, 76, 56))], (255, 236, 214), (70, 34, 24)),
    "beard": ([(0.0, (252, 252, 248)), (0.5, (200, 200, 204)), (1.0, (120, 120, 132))], (255, 255, 255),
              (60, 60, 74)),
    "cloth": ([(0.0, (226, 206, 166)), (0.5, (170, 146, 106)), (1.0, (84, 66, 44))], (255, 240, 210), (40, 30, 16)),
    "ink": ([(0.0, (40, 40, 48)), (1.0, (10, 10, 14))], (90, 90, 110), (0, 0, 0)),
}


def part(cv, shape, material, ow=1.1, band=2.6, hi=0.55, lo=0.55, light=(-1, -1), grad=None):
    """Paints one shaded part of a figure in the given material."""
    stops, hic, loc = MATERIALS[material]
    x0, y0, x1, y1 = shape.bbox()
    if grad is None:
        w, h = x1 - x0, y1 - y0
        p0 = (x0 + w * 0.25, y0)
        p1 = (x1, y1 - h * 0.1) if h > w else (x1 - w * 0.1, y1)
    else:
        p0, p1 = grad
    cv.paint(shape, ("lin", p0, p1, stops), outline=INK, ow=ow, hi=(hic, hi), lo=(loc, lo), light=light,
             band=band)


def line(cv, pts, width, colour, opacity=1.0):
    cv.paint(Stroke(pts, width), colour, outline=None, opacity=opacity)


def finish_figure(cv, rim_colour=(150, 196, 236), rim=0.55):
    """Adds the alcove's rim light on the figure's left edges and a ground shadow, and
    returns the downsampled picture."""
    a = cv.im.getchannel("A")
    s = cv.s
    d = int(3 * s)
    edge = ImageChops.subtract(a, ImageChops.offset(a, d, int(d * 0.4)))
    edge = edge.filter(ImageFilter.GaussianBlur(s * 0.8))
    edge = ImageChops.multiply(edge, a).point(lambda v: int(v * rim))
    glow = Image.new("RGBA", a.size, rgba(rim_colour))
    glow.putalpha(edge)
    cv.im.alpha_composite(glow)
    return cv.result()


def ground_shadow(cv, cx, y, rx):
    cv.glow(Ellipse(cx, y, rx, 7), (0, 0, 0), 4, 0.75)


def warrior_parts(cv):
    ground_shadow(cv, 182, 532, 92)
    # Cape, behind everything.
    cape = Poly(curve((140, 196), (96, 300), (70, 430), (58, 528), n=20)
                + curve((58, 528), (110, 516), (170, 534), (232, 520), n=20)
                + curve((232, 520), (236, 400), (236, 300), (228, 196), n=20))
    part(cv, cape, "red", grad=((60, 200), (240, 520)), band=4)
    # Inner folds of the cape.
    for x0, x1 in ((112, 84), (150, 132), (196, 200)):
        line(cv, curve((x0 + 10, 260), (x0, 380), (x1, 520), n=16), 3.0, (40, 4, 8), 0.55)
    # Legs.
    for hip, knee, ankle in (((168, 338), (152, 420), (146, 506)), ((204, 338), (218, 420), (230, 506))):
        part(cv, Limb(hip, 21, knee, 15), "darksteel")
        part(cv, Limb(knee, 15, ankle, 11), "steel")
        part(cv, Ellipse(knee[0], knee[1], 15, 12), "steel", band=2)
        part(cv, Group([Ellipse(knee[0], knee[1], 15, 12)], [Ellipse(knee[0], knee[1] - 3, 15, 11)]), "bronze",
             band=1, ow=0.6)
    # Boots (sabatons).
    part(cv, Poly([(128, 500), (160, 500), (168, 524), (170, 534), (112, 534), (116, 516)]), "steel")
    part(cv, Poly([(216, 500), (246, 500), (262, 520), (272, 534), (214, 534), (212, 516)]), "steel")
    # Tassets over the hips.
    part(cv, Poly([(142, 300), (228, 300), (238, 360), (188, 372), (134, 360)]), "darksteel")
    part(cv, Poly([(142, 304), (184, 304), (180, 366), (134, 358)]), "steel", band=2)
    part(cv, Poly([(186, 304), (228, 304), (238, 358), (190, 368)]), "steel", band=2)
    # Shield arm (far side) with the shield in front of it.
    part(cv, Limb((140, 208), 16, (118, 268), 13), "steel")
    # Torso: breastplate.
    chest = Poly([(140, 196), (232, 196), (236, 240), (222, 302), (150, 302), (136, 240)])
    part(cv, chest, "steel", band=3)
    line(cv, [(186, 204), (186, 296)], 2.0, (60, 64, 80), 0.8)
    line(cv, [(188, 206), (188, 292)], 1.4, (255, 255, 255), 0.45)
    line(cv, curve((142, 256), (184, 274), (230, 256), n=16), 1.6, (40, 44, 58), 0.7)
    line(cv, curve((143, 259), (184, 277), (229, 259), n=16), 1.0, (255, 255, 255), 0.35)
    part(cv, Stroke(curve((150, 199), (186, 210), (222, 199), n=12), 3.2), "bronze", band=1, ow=0.7)
    tabard = Poly([(168, 306), (204, 306), (212, 408), (186, 398), (160, 408)])
    part(cv, tabard, "red", band=2.5)
    line(cv, [(168, 306), (160, 408), (186, 398), (212, 408), (204, 306)], 2.2, (236, 184, 80))
    part(cv, Poly([(150, 294), (222, 294), (224, 310), (148, 310)]), "leather", band=1.5)
    part(cv, Rect(178, 293, 194, 311, 2), "gold", band=1.2)
    # Gorget and head: a great helm with a visor slit and a plume.
    part(cv, Poly([(162, 178), (210, 178), (218, 198), (154, 198)]), "darksteel")
    plume = Poly(curve((176, 112), (140, 100), (108, 130), (96, 186), n=16)
                 + curve((96, 186), (118, 160), (150, 140), (186, 124), n=16))
    part(cv, plume, "red", band=2)
    helm = Poly(curve((160, 182), (154, 150), (158, 120), (186, 112), n=14)
                + curve((186, 112), (212, 116), (220, 146), (214, 182), n=14))
    part(cv, helm, "steel", band=3)
    part(cv, Poly([(183, 110), (189, 110), (190, 182), (182, 182)]), "bronze", band=1)
    part(cv, Poly([(162, 146), (214, 146), (214, 152), (162, 152)]), "ink", ow=0.6)
    for k in range(4):
        part(cv, Ellipse(198 + k * 4, 164 + k * 3.5, 1.2), "ink", ow=0.2)
    # Pauldrons.
    part(cv, Ellipse(140, 204, 25, 19), "steel", band=3)
    part(cv, Group([Ellipse(140, 204, 25, 19)], [Ellipse(140, 199, 25, 17)]), "bronze", band=1, ow=0.6)
    # Shield.
    shield = Poly(curve((72, 266), (100, 256), (130, 258), (150, 268), n=10)
                  + curve((150, 268), (152, 330), (136, 372), (110, 398), n=14)
                  + curve((110, 398), (84, 372), (68, 330), (72, 266), n=14))
    part(cv, shield, "bronze", band=3)
    inner = Poly(curve((80, 274), (102, 266), (126, 268), (142, 276), n=10)
                 + curve((142, 276), (143, 330), (130, 362), (110, 386), n=14)
                 + curve((110, 386), (90, 362), (77, 330), (80, 274), n=14))
    part(cv, inner, "blue", band=3)
    draw_emblem(cv, 111, 318, 21, glow=False)
    # Sword arm (near side) and the sword held forward and down.
    part(cv, Ellipse(232, 204, 25, 19), "steel", band=3)
    part(cv, Group([Ellipse(232, 204, 25, 19)], [Ellipse(232, 199, 25, 17)]), "bronze", band=1, ow=0.6)
    part(cv, Limb((238, 214), 17, (260, 268), 13), "steel")
    part(cv, Limb((260, 268), 13, (282, 310), 12), "steel")
    part(cv, Ellipse(260, 268, 12, 11), "steel", band=2)
    part(cv, Ellipse(262, 270, 5, 4.5), "bronze", band=1, ow=0.6)
    # Sword: blade from the guard towards the lower right.
    hx, hy = 286, 318
    ang = math.atan2(480 - hy, 356 - hx)
    ux, uy = math.cos(ang), math.sin(ang)
    nx, ny = -uy, ux
    base = (hx + ux * 16, hy + uy * 16)
    tip = (hx + ux * 196, hy + uy * 196)
    blade = Poly([(base[0] + nx * 6, base[1] + ny * 6), (tip[0] - ux * 16 + nx * 5, tip[1] - uy * 16 + ny * 5), tip,
                  (tip[0] - ux * 16 - nx * 5, tip[1] - uy * 16 - ny * 5), (base[0] - nx * 6, base[1] - ny * 6)])
    part(cv, blade, "steel", band=2, grad=((base[0] - nx * 6, base[1] - ny * 6), (base[0] + nx * 6, base[1] + ny * 6)))
    line(cv, [(base[0] + ux * 4, base[1] + uy * 4), (tip[0] - ux * 20, tip[1] - uy * 20)], 1.2, (90, 96, 110), 0.9)
    guard = Stroke([(base[0] + nx * 20, base[1] + ny * 20), (base[0] - nx * 20, base[1] - ny * 20)], 5.5)
    part(cv, guard, "gold", band=1.5)
    grip = Stroke([(hx - ux * 14, hy - uy * 14), (hx + ux * 12, hy + uy * 12)], 6)
    part(cv, grip, "darkleather", band=1.5)
    part(cv, Ellipse(hx - ux * 18, hy - uy * 18, 5.2), "gold", band=1.5)
    # Gauntlet over the grip.
    part(cv, Ellipse(hx - 1, hy - 1, 12, 11), "steel", band=2)
    line(cv, [(hx - 8, hy + 3), (hx + 6, hy - 7)], 1.2, (40, 44, 56), 0.8)


def make_warrior():
    cv = Canvas(396, 591)
    warrior_parts(cv)
    return finish_figure(cv)


def mage_parts(cv):
    ground_shadow(cv, 176, 532, 96)
    # Staff (held in the near hand) behind the arm.
    staff_top = (330, 146)
    staff_bot = (288, 532)
    # Robe.
    robe = Poly(curve((146, 196), (118, 300), (92, 420), (70, 530), n=20)
                + curve((70, 530), (140, 540), (220, 540), (286, 528), n=20)
                + curve((286, 528), (262, 420), (236, 300), (214, 196), n=20))
    part(cv, robe, "purple", band=4, grad=((80, 190), (290, 540)))
    # Front panel with a gold hem.
    panel = Poly([(170, 250), (196, 250), (226, 534), (150, 536)])
    part(cv, panel, "blue", band=3)
    line(cv, [(170, 250), (150, 536)], 3, (236, 184, 80))
    line(cv, [(196, 250), (226, 534)], 3, (236, 184, 80))
    hem = Stroke(curve((72, 526), (140, 537), (220, 537), (284, 524), n=20), 5)
    part(cv, hem, "gold", band=1.2, ow=0.8)
    # Folds.
    for x0, x1 in ((130, 100), (150, 128), (238, 262)):
        line(cv, curve((x0 + 8, 300), (x0, 420), (x1, 528), n=16), 3.0, (14, 8, 36), 0.55)
    # Far arm: wide sleeve raised, the hand casting sparks.
    part(cv, Limb((144, 214), 17, (112, 256), 15), "purple", band=3)
    part(cv, Limb((112, 256), 14, (80, 236), 19), "purple", band=3)
    part(cv, Stroke([(91, 222), (73, 251)], 5), "gold", band=1.2, ow=0.8)
    part(cv, Ellipse(70, 226, 9, 8), "skin", band=1.5)
    for k in range(4):
        part(cv, Limb((64 + k * 4, 222), 2.4, (60 + k * 5, 204 + abs(k - 1.5) * 3), 2.0), "skin", band=0.8,
             ow=0.7)
    part(cv, Limb((77, 230), 2.4, (86, 218), 2.1), "skin", band=0.8, ow=0.7)
    cv.glow(Ellipse(68, 190, 18), (120, 220, 255), 10, 0.9)
    cv.glow(Ellipse(68, 190, 6), (230, 250, 255), 4, 1.0)
    rng = random.Random(5)
    for _ in range(18):
        a = rng.uniform(0, 2 * math.pi)
        r = rng.uniform(10, 42)
        x, y = 68 + math.cos(a) * r, 188 + math.sin(a) * r * 0.8 - 6
        cv.glow(Ellipse(x, y, rng.uniform(0.8, 1.8)), (200, 240, 255), 1.2, 0.9)
    # Belt with a sash.
    part(cv, Poly([(150, 286), (214, 286), (218, 302), (146, 302)]), "gold", band=1.5)
    part(cv, Poly([(186, 300), (196, 300), (204, 372), (180, 368)]), "gold", band=1.5)
    # Mantle over the shoulders.
    mantle = Poly(curve((132, 196), (150, 182), (212, 182), (230, 196), n=10)
                  + curve((230, 196), (238, 230), (226, 248), (214, 256), n=10)
                  + curve((214, 256), (182, 262), (158, 258), (142, 250), n=10)
                  + curve((142, 250), (128, 236), (126, 214), (132, 196), n=10))
    part(cv, mantle, "blue", band=3)
    for k in range(5):
        x = 146 + k * 17
        part(cv, Ellipse(x, 252 - abs(k - 2) * 2, 3), "gold", band=1, ow=0.6)
    # Hood, face and beard.
    hood = Poly(curve((150, 190), (140, 150), (150, 112), (182, 100), n=14)
                + curve((182, 100), (214, 110), (224, 150), (216, 190), n=14))
    part(cv, hood, "blue", band=3)
    face = Ellipse(183, 152, 18, 24)
    part(cv, face, "skin", band=2)
    cv.paint(Group([Ellipse(183, 128, 24, 16)]), (10, 10, 30), outline=None, opacity=0.75)
    part(cv, Ellipse(175, 146, 2.2, 1.6), "ink", ow=0.3)
    part(cv, Ellipse(191, 146, 2.2, 1.6), "ink", ow=0.3)
    cv.glow(Ellipse(175, 146, 1.5), (140, 220, 255), 2, 0.8)
    cv.glow(Ellipse(191, 146, 1.5), (140, 220, 255), 2, 0.8)
    beard = Poly(curve((164, 156), (160, 196), (170, 236), (184, 262), n=16)
                 + curve((184, 262), (198, 236), (206, 196), (202, 156), n=16)
                 + curve((202, 156), (194, 170), (172, 170), (164, 156), n=10))
    part(cv, beard, "beard", band=2)
    for x0 in (176, 184, 192):
        line(cv, curve((x0, 180), (x0 + 2, 210), (x0 - 2, 240), n=10), 1.0, (150, 150, 160), 0.7)
    part(cv, Poly([(181, 146), (186, 146), (188, 160), (180, 160)]), "skin", band=1, ow=0.6)
    part(cv, Poly(curve((170, 166), (176, 158), (183, 160), n=6) + curve((183, 160), (190, 158), (196, 166), n=6)
                  + [(190, 170), (183, 166), (176, 170)]), "beard", band=1, ow=0.7)
    part(cv, Poly([(168, 140), (181, 138), (180, 142), (170, 144)]), "beard", band=0.8, ow=0.5)
    part(cv, Poly([(185, 138), (198, 140), (196, 144), (186, 142)]), "beard", band=0.8, ow=0.5)
    # Near arm holding the staff.
    staff = Stroke([staff_bot, staff_top], 7)
    part(cv, staff, "wood", band=2)
    claw = [Stroke(curve((staff_top[0] - 2, staff_top[1] + 16), (staff_top[0] - 22, staff_top[1]),
                         (staff_top[0] - 12, staff_top[1] - 22), n=12), 3.6),
            Stroke(curve((staff_top[0] + 1, staff_top[1] + 16), (staff_top[0] + 22, staff_top[1] + 2),
                         (staff_top[0] + 14, staff_top[1] - 22), n=12), 3.6)]
    for c in claw:
        part(cv, c, "wood", band=1.2, ow=0.9)
    orb = (staff_top[0] + 1, staff_top[1] - 8)
    cv.glow(Ellipse(orb[0], orb[1], 30), (90, 190, 255), 18, 0.65)
    cv.paint(Ellipse(orb[0], orb[1], 14), ("rad", (orb[0] - 4, orb[1] - 5), 20, 20,
                                           [(0.0, (255, 255, 255)), (0.3, (170, 236, 255)), (0.7, (60, 150, 230)),
                                            (1.0, (20, 60, 140))]), outline=INK, ow=1.0)
    cv.glow(Ellipse(orb[0] - 4, orb[1] - 5, 4), (255, 255, 255), 2, 0.9)
    part(cv, Limb((222, 214), 17, (248, 262), 15), "purple", band=3)
    hand = (312, 290)
    part(cv, Limb((248, 262), 14, (296, 286), 19), "purple", band=3)
    part(cv, Stroke([(293, 270), (299, 302)], 6), "gold", band=1.2, ow=0.8)
    part(cv, Ellipse(hand[0], hand[1], 10, 9), "skin", band=1.5)
    line(cv, [(hand[0] - 6, hand[1] - 3), (hand[0] + 8, hand[1] - 5)], 1.2, (120, 76, 56), 0.8)
    line(cv, [(hand[0] - 6, hand[1] + 3), (hand[0] + 8, hand[1] + 1)], 1.2, (120, 76, 56), 0.8)


def make_mage():
    cv = Canvas(536, 592)
    mage_parts(cv)
    return finish_figure(cv, rim_colour=(150, 210, 255), rim=0.6)


def ranger_parts(cv):
    ground_shadow(cv, 178, 532, 100)
    # Quiver on the back.
    quiver = Limb((120, 176), 11, (150, 300), 10)
    part(cv, quiver, "darkleather")
    for k in range(4):
        x, y = 116 + k * 7, 170 - k * 3
        line(cv, [(x + 4, y + 20), (x - 6, y - 18)], 2, (160, 130, 90))
        part(cv, Poly([(x - 6, y - 18), (x - 14, y - 30), (x - 2, y - 26)]), "red", band=1, ow=0.6)
        part(cv, Poly([(x - 6, y - 18), (x - 2, y - 32), (x + 2, y - 22)]), "cloth", band=1, ow=0.6)
    # Cloak.
    cloak = Poly(curve((150, 190), (110, 290), (70, 420), (46, 512), n=20)
                 + curve((46, 512), (90, 500), (130, 520), (168, 500), n=20)
                 + curve((168, 500), (196, 380), (214, 280), (212, 196), n=20))
    part(cv, cloak, "darkgreen", band=4, grad=((60, 190), (210, 520)))
    for x0, x1 in ((120, 84), (150, 128)):
        line(cv, curve((x0 + 10, 270), (x0, 380), (x1, 505), n=16), 3, (6, 16, 8), 0.55)
    # Legs in a wide stance.
    legs = (((176, 330), (136, 418), (118, 508)), ((206, 330), (246, 414), (262, 506)))
    for hip, knee, ankle in legs:
        part(cv, Limb(hip, 20, knee, 14), "leather")
        part(cv, Limb(knee, 14, ankle, 10), "leather")
        top = (knee[0] * 0.6 + ankle[0] * 0.4, knee[1] * 0.6 + ankle[1] * 0.4)
        part(cv, Limb(top, 13, ankle, 11), "darkleather", band=1.5)
        part(cv, Stroke([(top[0] - 12, top[1] - 2), (top[0] + 12, top[1] + 1)], 3.5), "darkleather", band=1,
             ow=0.7)
    part(cv, Poly([(100, 500), (130, 496), (140, 520), (142, 532), (94, 532), (96, 516)]), "darkleather")
    part(cv, Poly([(250, 498), (276, 498), (292, 518), (300, 532), (250, 532), (248, 516)]), "darkleather")
    # Tunic.
    tunic = Poly([(160, 200), (222, 200), (232, 260), (246, 362), (196, 352), (148, 364), (156, 260)])
    part(cv, tunic, "green", band=3)
    part(cv, Poly([(154, 296), (232, 296), (234, 310), (152, 310)]), "darkleather", band=1.5)
    part(cv, Rect(186, 294, 200, 312, 2), "bronze", band=1)
    line(cv, [(150, 200), (232, 304)], 5, (70, 44, 24))
    # Bow arm, reaching towards the page; the bow crosses the page's left edge.
    part(cv, Limb((214, 212), 14, (272, 208), 11), "green")
    part(cv, Limb((272, 208), 11, (330, 206), 9), "leather")
    part(cv, Stroke([(296, 207), (318, 206)], 18), "darkleather", band=1.5)
    grip = (336, 206)
    bow_top = (302, 92)
    bow_bot = (302, 320)
    bow = Stroke(curve(bow_top, (350, 140), (350, 272), bow_bot, n=30), 5.5)
    part(cv, bow, "wood", band=1.5)
    for t in (bow_top, bow_bot):
        part(cv, Ellipse(t[0], t[1], 3.4), "bronze", band=1, ow=0.8)
    # String drawn back to the cheek, and the arrow.
    nock = (206, 176)
    line(cv, [bow_top, nock, bow_bot], 1.2, (230, 220, 190))
    ang = math.atan2(grip[1] - 6 - nock[1], grip[0] - nock[0])
    ux, uy = math.cos(ang), math.sin(ang)
    head = (nock[0] + ux * 176, nock[1] + uy * 176)
    part(cv, Stroke([nock, head], 3.0), "wood", band=0.8, ow=0.8)
    nx, ny = -uy, ux
    part(cv, Poly([(head[0] + ux * 14, head[1] + uy * 14), (head[0] + nx * 5, head[1] + ny * 5),
                   (head[0] - nx * 5, head[1] - ny * 5)]), "steel", band=1, ow=0.8)
    for sgn in (1, -1):
        part(cv, Poly([(nock[0] + ux * 4, nock[1] + uy * 4), (nock[0] + ux * 20, nock[1] + uy * 20),
                       (nock[0] + ux * 2 + nx * sgn * 7, nock[1] + uy * 2 + ny * sgn * 7)]), "red", band=1, ow=0.6)
    part(cv, Ellipse(grip[0], grip[1], 9, 8), "darkleather", band=1.5)
    # Draw arm: elbow back, hand at the cheek.
    # Hood and face in profile.
    hood = Poly(curve((150, 198), (140, 150), (160, 112), (190, 108), n=14)
                + curve((190, 108), (220, 112), (230, 150), (226, 196), n=14)
                + curve((226, 196), (200, 206), (172, 206), (150, 198), n=8))
    part(cv, hood, "darkgreen", band=3)
    cv.paint(Ellipse(210, 154, 15, 23), (12, 20, 12), outline=None)
    part(cv, Ellipse(211, 158, 11.5, 16.5), "skin", band=1.6, ow=0.8)
    part(cv, Poly([(219, 150), (225, 162), (219, 164)]), "skin", band=0.6, ow=0.45)
    cv.glow(Ellipse(207, 139, 17, 9), (8, 16, 8), 3.5, 0.9)
    part(cv, Ellipse(216, 154, 1.9, 1.4), "ink", ow=0.3)
    cv.glow(Ellipse(216, 154, 1.2), (190, 255, 170), 1.6, 0.7)
    line(cv, [(212, 150), (220, 150.5)], 1.1, (60, 40, 20), 0.9)
    line(cv, [(214, 168.5), (219, 168)], 1.0, (120, 60, 50), 0.8)
    # Draw arm, in front: elbow back, the hand anchored under the cheek.
    part(cv, Limb((166, 218), 15, (128, 192), 12), "green")
    part(cv, Limb((128, 192), 11, (200, 178), 9), "leather")
    part(cv, Ellipse(205, 177, 9, 8), "darkleather", band=1.5)


def make_ranger():
    cv = Canvas(433, 591)
    ranger_parts(cv)
    return finish_figure(cv, rim_colour=(170, 220, 200), rim=0.55)

# ---------------------------------------------------------------------------
# The program icon (icon resource 128): one 64 x 64 32-bit image.

def make_icon_image():
    cv = Canvas(64, 64, 8)
    draw_emblem(cv, 32, 32, 31)
    return cv.result()


def ico_bytes(img):
    """A .ico holding one 32-bit BMP image (BITMAPINFOHEADER, XOR BGRA rows bottom-up, AND mask)."""
    w, h = img.size
    px = img.load()
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[x, y]
            xor += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    and_mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(w):
            if px[x, y][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        and_mask += row
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    payload = header + bytes(xor) + bytes(and_mask)
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(payload), 6 + 16)
    return icondir + entry + payload


# ---------------------------------------------------------------------------
# Writing.

def save_png(img, path, ident):
    """RGBA images become colour type 6, RGB images colour type 2; never a palette."""
    assert img.mode in ("RGBA", "RGB"), img.mode
    info = PngImagePlugin.PngInfo()
    if img.mode == "RGB":
        info.add_text("Title", "Lumvane skin %d" % ident)
        img.save(path, "PNG", pnginfo=info, optimize=False)
    else:
        img.save(path, "PNG", pnginfo=info, dpi=(96, 96), optimize=False)


def build_all():
    """Returns {id: image} for all 19 skin images, and the icon image."""
    art = {}
    disc_states = {131: "normal", 132: "hover", 133: "pressed"}
    for ident, st in disc_states.items():
        art[ident] = draw_close_spot(st)
    art[130] = make_backdrop()
    art[135] = make_warrior()
    art[136] = make_mage()
    art[137] = make_ranger()
    left, tile, right = make_caption_bar()
    art[159], art[160], art[161] = left, tile, right
    left, tile, right = make_bottom_bar()
    art[154], art[155], art[156] = left, tile, right
    art[157] = make_side_tile()
    rows = caption_row_colours()[3:3 + BTN]
    art[139] = make_button_strip("minimise", rows)
    art[140] = make_button_strip("close", rows)
    art[142] = make_button_strip("maximise", rows)
    art[143] = make_button_strip("hide", rows)
    art[144] = make_button_strip("menu", rows)
    return art, make_icon_image()


def game_mock(art, bw, bh, states):
    """Game mode at bw x bh: caption bar, side bars, bottom bar; states gives the frame shown
    by each button (close, maximise, minimise, hide, menu)."""
    game = Image.new("RGBA", (bw, bh), (236, 232, 222, 255))

    def three_slice(left, tile, right, y):
        row = Image.new("RGBA", (bw, left.size[1]), (0, 0, 0, 0))
        row.alpha_composite(left, (0, 0))
        x = left.size[0]
        while x < bw:
            row.alpha_composite(tile, (x, 0))
            x += tile.size[0]
        row.alpha_composite(right, (bw - right.size[0], 0))
        game.alpha_composite(row, (0, y))

    three_slice(art[159], art[160], art[161], 0)
    y = CAPTION_H
    while y < bh - 5:
        piece = art[157].crop((0, 0, 5, min(20, bh - 5 - y)))
        game.alpha_composite(piece, (0, y))
        game.alpha_composite(piece, (bw - 5, y))
        y += 20
    three_slice(art[154], art[155], art[156], bh - 5)
    for j, ident in enumerate((140, 142, 139, 143, 144)):
        f = states[j]
        frame = art[ident].crop((f * BTN, 0, f * BTN + BTN, BTN)).convert("RGBA")
        game.alpha_composite(frame, (bw - 20 * (j + 1), 3))
    # A stand-in for the 12-pixel white title.
    d = ImageDraw.Draw(game)
    for i, w in enumerate((7, 9, 6, 8, 7, 10, 6, 9, 8, 7, 6, 9)):
        x = 10 + sum((7, 9, 6, 8, 7, 10, 6, 9, 8, 7, 6, 9)[:i]) + i * 2
        d.rectangle((x, 8, x + w - 1, 17), fill=(255, 255, 255, 255))
    return game


def preview(art, path):
    """A look at everything: the login window with each artwork, the caption bar with its
    buttons in all states, the close spot states and the edge bars."""
    grey = (128, 128, 128, 255)
    W, H = BACKDROP_W, BACKDROP_H
    pad = 16
    sheet = Image.new("RGBA", (W * 2 + pad * 3, H * 2 + 330 + pad * 6), grey)

    def login(artwork):
        im = Image.new("RGBA", (W, H), grey)
        page = Image.new("RGBA", (PAGE[2] - PAGE[0], PAGE[3] - PAGE[1]), (236, 232, 222, 255))
        d = ImageDraw.Draw(page)
        for i in range(8):
            d.rectangle((30, 40 + i * 30, 30 + 300 - (i % 3) * 60, 52 + i * 30), fill=(180, 176, 168, 255))
        d.rectangle((380, 260, 490, 300), fill=(60, 110, 200, 255))
        im.paste(page, PAGE[:2])
        spot = art[131]
        im.alpha_composite(spot, (CLOSE_X, CLOSE_Y))
        back = art[130].copy()
        art_img = artwork.crop((0, 0, artwork.size[0], min(artwork.size[1], H)))
        back.alpha_composite(art_img, (0, 0))
        im.alpha_composite(back)
        return im

    for i, ident in enumerate((135, 136, 137)):
        x = pad + (i % 2) * (W + pad)
        y = pad + (i // 2) * (H + pad)
        sheet.alpha_composite(login(art[ident]), (x, y))
    # Fourth cell: the bare frame, its close spot in hover state.
    bare = Image.new("RGBA", (W, H), grey)
    bare.alpha_composite(art[132], (CLOSE_X, CLOSE_Y))
    bare.alpha_composite(art[130])
    sheet.alpha_composite(bare, (pad + W + pad, pad + H + pad))

    # Game mode: a 1200-pixel caption bar with the buttons at rest and one hovered,
    # the side bars and the bottom bar around a stand-in page.
    bw, bh = 1200, 120
    gy = pad * 3 + H * 2
    for k, states in enumerate(((0, 0, 0, 0, 0), (3, 1, 0, 4, 3))):
        game = game_mock(art, bw, bh, states)
        sheet.alpha_composite(game, (pad, gy + k * (bh + pad)))
    # All button strips at 3x, and the three close spots at 4x.
    sy = gy + 2 * (bh + pad)
    for j, ident in enumerate((139, 140, 142, 143, 144)):
        big = art[ident].resize((95 * 3, 19 * 3), Image.NEAREST).convert("RGBA")
        sheet.alpha_composite(big, (pad + j * (95 * 3 + 12), sy))
    for j, ident in enumerate((131, 132, 133)):
        big = art[ident].resize((96, 96), Image.NEAREST)
        sheet.alpha_composite(big, (pad + bw + 2 * pad + j * 110, gy))
    sheet.convert("RGB").save(path)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", type=Path, default=ROOT / "res", help="resource folder to write into")
    ap.add_argument("--preview", type=Path, help="also write a preview sheet to this PNG file")
    args = ap.parse_args()
    art, icon = build_all()
    png_dir = args.out / "png"
    png_dir.mkdir(parents=True, exist_ok=True)
    for ident in sorted(art):
        save_png(art[ident], png_dir / ("%d.png" % ident), ident)
    (args.out / "lumvane.ico").write_bytes(ico_bytes(icon))
    if args.preview:
        preview(art, args.preview)
    print("wrote %d skin images and the icon into %s" % (len(art), args.out))


if __name__ == "__main__":
    main()
