#!/usr/bin/env python3
"""Draws Kitbag's artwork: the dialog header, the splash picture and the program icon.

    make_artwork.py OUTDIR

Writes OUTDIR/header.bmp (634 x 78), OUTDIR/splash.bmp (425 x 208), both 24-bit, and
OUTDIR/kitbag.ico (48, 32 and 16 pixels, 32-bit with alpha). The drawing is pure
arithmetic, so the same script always produces the same bytes. A file is only rewritten
when its bytes change, which keeps builds that depend on it incremental.
"""

import math
import os
import struct
import sys

from generated_file import write_if_changed

HEADER_SIZE = (634, 78)
SPLASH_SIZE = (425, 208)
ICON_SIZES = (48, 32, 16)

# Palette: dark teal background, canvas-coloured bag, brass fittings.
BG_DARK = (18, 46, 66)
BG_LIGHT = (40, 104, 128)
BAG_OUTLINE = (66, 42, 22)
BAG_BODY = (184, 142, 84)
BAG_FLAP = (150, 108, 58)
BAG_POCKET = (166, 124, 70)
BAG_STRAP = (98, 66, 36)
BRASS = (232, 192, 96)
TEXT = (250, 248, 242)
ACCENT = (214, 168, 72)


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def lerp(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Canvas:
    """RGBA image with straight (not premultiplied) alpha, values 0..1, row 0 at the top."""

    def __init__(self, width, height, fill=(0.0, 0.0, 0.0, 0.0)):
        self.width = width
        self.height = height
        self.px = [list(fill) for _ in range(width * height)]

    def fill(self, colour_at):
        for y in range(self.height):
            for x in range(self.width):
                r, g, b = colour_at(x + 0.5, y + 0.5)
                self.px[y * self.width + x] = [r, g, b, 1.0]

    def blend(self, x, y, rgb, alpha):
        if alpha <= 0.0:
            return
        p = self.px[y * self.width + x]
        da = p[3]
        out_a = alpha + da * (1.0 - alpha)
        for i in range(3):
            p[i] = (rgb[i] * alpha + p[i] * da * (1.0 - alpha)) / out_a
        p[3] = out_a

    def shape(self, sdf, box, rgb, opacity=1.0, softness=1.0):
        """Paints where the signed distance is negative, anti-aliased over `softness` pixels."""
        x0, y0, x1, y1 = box
        x0 = max(0, int(math.floor(x0)) - 1)
        y0 = max(0, int(math.floor(y0)) - 1)
        x1 = min(self.width, int(math.ceil(x1)) + 1)
        y1 = min(self.height, int(math.ceil(y1)) + 1)
        colour = tuple(c / 255.0 for c in rgb)
        for y in range(y0, y1):
            for x in range(x0, x1):
                d = sdf(x + 0.5, y + 0.5)
                cover = clamp01(0.5 - d / softness)
                if cover > 0.0:
                    self.blend(x, y, colour, cover * opacity)

    def bytes_rgb(self, x, y):
        p = self.px[y * self.width + x]
        return tuple(int(clamp01(c) * 255.0 + 0.5) for c in p[:3])

    def byte_alpha(self, x, y):
        return int(clamp01(self.px[y * self.width + x][3]) * 255.0 + 0.5)


# --- signed distance functions (pixel units, y down) -----------------------------------

def rounded_box(cx, cy, hx, hy, r):
    def sdf(x, y):
        qx = abs(x - cx) - (hx - r)
        qy = abs(y - cy) - (hy - r)
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return sdf, (cx - hx, cy - hy, cx + hx, cy + hy)


def grown(shape, by):
    sdf, (x0, y0, x1, y1) = shape
    return (lambda x, y: sdf(x, y) - by), (x0 - by, y0 - by, x1 + by, y1 + by)


def shifted(shape, dx, dy):
    sdf, (x0, y0, x1, y1) = shape
    return (lambda x, y: sdf(x - dx, y - dy)), (x0 + dx, y0 + dy, x1 + dx, y1 + dy)


def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    wx, wy = px - ax, py - ay
    length2 = vx * vx + vy * vy
    t = 0.0 if length2 == 0.0 else clamp01((wx * vx + wy * vy) / length2)
    return math.hypot(wx - vx * t, wy - vy * t)


def arc_distance(px, py, cx, cy, r, a0, a1):
    """Distance to the arc running counter-clockwise from a0 to a1 degrees (y up)."""
    vx, vy = px - cx, py - cy
    angle = math.degrees(math.atan2(vy, vx))
    while angle < a0:
        angle += 360.0
    while angle >= a0 + 360.0:
        angle -= 360.0
    if angle <= a1:
        return abs(math.hypot(vx, vy) - r)
    ends = []
    for a in (a0, a1):
        ex = cx + r * math.cos(math.radians(a))
        ey = cy + r * math.sin(math.radians(a))
        ends.append(math.hypot(px - ex, py - ey))
    return min(ends)


# --- emblem: a rucksack, drawn in a unit square scaled to `size` pixels -----------------

def draw_emblem(canvas, left, top, size, shadow=True, detail=True):
    def u(v):
        return v * size

    def box(cx, cy, hx, hy, r):
        return rounded_box(left + u(cx), top + u(cy), u(hx), u(hy), u(r))

    body = box(0.5, 0.6, 0.33, 0.35, 0.13)
    outline = max(1.0, size / 40.0)

    if shadow:
        soft = max(1.0, size / 16.0)
        canvas.shape(*shifted(grown(body, outline), size / 30.0, size / 22.0), (0, 0, 0),
                     opacity=0.35, softness=soft)

    # Carrying loop: upper half of a ring, drawn before the body so the body covers its feet.
    hcx, hcy, hr = left + u(0.5), top + u(0.27), u(0.13)
    loop_w = u(0.045) + outline

    def loop(x, y):
        return arc_distance(x, -y, hcx, -hcy, hr, 0.0, 180.0) - loop_w / 2
    loop_box = (hcx - hr - loop_w, hcy - hr - loop_w, hcx + hr + loop_w, hcy + loop_w)
    canvas.shape(loop, loop_box, BAG_OUTLINE)
    canvas.shape(lambda x, y: loop(x, y) + outline, loop_box, BAG_STRAP)

    canvas.shape(*grown(body, outline), BAG_OUTLINE)
    canvas.shape(*body, BAG_BODY)
    canvas.shape(*box(0.5, 0.77, 0.2, 0.13, 0.06), BAG_POCKET)
    flap = box(0.5, 0.39, 0.31, 0.15, 0.11)
    canvas.shape(*grown(flap, outline * 0.6), BAG_OUTLINE, opacity=0.6)
    canvas.shape(*flap, BAG_FLAP)
    if detail:
        for sx in (0.37, 0.63):
            canvas.shape(*box(sx, 0.55, 0.035, 0.13, 0.0), BAG_STRAP)
            canvas.shape(*box(sx, 0.6, 0.05, 0.035, 0.008), BRASS)
    else:
        canvas.shape(*box(0.5, 0.55, 0.06, 0.04, 0.01), BRASS)


# --- lettering: a small stroke font (x-height 1, y up, baseline 0) -----------------------

STROKE = 0.2
GLYPHS = {
    "K": [("seg", 0, 0, 0, 1.45), ("seg", 0, 0.45, 0.75, 1.45), ("seg", 0.3, 0.85, 0.8, 0)],
    "i": [("seg", 0, 0, 0, 1.0), ("dot", 0, 1.38, 0.13)],
    "t": [("seg", 0, 0.3, 0, 1.35), ("arc", 0.3, 0.3, 0.3, 180, 270), ("seg", 0.3, 0, 0.42, 0),
          ("seg", -0.18, 1.0, 0.42, 1.0)],
    "b": [("seg", 0, 0, 0, 1.45), ("arc", 0.47, 0.5, 0.47, 0, 360)],
    "a": [("arc", 0.47, 0.5, 0.47, 0, 360), ("seg", 0.94, 0, 0.94, 0.97)],
    "g": [("arc", 0.47, 0.5, 0.47, 0, 360), ("seg", 0.94, 0.97, 0.94, -0.15),
          ("arc", 0.47, -0.15, 0.47, 210, 360)],
}
TRACKING = 0.24


def glyph_extent(prims):
    """Left and right ink edges of a glyph."""
    xs = []
    for p in prims:
        if p[0] == "seg":
            xs += [p[1], p[3]]
        elif p[0] == "dot":
            xs += [p[1] - p[3], p[1] + p[3]]
        else:
            _, cx, _, r, a0, a1 = p
            xs += [cx + r * math.cos(math.radians(a)) for a in range(a0, a1 + 1)]
    return min(xs) - STROKE / 2, max(xs) + STROKE / 2


def text_width(text):
    width = 0.0
    for ch in text:
        lo, hi = glyph_extent(GLYPHS[ch])
        width += hi - lo + TRACKING
    return width - TRACKING


def draw_text(canvas, text, left, baseline, scale, rgb):
    pen = 0.0
    for ch in text:
        prims = GLYPHS[ch]
        lo, hi = glyph_extent(prims)
        ox = left + (pen - lo) * scale

        def sdf(x, y, prims=prims, ox=ox):
            gx = (x - ox) / scale
            gy = (baseline - y) / scale
            best = 1e9
            for p in prims:
                if p[0] == "seg":
                    d = segment_distance(gx, gy, p[1], p[2], p[3], p[4]) - STROKE / 2
                elif p[0] == "dot":
                    d = math.hypot(gx - p[1], gy - p[2]) - p[3]
                else:
                    d = arc_distance(gx, gy, p[1], p[2], p[3], p[4], p[5]) - STROKE / 2
                best = min(best, d)
            return best * scale

        glyph_box = (ox + (lo - 0.05) * scale, baseline - 1.6 * scale,
                     ox + (hi + 0.05) * scale, baseline + 0.8 * scale)
        canvas.shape(sdf, glyph_box, rgb)
        pen += hi - lo + TRACKING


# --- the three pictures -----------------------------------------------------------------

def background(width, height):
    def colour_at(x, y):
        t = 1.0 - y / height
        glow = 0.08 * (1.0 - abs(y / height - 0.35))
        c = lerp(BG_DARK, BG_LIGHT, t * t * (3 - 2 * t))
        return tuple(clamp01(v / 255.0 + glow) for v in c)
    return colour_at


def make_header():
    # The header static centres the bitmap in a 410 x 48 unit control: a dialog wider than
    # 634 pixels shows its own background beside it (Wine: 718), a narrower one crops both
    # sides (Tahoma 8 at 96 DPI: 615, about 10 pixels each side). Hence one flat colour
    # and nothing close to the edges.
    w, h = HEADER_SIZE
    c = Canvas(w, h)
    flat = tuple(v / 255.0 for v in lerp(BG_DARK, BG_LIGHT, 0.45))
    c.fill(lambda x, y: flat)
    draw_emblem(c, 24, 7, 62)
    draw_text(c, "Kitbag", 100, 49, 22, TEXT)
    return c


def make_splash():
    w, h = SPLASH_SIZE
    c = Canvas(w, h)
    c.fill(background(w, h))
    emblem, gap, scale = 124, 24, 30
    text_w = text_width("Kitbag") * scale
    left = (w - (emblem + gap + text_w)) / 2
    draw_emblem(c, left, 40, emblem)
    text_left = left + emblem + gap
    draw_text(c, "Kitbag", text_left, 118, scale, TEXT)
    c.shape(*rounded_box(text_left + text_w / 2, 146, text_w / 2, 2, 2), ACCENT)
    return c


def make_icon_image(size):
    c = Canvas(size, size)
    # The bag's outline reaches a little past its unit square; keep a pixel of margin.
    margin = size / 24.0
    draw_emblem(c, margin, -margin * 0.5, size - 2 * margin, shadow=False, detail=size >= 32)
    return c


# --- file formats -------------------------------------------------------------------------

def bmp24(canvas):
    w, h = canvas.width, canvas.height
    row_size = (w * 3 + 3) & ~3
    pad = b"\0" * (row_size - w * 3)
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b = canvas.bytes_rgb(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row) + pad)
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pixels


def icon_entry_image(canvas):
    """BITMAPINFOHEADER + BGRA rows + AND mask, all bottom-up, as stored inside an .ico."""
    w, h = canvas.width, canvas.height
    colour = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b = canvas.bytes_rgb(x, y)
            a = canvas.byte_alpha(x, y)
            if a == 0:
                r = g = b = 0
            colour += bytes((b, g, r, a))
    mask_row = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_row)
        for x in range(w):
            if canvas.byte_alpha(x, y) < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return info + bytes(colour) + bytes(mask)


def ico(canvases):
    images = [icon_entry_image(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_artwork.py OUTDIR\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    write_if_changed(os.path.join(out, "header.bmp"), bmp24(make_header()))
    write_if_changed(os.path.join(out, "splash.bmp"), bmp24(make_splash()))
    write_if_changed(os.path.join(out, "kitbag.ico"), ico([make_icon_image(s) for s in ICON_SIZES]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
