#!/usr/bin/env python3
"""Draws the program icon (a drive with a copy arrow) and writes it as an .ico.

The picture is the same mark the program paints on its splash window. Each
size is rasterised here from the shapes below, with supersampling for smooth
edges; 256 px is stored as PNG, the smaller sizes as 32-bit DIBs.

    python3 scripts/make-icon.py src/gui/vektrel.ico
"""
import math
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def hexrgb(h):
    return tuple(int(h[i:i + 2], 16) for i in (0, 2, 4))


WHITE = hexrgb("FFFFFF")
BLUE = hexrgb("2F6DB5")
SLATE, CHARCOAL = hexrgb("4C5868"), hexrgb("2E3744")
SILVER, STEEL = hexrgb("C8D1DC"), hexrgb("8893A1")
LED = hexrgb("4CD964")


class Image:
    def __init__(self, size, samples):
        self.size = size
        self.n = samples
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]  # premultiplied RGBA, 0..1

    def paint(self, bbox, inside, colour):
        """Composites a shape given by inside(x, y) in design units (0..100)."""
        k = 100.0 / self.size
        x0 = max(0, int(bbox[0] / k) - 1)
        y0 = max(0, int(bbox[1] / k) - 1)
        x1 = min(self.size, int(bbox[2] / k) + 2)
        y1 = min(self.size, int(bbox[3] / k) + 2)
        n = self.n
        offs = [(i + 0.5) / n for i in range(n)]
        for py in range(y0, y1):
            for px in range(x0, x1):
                hit = 0
                for oy in offs:
                    for ox in offs:
                        if inside((px + ox) * k, (py + oy) * k):
                            hit += 1
                if not hit:
                    continue
                a = hit / (n * n)
                c = colour(((py + 0.5) * k)) if callable(colour) else colour
                p = self.px[py * self.size + px]
                for i in range(3):
                    p[i] = c[i] / 255.0 * a + p[i] * (1 - a)
                p[3] = a + p[3] * (1 - a)

    def rgba(self):
        out = []
        for p in self.px:
            a = p[3]
            rgb = [0, 0, 0] if a <= 0 else [min(255, round(p[i] / a * 255)) for i in range(3)]
            out.append((rgb[0], rgb[1], rgb[2], round(a * 255)))
        return out


def round_rect(x, y, w, h, r):
    def inside(px, py):
        if px < x or py < y or px > x + w or py > y + h:
            return False
        cx = min(max(px, x + r), x + w - r)
        cy = min(max(py, y + r), y + h - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r
    return (x, y, x + w, y + h), inside


def disc(cx, cy, r):
    return (cx - r, cy - r, cx + r, cy + r), lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    def inside(px, py):
        d = (px - cx) ** 2 + (py - cy) ** 2
        return (r - width) ** 2 <= d <= r * r
    return (cx - r, cy - r, cx + r, cy + r), inside


def segment(ax, ay, bx, by, width):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy
    def inside(px, py):
        t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / ll))
        return (px - ax - t * dx) ** 2 + (py - ay - t * dy) ** 2 <= (width / 2) ** 2
    pad = width / 2
    return (min(ax, bx) - pad, min(ay, by) - pad, max(ax, bx) + pad, max(ay, by) + pad), inside


def polygon(points):
    def inside(px, py):
        c = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return (min(xs), min(ys), max(xs), max(ys)), inside


def draw(size):
    img = Image(size, 3 if size > 64 else 4)

    def put(shape, colour):
        img.paint(shape[0], shape[1], colour)

    # The drive, in a sub-square of 86 units at the top left.
    s = 0.86
    def u(v):
        return v * s
    top, bottom = u(3), u(97)
    put(round_rect(u(15), u(3), u(70), u(94), u(8)), lambda y: mix(SLATE, CHARCOAL, (y - top) / (bottom - top)))
    if size >= 32:
        for sx, sy in ((21, 9), (79, 9), (21, 91), (79, 91)):
            put(disc(u(sx), u(sy), u(2.2)), STEEL)
    put(disc(u(50), u(40), u(28)), SILVER)
    if size >= 24:
        put(ring(u(50), u(40), u(21), u(1.2)), hexrgb("E6EBF1"))
    put(disc(u(50), u(40), u(8)), STEEL)
    put(disc(u(50), u(40), u(3.5)), SILVER)
    put(segment(u(72), u(84), u(56), u(52), u(5)), hexrgb("AEB8C4"))
    put(disc(u(72), u(84), u(6)), STEEL)
    if size >= 32:
        put(disc(u(26), u(86), u(2.6)), LED)
    # The copy arrow on a round badge.
    cx, cy, r = 74.0, 74.0, 20.0
    put(disc(cx, cy, r + 2.5), WHITE)
    put(disc(cx, cy, r), BLUE)
    k = r / 17
    put(polygon([(cx - 9 * k, cy - 4 * k), (cx + 1 * k, cy - 4 * k), (cx + 1 * k, cy - 10 * k), (cx + 11 * k, cy),
                 (cx + 1 * k, cy + 10 * k), (cx + 1 * k, cy + 4 * k), (cx - 9 * k, cy + 4 * k)]), WHITE)
    return img.rgba()


def dib(size, pixels):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(struct.pack("BBBB", b, g, r, a) for (r, g, b, a) in pixels[y * size:(y + 1) * size]))
    mask_stride = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_stride * size)  # the alpha channel decides
    return header + b"".join(rows) + mask


def png(size, pixels):
    raw = b"".join(b"\0" + b"".join(struct.pack("BBBB", *p) for p in pixels[y * size:(y + 1) * size])
                   for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-icon.py OUTPUT.ico")
    images = []
    for size in SIZES:
        pixels = draw(size)
        images.append((size, png(size, pixels) if size >= 256 else dib(size, pixels)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
