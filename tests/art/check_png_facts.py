#!/usr/bin/python3
"""Checks the committed skin images and the program icon against the facts the launcher relies on.

Reads res/png/*.png and res/lumvane.ico (or the folder given with --res) with its own PNG reader
(struct + zlib, no imaging library), and exits non-zero with one line per violated fact.

    python3 tests/art/check_png_facts.py [--res DIR]
"""

import argparse
import struct
import sys
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent.parent

RGBA, RGB = 6, 2
CATALOGUE = {
    130: (888, 591, RGBA),
    131: (24, 24, RGBA), 132: (24, 24, RGBA), 133: (24, 24, RGBA),
    135: (396, 591, RGBA), 136: (536, 592, RGBA), 137: (433, 591, RGBA),
    139: (95, 19, RGB), 140: (95, 19, RGB), 142: (95, 19, RGB), 143: (95, 19, RGB), 144: (95, 19, RGB),
    154: (151, 5, RGBA), 155: (14, 5, RGBA), 156: (151, 5, RGBA), 157: (5, 20, RGBA),
    159: (151, 25, RGBA), 160: (14, 25, RGBA), 161: (151, 25, RGBA),
}

# Login-mode geometry (launcher client pixels).
PAGE_X0, PAGE_Y0, PAGE_X1, PAGE_Y1 = 319, 180, 846, 529     # right and bottom exclusive
CLOSE_X, CLOSE_Y = 847, 157
BUTTON_FRAME = 19


class PngError(Exception):
    pass


class Png:
    """A decoded 8-bit, non-interlaced PNG of colour type 2 or 6."""

    def __init__(self, path):
        data = path.read_bytes()
        if data[:8] != b"\x89PNG\r\n\x1a\n":
            raise PngError("not a PNG file (bad signature)")
        pos = 8
        self.chunks = []
        idat = []
        ihdr = None
        while pos < len(data):
            if pos + 8 > len(data):
                raise PngError("truncated chunk header")
            length, ctype = struct.unpack(">I4s", data[pos:pos + 8])
            body = data[pos + 8:pos + 8 + length]
            crc = data[pos + 8 + length:pos + 12 + length]
            if len(body) != length or len(crc) != 4:
                raise PngError("truncated %s chunk" % ctype.decode("latin-1"))
            if zlib.crc32(ctype + body) & 0xFFFFFFFF != struct.unpack(">I", crc)[0]:
                raise PngError("bad CRC in %s chunk" % ctype.decode("latin-1"))
            self.chunks.append(ctype)
            if ctype == b"IHDR":
                ihdr = body
            elif ctype == b"IDAT":
                idat.append(body)
            pos += 12 + length
            if ctype == b"IEND":
                break
        if not self.chunks or self.chunks[0] != b"IHDR" or ihdr is None or len(ihdr) != 13:
            raise PngError("IHDR is not the first chunk")
        if self.chunks[-1] != b"IEND":
            raise PngError("no IEND chunk")
        (self.width, self.height, self.bit_depth, self.colour_type, self.compression, self.filter_method,
         self.interlace) = struct.unpack(">IIBBBBB", ihdr)
        self.pixels = None
        if (self.bit_depth, self.compression, self.filter_method, self.interlace) != (8, 0, 0, 0):
            return
        if self.colour_type not in (RGB, RGBA):
            return
        self.bpp = 4 if self.colour_type == RGBA else 3
        raw = zlib.decompress(b"".join(idat))
        stride = self.width * self.bpp
        if len(raw) != (stride + 1) * self.height:
            raise PngError("image data has %d bytes, expected %d" % (len(raw), (stride + 1) * self.height))
        self.pixels = unfilter(raw, self.width, self.height, self.bpp)
        self.stride = stride

    def px(self, x, y):
        i = y * self.stride + x * self.bpp
        return tuple(self.pixels[i:i + self.bpp])

    def alpha(self, x, y):
        if self.bpp == 3:
            return 255
        return self.pixels[y * self.stride + x * 4 + 3]

    def row_alpha(self, y):
        return self.pixels[y * self.stride + 3:(y + 1) * self.stride:4]


def _add_bytes(a, b, n):
    """Bytewise (a + b) mod 256 of two n-byte strings, without a Python loop."""
    m7 = int.from_bytes(b"\x7f" * n, "big")
    m8 = int.from_bytes(b"\x80" * n, "big")
    x = int.from_bytes(a, "big")
    y = int.from_bytes(b, "big")
    return (((x & m7) + (y & m7)) ^ ((x ^ y) & m8)).to_bytes(n, "big")


