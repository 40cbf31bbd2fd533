#!/usr/bin/env python3
"""Draws the application icon: a dark display board whose LED matrix shows a Z.

Writes the scalable SVG and the PNG sizes of the hicolor theme from one
description of the shapes, so that every size shows the same picture. Only
the standard library is used; the PNGs are rendered with anti-aliased edges
from signed distances and written with zlib.

    python3 packaging/icons/make_icons.py        # rewrites packaging/icons/hicolor
    python3 packaging/icons/make_icons.py DIR    # writes DIR/hicolor instead
"""
import os
import struct
import sys
import zlib

NAME = "zentrel-loader"
CANVAS = 256.0
SIZES = (16, 32, 48, 64, 128, 256)

PANEL = (16.0, 16.0, 240.0, 240.0, 40.0)  # x0, y0, x1, y1, corner radius
PANEL_FILL = (0x26, 0x32, 0x38)
PANEL_EDGE = (0x54, 0x6e, 0x7a)
EDGE_WIDTH = 8.0
LED_ON = (0xff, 0xb3, 0x00)
LED_OFF = (0x3e, 0x4c, 0x54)
HIGHLIGHT = (0xff, 0xec, 0xb3)

# The letter on a 7 x 7 matrix, top row first.
MATRIX = (
    "#######",
    ".....#.",
    "....#..",
    "...#...",
    "..#....",
    ".#.....",
    "#######",
)
PITCH = 28.0
LED_RADIUS = 11.0


def leds():
    """Yields (cx, cy, lit) for every LED of the matrix."""
    rows = len(MATRIX)
    first = CANVAS / 2 - PITCH * (rows - 1) / 2
    for r, line in enumerate(MATRIX):
        for c, ch in enumerate(line):
            yield first + c * PITCH, first + r * PITCH, ch == "#"


def shapes():
    """The picture, back to front: (kind, geometry, colour)."""
    x0, y0, x1, y1, rad = PANEL
    yield "rrect", (x0, y0, x1, y1, rad), PANEL_EDGE
    e = EDGE_WIDTH
    yield "rrect", (x0 + e, y0 + e, x1 - e, y1 - e, rad - e), PANEL_FILL
    for cx, cy, lit in leds():
        yield "circle", (cx, cy, LED_RADIUS), LED_ON if lit else LED_OFF
        if lit:
            yield "circle", (cx - 3.5, cy - 3.5, 3.5), HIGHLIGHT


def hex_colour(c):
    return "#%02x%02x%02x" % c


def svg():
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
           'viewBox="0 0 256 256">']
    for kind, g, colour in shapes():
        if kind == "rrect":
            x0, y0, x1, y1, rad = g
            out.append('  <rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s"/>'
                       % (x0, y0, x1 - x0, y1 - y0, rad, hex_colour(colour)))
        else:
            cx, cy, rad = g
            out.append('  <circle cx="%g" cy="%g" r="%g" fill="%s"/>'
                       % (cx, cy, rad, hex_colour(colour)))
    out.append("</svg>")
    return "\n".join(out) + "\n"


def distance(kind, g, x, y):
    """Signed distance, in canvas units, from (x, y) to the shape's edge."""
    if kind == "circle":
        cx, cy, rad = g
        return ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5 - rad
    x0, y0, x1, y1, rad = g
    hx, hy = (x1 - x0) / 2 - rad, (y1 - y0) / 2 - rad
    dx = abs(x - (x0 + x1) / 2) - hx
    dy = abs(y - (y0 + y1) / 2) - hy
    outside = (max(dx, 0.0) ** 2 + max(dy, 0.0) ** 2) ** 0.5
    return outside + min(max(dx, dy), 0.0) - rad


def bounds(kind, g):
    if kind == "circle":
        cx, cy, rad = g
        return cx - rad, cy - rad, cx + rad, cy + rad
    return g[:4]


def render(size):
    """RGBA rows of the picture at size x size pixels."""
    scale = size / CANVAS
    px = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]  # premultiplied
    for kind, g, colour in shapes():
        bx0, by0, bx1, by1 = bounds(kind, g)
        for j in range(max(int(by0 * scale) - 1, 0), min(int(by1 * scale) + 2, size)):
            for i in range(max(int(bx0 * scale) - 1, 0), min(int(bx1 * scale) + 2, size)):
                d = distance(kind, g, (i + 0.5) / scale, (j + 0.5) / scale) * scale
                a = min(max(0.5 - d, 0.0), 1.0)
                if a == 0.0:
                    continue
                p = px[j * size + i]
                keep = 1.0 - a
                for k in range(3):
                    p[k] = colour[k] / 255.0 * a + p[k] * keep
                p[3] = a + p[3] * keep
    rows = []
    for j in range(size):
        row = bytearray()
        for i in range(size):
            r, g_, b, a = px[j * size + i]
            if a > 0.0:
                row += bytes(round(min(v / a, 1.0) * 255) for v in (r, g_, b))
            else:
                row += b"\0\0\0"
            row.append(round(a * 255))
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + row for row in rows)  # filter type 0 on every row
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    base = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    root = os.path.join(base, "hicolor")
    scalable = os.path.join(root, "scalable", "apps")
    os.makedirs(scalable, exist_ok=True)
    with open(os.path.join(scalable, NAME + ".svg"), "w", encoding="ascii") as f:
        f.write(svg())
    for size in SIZES:
        folder = os.path.join(root, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, NAME + ".png"), "wb") as f:
            f.write(png(size, render(size)))


if __name__ == "__main__":
    main()
