#!/usr/bin/env python3
"""Draws the About window's two pictures and writes them as PNG files (zlib only, no imaging
library): the 128 x 128 logo (also the desktop icon) and the 147 x 47 link picture that opens the
README.

    python3 scripts/make_about_pictures.py [OUT_DIR]     (default: app/gui/pictures)

Shapes are described as coverage functions and sampled 4 x 4 times per pixel, so edges are
smooth and the output is the same on every machine.
"""
import math
import os
import struct
import sys
import zlib

SUB = 4  # samples per pixel along each axis


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples, 0..255."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter: none
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        out.write(chunk(b"IEND", b""))


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius and x0 <= x <= x1 and y0 <= y <= y1
    return inside


def thick_polyline(points, half_width):
    segments = list(zip(points, points[1:]))

    def inside(x, y):
        for (ax, ay), (bx, by) in segments:
            dx, dy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
            if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= half_width * half_width:
                return True
        return False
    return inside


def box(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def render(width, height, layers):
    """layers: (coverage function, colour function (x, y) -> (r, g, b, a)) painted in order."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SUB):
                for sx in range(SUB):
                    x, y = px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB
                    r = g = b = a = 0.0
                    for covers, colour in layers:
                        if not covers(x, y):
                            continue
                        cr, cg, cb, ca = colour(x, y)
                        ca /= 255.0
                        r, g, b = cr * ca + r * (1 - ca), cg * ca + g * (1 - ca), cb * ca + b * (1 - ca)
                        a = ca + a * (1 - ca)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            n = SUB * SUB
            alpha = acc[3] / n
            if alpha <= 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(min(255, c / n / alpha))) for c in acc[:3]) +
                           (int(round(alpha * 255)),))
        rows.append(row)
    return rows


def vertical_gradient(top, bottom, y0, y1):
    def colour(x, y):
        t = min(1.0, max(0.0, (y - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom)) + (255,)
    return colour


def solid(r, g, b, a=255):
    return lambda x, y: (r, g, b, a)


def logo():
    """A piece map of a download (a grid of pieces, one missing) under a check mark."""
    layers = [
        (rounded_rect(6, 8, 124, 126, 22), solid(0, 0, 0, 60)),  # shadow
        (rounded_rect(4, 4, 122, 122, 22), vertical_gradient((38, 112, 160), (18, 62, 102), 4, 122)),
    ]
    cell, gap, origin = 20, 6, 21
    for row in range(4):
        for col in range(4):
            x0, y0 = origin + col * (cell + gap), origin + row * (cell + gap)
            missing = (row, col) == (3, 3)
            colour = solid(255, 255, 255, 70) if missing else solid(140, 214, 255, 200)
            layers.append((rounded_rect(x0, y0, x0 + cell, y0 + cell, 4), colour))
    tick = [(30, 66), (54, 92), (100, 36)]
    layers.append((thick_polyline([(p[0] + 2, p[1] + 3) for p in tick], 10), solid(0, 0, 0, 70)))
    layers.append((thick_polyline(tick, 10), solid(255, 255, 255)))
    layers.append((thick_polyline(tick, 6), solid(76, 196, 96)))
    return render(128, 128, layers)


# A 5 x 7 pixel font for the link's word.
GLYPHS = {
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
}


def text_layer(word, left, top, scale):
    cells = set()
    for i, letter in enumerate(word):
        for row, line in enumerate(GLYPHS[letter]):
            for col, mark in enumerate(line):
                if mark == "#":
                    cells.add((i * 6 + col, row))

    def inside(x, y):
        return (int((x - left) // scale), int((y - top) // scale)) in cells and x >= left and y >= top
    return inside


def link_picture():
    """A README badge: a page with lines and the word README."""
    layers = [
        (rounded_rect(1, 2, 146, 46, 9), solid(0, 0, 0, 50)),
        (rounded_rect(0, 0, 145, 44, 9), vertical_gradient((60, 140, 200), (28, 84, 138), 0, 44)),
        # The page with a folded corner.
        (lambda x, y: box(14, 8, 38, 37)(x, y) and not (x - 30 > y - 8 + 0), solid(255, 255, 255)),
        (lambda x, y: 30 <= x < 38 and 8 <= y < 16 and x - 30 <= y - 8, solid(190, 215, 235)),
    ]
    for line_y in (19, 24, 29):
        layers.append((box(18, line_y, 34, line_y + 2), solid(60, 120, 170)))
    layers.append((text_layer("README", 47 + 1, 13 + 1, 2.6), solid(0, 0, 0, 70)))
    layers.append((text_layer("README", 47, 13, 2.6), solid(255, 255, 255)))
    return render(147, 47, layers)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "app", "gui", "pictures")
    os.makedirs(out_dir, exist_ok=True)
    write_png(os.path.join(out_dir, "logo.png"), 128, 128, logo())
    write_png(os.path.join(out_dir, "link.png"), 147, 47, link_picture())


if __name__ == "__main__":
    main()