def unfilter(raw, width, height, bpp):
    stride = width * bpp
    out = bytearray(stride * height)
    prev = bytes(stride)
    pos = 0
    for y in range(height):
        ftype = raw[pos]
        line = raw[pos + 1:pos + 1 + stride]
        pos += 1 + stride
        if ftype == 0:
            cur = bytes(line)
        elif ftype == 2:
            cur = _add_bytes(line, prev, stride)
        elif ftype == 1:
            cur = bytearray(line)
            for i in range(bpp, stride):
                cur[i] = (cur[i] + cur[i - bpp]) & 255
            cur = bytes(cur)
        elif ftype == 3:
            cur = bytearray(line)
            for i in range(stride):
                left = cur[i - bpp] if i >= bpp else 0
                cur[i] = (cur[i] + ((left + prev[i]) >> 1)) & 255
            cur = bytes(cur)
        elif ftype == 4:
            cur = bytearray(line)
            for i in range(stride):
                b = prev[i]
                if i >= bpp:
                    a = cur[i - bpp]
                    c = prev[i - bpp]
                else:
                    a = c = 0
                p = a + b - c
                pa = p - a if p > a else a - p
                pb = p - b if p > b else b - p
                pc = p - c if p > c else c - p
                if pa <= pb and pa <= pc:
                    pr = a
                elif pb <= pc:
                    pr = b
                else:
                    pr = c
                cur[i] = (cur[i] + pr) & 255
            cur = bytes(cur)
        else:
            raise PngError("row %d has unknown filter type %d" % (y, ftype))
        out[y * stride:(y + 1) * stride] = cur
        prev = cur
    return bytes(out)


class Checks:
    def __init__(self):
        self.passed = 0
        self.failures = []

    def check(self, ok, message):
        if ok:
            self.passed += 1
        else:
            self.failures.append(message)
        return ok


def luminance(p):
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]


def chroma(p):
    return max(p[:3]) - min(p[:3])


def opaque_runs(alpha_row):
    """Runs [start, end) of non-zero alpha in a row."""
    runs = []
    start = None
    for x, a in enumerate(alpha_row):
        if a and start is None:
            start = x
        elif not a and start is not None:
            runs.append((start, x))
            start = None
    if start is not None:
        runs.append((start, len(alpha_row)))
    return runs


def check_close_spots(c, imgs):
    disc = None
    for ident in (131, 132, 133):
        im = imgs.get(ident)
        if im is None:
            continue
        alphas = set(im.pixels[3::4])
        c.check(alphas <= {0, 255}, "%d: close spot alpha must be 0 or 255 only, found %s"
                % (ident, sorted(alphas - {0, 255})[:8]))
        opaque = {(x, y) for y in range(im.height) for x in range(im.width) if im.alpha(x, y)}
        rows = [opaque_runs(im.row_alpha(y)) for y in range(im.height)]
        c.check(all(len(r) == 1 for r in rows),
                "%d: every row of the close spot must hold exactly one run of opaque pixels (a disc)" % ident)
        c.check(all(len(r) == 1 and r[0][0] + r[0][1] == im.width for r in rows),
                "%d: every opaque run must be centred (the disc is round)" % ident)
        widths = [r[0][1] - r[0][0] if len(r) == 1 else 0 for r in rows]
        half = im.height // 2
        c.check(all(widths[i] <= widths[i + 1] for i in range(half - 1))
                and all(widths[i] >= widths[i + 1] for i in range(half, im.height - 1)),
                "%d: opaque runs must widen to the middle and narrow again (a disc)" % ident)
        c.check(rows[-1] == [(8, 16)], "%d: bottom row must be opaque exactly at columns 8..15, found runs %s"
                % (ident, rows[-1]))
        c.check(rows[0] == [(8, 16)], "%d: top row must be opaque exactly at columns 8..15, found runs %s"
                % (ident, rows[0]))
        if disc is None:
            disc = opaque
        else:
            c.check(opaque == disc, "%d: disc shape differs from 131's" % ident)
    if disc and 131 in imgs and 132 in imgs:
        a, b = imgs[131], imgs[132]
        diff = sum(sum(abs(p - q) for p, q in zip(a.px(x, y)[:3], b.px(x, y)[:3])) for x, y in disc) / (3 * len(disc))
        c.check(diff >= 30, "132: hover close spot must clearly differ from 131 (mean difference %.1f)" % diff)
        reds = sum(b.px(x, y)[0] - max(b.px(x, y)[1], b.px(x, y)[2]) for x, y in disc) / len(disc)
        c.check(reds > 20, "132: hover close spot should glow red/orange (mean red excess %.1f)" % reds)
    return disc


