#!/usr/bin/env python3
"""Writes assets/ombrisk-colour.png, the README's colour sample for `synth --stereo`: on black, a red
line rising from left to right, a green line falling, a yellow line across the middle and a blue
ring. Red should be heard on the left only, green on the right only, yellow on both, blue nowhere.

  python3 assets/make_colour_picture.py assets/ombrisk-colour.png
"""
import math
import struct
import sys
import zlib

WIDTH, HEIGHT = 384, 192


def colour(x, y):
    red = green = blue = 0
    rising = HEIGHT - 1 - (y + 0.5)  # the rising line's height at x, counted from the bottom
    if abs(rising - x * (HEIGHT - 1) / (WIDTH - 1)) < 3:
        red = 255
    if abs((y + 0.5) - x * (HEIGHT - 1) / (WIDTH - 1)) < 3:
        green = 255
    if abs(y - HEIGHT // 2) < 3 and 24 <= x < WIDTH - 24:
        red = green = 255
    if abs(math.hypot(x - WIDTH * 0.75, y - HEIGHT * 0.3) - 24) < 3:
        blue = 255
    return red, green, blue


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def main():
    rows = b"".join(b"\0" + bytes(v for x in range(WIDTH) for v in colour(x, y)) for y in range(HEIGHT))
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
    with open(sys.argv[1], "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main()
