#!/usr/bin/env python3
"""Draws the background pictures of the info panel: the two theme pictures in themes/ and the
built-in picture in src/app/resources/. Standard library only (the PNG is written by hand), so
the pictures can be made again anywhere: python3 themes/make_pictures.py"""

import math
import os
import struct
import zlib

WIDTH, HEIGHT = 300, 120
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def write_png(path, rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)  # 8-bit RGB
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def smooth(edge, width, value):
    """1 inside (value below edge), 0 outside, with a soft band of the given width."""
    t = min(1.0, max(0.0, (edge - value) / width + 0.5))
    return t * t * (3 - 2 * t)


def render(top_left, bottom_right, ribbons, glows, rings=None):
    rows = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            t = (x / WIDTH * 0.7 + y / HEIGHT * 0.3)
            colour = mix(top_left, bottom_right, t)
            for (cx, cy, radius, tint, strength) in glows:
                d = math.hypot(x - cx, y - cy) / radius
                colour = mix(colour, tint, strength * math.exp(-d * d))
            for (base, amplitude, wavelength, phase, thickness, tint, strength) in ribbons:
                centre = base + amplitude * math.sin(2 * math.pi * x / wavelength + phase)
                colour = mix(colour, tint, strength * smooth(thickness, 1.2, abs(y - centre)))
            if rings:
                cx, cy, radii, tint, strength = rings
                d = math.hypot(x - cx, y - cy)
                for r in radii:
                    colour = mix(colour, tint, strength * smooth(1.1, 1.0, abs(d - r)))
            row.extend(max(0, min(255, int(round(c)))) for c in colour)
        rows.append(row)
    return rows


def main():
    dark = render(
        (26, 32, 48), (58, 46, 72),
        ribbons=[(70, 18, 260, 0.4, 2.0, (64, 160, 255), 0.55),
                 (82, 14, 210, 1.9, 1.2, (120, 220, 255), 0.35),
                 (58, 22, 330, 3.1, 0.9, (190, 120, 255), 0.35)],
        glows=[(250, 30, 70, (80, 110, 200), 0.35), (40, 100, 60, (150, 70, 160), 0.25)])
    write_png(os.path.join(ROOT, "themes", "bg_dark.png"), dark)

    light = render(
        (236, 242, 250), (206, 222, 240),
        ribbons=[(72, 16, 250, 0.2, 2.2, (255, 170, 90), 0.45),
                 (84, 12, 200, 2.4, 1.3, (70, 140, 230), 0.35),
                 (60, 20, 320, 4.0, 1.0, (120, 190, 250), 0.30)],
        glows=[(240, 20, 80, (255, 255, 255), 0.55), (50, 110, 70, (170, 200, 240), 0.35)])
    write_png(os.path.join(ROOT, "themes", "bg_light.png"), light)

    built_in = render(
        (70, 72, 76), (44, 46, 50),
        ribbons=[], glows=[(150, 60, 110, (96, 100, 108), 0.5)],
        rings=(150, 60, [22, 40, 58, 76, 94], (120, 126, 136), 0.45))
    write_png(os.path.join(ROOT, "src", "app", "resources", "info_default.png"), built_in)


if __name__ == "__main__":
    main()