def check_backdrop(c, im, disc):
    bad = [(x, y) for y in range(PAGE_Y0, PAGE_Y1) for x in range(PAGE_X0, PAGE_X1) if im.alpha(x, y) != 0]
    c.check(not bad, "130: alpha must be 0 over the page rectangle; %d pixels are not, first %s"
            % (len(bad), bad[:3]))
    if disc:
        bad = [(CLOSE_X + x, CLOSE_Y + y) for x, y in sorted(disc) if im.alpha(CLOSE_X + x, CLOSE_Y + y) != 0]
        c.check(not bad, "130: alpha must be 0 under the close-spot disc; %d pixels are not, first %s"
                % (len(bad), bad[:3]))
    ring = ([(x, PAGE_Y0 - 1) for x in range(PAGE_X0 - 1, PAGE_X1 + 1)]
            + [(x, PAGE_Y1) for x in range(PAGE_X0 - 1, PAGE_X1 + 1)]
            + [(PAGE_X0 - 1, y) for y in range(PAGE_Y0, PAGE_Y1)]
            + [(PAGE_X1, y) for y in range(PAGE_Y0, PAGE_Y1)])
    bad = [p for p in ring if im.alpha(*p) != 255]
    c.check(not bad, "130: the frame must be opaque all around the page; %d ring pixels are not, first %s"
            % (len(bad), bad[:3]))
    # Around the close spot, outside its disc, the frame is opaque too.
    if disc:
        around = [(CLOSE_X + x, CLOSE_Y + y) for (x, y) in [(0, 0), (23, 0), (0, 23), (23, 23)]]
        c.check(all(im.alpha(*p) == 255 for p in around),
                "130: the close spot's corners outside the disc must be opaque frame")
    # Opaque pixels are dark on the whole: a dark frame with metal edges.
    total = n = 0
    for y in range(0, im.height, 3):
        for x in range(0, im.width, 3):
            p = im.px(x, y)
            if p[3] == 255:
                total += luminance(p)
                n += 1
    c.check(n > 0 and total / n < 90, "130: the opaque frame must be dark (mean luminance %.1f)"
            % (total / n if n else -1))
    c.check(n * 9 > 0.25 * im.width * im.height, "130: the frame must cover a good part of the picture")
    corners = [(0, 0), (im.width - 1, 0), (0, im.height - 1), (im.width - 1, im.height - 1)]
    c.check(all(im.alpha(*p) == 0 for p in corners), "130: the margins outside the frame must be transparent")


def check_artwork(c, imgs):
    masks = {}
    for ident in (135, 136, 137):
        im = imgs.get(ident)
        if im is None:
            continue
        inside = any(im.alpha(x, y) for y in range(PAGE_Y0, min(PAGE_Y1, im.height))
                     for x in range(PAGE_X0, min(PAGE_X1, im.width)))
        c.check(inside, "%d: the artwork must have visible pixels inside the page rectangle from x 319 on" % ident)
        spot = [(x, y) for y in range(CLOSE_Y, min(CLOSE_Y + 24, im.height))
                for x in range(CLOSE_X, min(CLOSE_X + 24, im.width)) if im.alpha(x, y)]
        c.check(not spot, "%d: the artwork must be transparent over the close-spot rectangle" % ident)
        clear = sum(1 for a in im.pixels[3::4] if a == 0)
        c.check(clear > 0.4 * im.width * im.height,
                "%d: the artwork needs a transparent background (only %d transparent pixels)" % (ident, clear))
        c.check(im.alpha(0, 0) == 0 and im.alpha(im.width - 1, 0) == 0,
                "%d: the artwork's top corners must be transparent" % ident)
        visible = sum(1 for a in im.pixels[3::4] if a)
        c.check(visible > 20000, "%d: the figure is too small (%d visible pixels)" % (ident, visible))
        masks[ident] = {(x, y) for y in range(0, 591, 2) for x in range(0, 396, 2) if im.alpha(x, y) > 128}
    ids = sorted(masks)
    for i in range(len(ids)):
        for j in range(i + 1, len(ids)):
            a, b = masks[ids[i]], masks[ids[j]]
            union = len(a | b) or 1
            iou = len(a & b) / union
            c.check(iou < 0.8, "%d and %d: the figures must be distinct (silhouette overlap %.2f)"
                    % (ids[i], ids[j], iou))


