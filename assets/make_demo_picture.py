#!/usr/bin/env python3
"""Draws the bundled demo picture: the word Ombrisk above a few shapes, 512 x 256, grey.

The synthesis treats dark as loud (with its default inversion), so the drawing is dark on white:
the letters and shapes become tones and the background stays silent. Run it again to rebuild
ombrisk-demo.bmp beside this script; it needs nothing beyond the Python standard library.
"""
import math
import struct
import sys
from pathlib import Path

WIDTH, HEIGHT = 512, 256
WHITE = 255

# 5 x 7 glyphs, one string per row, '#' inked.
GLYPHS = {
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "m": [".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"],
    "b": ["#....", "#....", "####.", "#...#", "#...#", "#...#", "####."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "i": ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
    "s": [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
    "k": ["#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."],
}


def new_canvas():
    return [[WHITE] * WIDTH for _ in range(HEIGHT)]


def put(canvas, x, y, grey):
    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
        canvas[y][x] = min(canvas[y][x], grey)


def draw_word(canvas, word, left, top, scale, grey):
    x0 = left
    for letter in word:
        for row, line in enumerate(GLYPHS[letter]):
            for column, mark in enumerate(line):
                if mark != "#":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        put(canvas, x0 + column * scale + dx, top + row * scale + dy, grey)
        x0 += 6 * scale


def draw_disc(canvas, cx, cy, radius, grey):
    for y in range(cy - radius, cy + radius + 1):
        for x in range(cx - radius, cx + radius + 1):
            if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                put(canvas, x, y, grey)


def draw_ring(canvas, cx, cy, radius, thickness, grey):
    for y in range(cy - radius, cy + radius + 1):
        for x in range(cx - radius, cx + radius + 1):
            d = math.hypot(x - cx, y - cy)
            if radius - thickness <= d <= radius:
                put(canvas, x, y, grey)


def draw_triangle(canvas, left, bottom, size, grey):
    for row in range(size):
        half = row // 2
        for x in range(left + size // 2 - half, left + size // 2 + half + 1):
            put(canvas, x, bottom - size + 1 + row, grey)


def draw_line(canvas, x0, y0, x1, y1, thickness, grey):
    steps = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        for dy in range(thickness):
            for dx in range(thickness):
                put(canvas, x + dx, y + dy, grey)


def draw_ramp(canvas, left, top, width, height):
    # Grey steps from light to dark: a rising level from left to right.
    for x in range(width):
        grey = round(WHITE - 195 * x / (width - 1))
        for y in range(top, top + height):
            put(canvas, left + x, y, grey)


def drawing():
    canvas = new_canvas()
    word = "Ombrisk"
    scale = 9
    word_width = len(word) * 6 * scale - scale
    # Middle greys: a column's bins add up at its first sample, and black ink would clip there
    # often, which sounds as a click and shows as a vertical streak in the spectrogram.
    draw_word(canvas, word, (WIDTH - word_width) // 2, 22, scale, 120)
    draw_disc(canvas, 60, 196, 34, 150)
    draw_ring(canvas, 150, 196, 34, 6, 110)
    draw_triangle(canvas, 205, 230, 68, 150)
    draw_line(canvas, 290, 236, 380, 156, 4, 90)  # a rising sweep
    draw_line(canvas, 380, 156, 420, 236, 4, 90)  # and a falling one
    draw_ramp(canvas, 432, 170, 64, 52)
    return canvas


def bmp_bytes(canvas):
    row_bytes = (WIDTH * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up
        row = bytearray()
        for grey in canvas[y]:
            row += bytes((grey, grey, grey))
        row += bytes(row_bytes - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("ombrisk-demo.bmp")
    target.write_bytes(bmp_bytes(drawing()))
    print(target)


if __name__ == "__main__":
    main()