def check_strips(c, imgs):
    frames_of = {}
    for ident in (139, 140, 142, 143, 144):
        im = imgs.get(ident)
        if im is None:
            continue
        frames = []
        for f in range(5):
            frames.append(tuple(im.px(f * BUTTON_FRAME + x, y) for y in range(BUTTON_FRAME)
                                for x in range(BUTTON_FRAME)))
        frames_of[ident] = frames
        c.check(frames[2] == frames[3], "%d: frame 2 must be an exact copy of frame 3 (hover)" % ident)
        for a, b in ((0, 1), (0, 3), (0, 4), (1, 3), (1, 4), (3, 4)):
            c.check(frames[a] != frames[b], "%d: frames %d and %d must differ" % (ident, a, b))
        grey = sum(chroma(p) for p in frames[4]) / len(frames[4])
        c.check(grey < 20, "%d: frame 4 (disabled) must be greyed (mean chroma %.1f)" % (ident, grey))
        dark = sum(luminance(p) for p in frames[0]) / len(frames[0])
        c.check(dark < 110, "%d: frame 0 must sit dark like the caption bar (mean luminance %.1f)" % (ident, dark))
    normals = [frames_of[i][0] for i in sorted(frames_of)]
    c.check(len(set(normals)) == len(normals), "button strips: every button needs its own glyph")


def column(im, x):
    return [im.px(x, y) for y in range(im.height)]


def max_step(col_a, col_b):
    """Largest channel difference between two columns of pixels (alpha-weighted colour)."""
    worst = 0
    for p, q in zip(col_a, col_b):
        for i in range(len(p)):
            worst = max(worst, abs(p[i] - q[i]))
    return worst


def check_bars(c, imgs):
    for ident in (155, 157, 160):
        im = imgs.get(ident)
        if im is not None:
            c.check(all(a == 255 for a in im.pixels[3::4]), "%d: the tile must be fully opaque" % ident)
    cap_l, tile, cap_r = imgs.get(159), imgs.get(160), imgs.get(161)
    if cap_l is not None:
        c.check(cap_l.alpha(0, 0) == 0, "159: the top-left pixel must be transparent (rounded corner)")
        opaque = sum(1 for a in cap_l.pixels[3::4] if a == 255)
        c.check(opaque > 0.95 * cap_l.width * cap_l.height, "159: the left cap must be mostly opaque")
        bright = [(x, y) for y in range(6, 19) for x in range(10, cap_l.width) if luminance(cap_l.px(x, y)) > 90]
        c.check(not bright, "159: the title area (x 10.., y 6..18) must stay dark; %d bright pixels, first %s"
                % (len(bright), bright[:3]))
    if cap_r is not None:
        c.check(cap_r.alpha(cap_r.width - 1, 0) == 0, "161: the top-right pixel must be transparent (rounded corner)")
        opaque = sum(1 for a in cap_r.pixels[3::4] if a == 255)
        c.check(opaque > 0.95 * cap_r.width * cap_r.height, "161: the right cap must be mostly opaque")
    if tile is not None:
        bright = [(x, y) for y in range(6, 19) for x in range(tile.width) if luminance(tile.px(x, y)) > 90]
        c.check(not bright, "160: the title area (y 6..18) must stay dark")
    seams = [(159, 160, "left cap into tile"), (160, 160, "tile into tile"), (160, 161, "tile into right cap"),
             (154, 155, "left cap into tile"), (155, 155, "tile into tile"), (155, 156, "tile into right cap")]
    for a, b, what in seams:
        ia, ib = imgs.get(a), imgs.get(b)
        if ia is None or ib is None:
            continue
        step = max_step(column(ia, ia.width - 1), column(ib, 0))
        c.check(step <= 24, "%d/%d: the %s seam must be seamless (largest step %d)" % (a, b, what, step))
    if imgs.get(157) is not None:
        im = imgs[157]
        step = max_step([im.px(x, im.height - 1) for x in range(im.width)], [im.px(x, 0) for x in range(im.width)])
        c.check(step <= 24, "157: the side tile must repeat downwards without a seam (largest step %d)" % step)
    if imgs.get(154) is not None:
        c.check(imgs[154].alpha(0, 4) == 0, "154: the bottom-left pixel must be transparent (rounded corner)")
    if imgs.get(156) is not None:
        c.check(imgs[156].alpha(150, 4) == 0, "156: the bottom-right pixel must be transparent (rounded corner)")


def check_icon(c, path):
    if not c.check(path.is_file(), "%s: the icon file is missing" % path.name):
        return
    data = path.read_bytes()
    if not c.check(len(data) >= 22, "lumvane.ico: too short"):
        return
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    c.check((reserved, kind, count) == (0, 1, 1), "lumvane.ico: must be an icon with exactly one image")
    w, h, colours, _, planes, bits, size, offset = struct.unpack("<BBBBHHII", data[6:22])
    c.check((w, h, bits) == (64, 64, 32), "lumvane.ico: the image must be 64x64 at 32 bits (found %dx%d, %d bits)"
            % (w, h, bits))
    if not c.check(offset + size == len(data), "lumvane.ico: image size and offset do not match the file"):
        return
    payload = data[offset:offset + size]
    if payload[:8] == b"\x89PNG\r\n\x1a\n":
        c.check(True, "")
        return
    hdr = struct.unpack("<IiiHHI", payload[:20])
    c.check(hdr == (40, 64, 128, 1, 32, 0),
            "lumvane.ico: BMP payload must have BITMAPINFOHEADER 64 x 128 (doubled), 1 plane, 32 bits, BI_RGB")
    c.check(size == 40 + 64 * 64 * 4 + 64 * 8, "lumvane.ico: BMP payload must hold the XOR image and the AND mask")
    alphas = payload[40 + 3:40 + 64 * 64 * 4:4]
    c.check(any(a == 255 for a in alphas) and any(a == 0 for a in alphas),
            "lumvane.ico: the icon needs opaque pixels and a transparent surround")


def main():
    ap = argparse.ArgumentParser(description="Checks the skin images' facts.")
    ap.add_argument("--res", type=Path, default=ROOT / "res", help="resource folder (default: the repository's)")
    args = ap.parse_args()
    c = Checks()
    png_dir = args.res / "png"
    imgs = {}
    present = sorted(p.name for p in png_dir.glob("*.png")) if png_dir.is_dir() else []
    expected = sorted("%d.png" % i for i in CATALOGUE)
    c.check(present == expected, "png folder must hold exactly %s; found %s" % (expected, present))
    for ident, (w, h, ct) in sorted(CATALOGUE.items()):
        path = png_dir / ("%d.png" % ident)
        if not c.check(path.is_file(), "%d: %s is missing" % (ident, path.name)):
            continue
        try:
            im = Png(path)
        except (PngError, zlib.error) as e:
            c.check(False, "%d: %s" % (ident, e))
            continue
        c.check((im.width, im.height) == (w, h),
                "%d: size must be %dx%d, is %dx%d" % (ident, w, h, im.width, im.height))
        c.check(im.colour_type == ct, "%d: colour type must be %d (%s), is %d"
                % (ident, ct, "RGBA" if ct == RGBA else "RGB", im.colour_type))
        c.check(im.bit_depth == 8, "%d: bit depth must be 8, is %d" % (ident, im.bit_depth))
        c.check(im.interlace == 0, "%d: must not be interlaced" % ident)
        c.check(b"PLTE" not in im.chunks, "%d: must carry no palette" % ident)
        if im.pixels is not None and (im.width, im.height, im.colour_type) == (w, h, ct):
            imgs[ident] = im
    disc = check_close_spots(c, imgs)
    if 130 in imgs:
        check_backdrop(c, imgs[130], disc)
    check_artwork(c, imgs)
    check_strips(c, imgs)
    check_bars(c, imgs)
    check_icon(c, args.res / "lumvane.ico")
    if c.failures:
        for f in c.failures:
            print("FAIL: " + f, file=sys.stderr)
        print("png facts: %d of %d checks failed" % (len(c.failures), len(c.failures) + c.passed), file=sys.stderr)
        return 1
    print("png facts: %d files, %d checks passed" % (len(imgs), c.passed))
    return 0


if __name__ == "__main__":
    sys.exit(main())
