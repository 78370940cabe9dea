#!/usr/bin/env python3
"""Draws the application icon: columns of grey cells whose dark band rises from left to right, as
a rising tone looks in a spectrogram, on a white rounded square. Writes ombrisk.svg and a 256-pixel
ombrisk.png beside this script; it needs nothing beyond the Python standard library."""
import struct
import zlib
from pathlib import Path

SIZE = 64  # the drawing's own units; the PNG is four times larger


def cells():
    for i in range(16):
        centre = 46 - i * 2.1
        for j in range(14):
            x, y = 8 + i * 3, 10 + j * 3
            grey = int(min(255, 60 + abs(y + 1.5 - centre) * 14))
            if grey < 235:
                yield x, y, grey


def svg():
    rects = "\n".join(f'  <rect x="{x}" y="{y}" width="3" height="3" fill="#{g:02x}{g:02x}{g:02x}"/>' for x, y, g in cells())
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" viewBox="0 0 {SIZE} {SIZE}">\n'
            '  <rect x="2" y="2" width="60" height="60" rx="10" fill="#ffffff" stroke="#404040" stroke-width="2"/>\n'
            f"{rects}\n</svg>\n")


def inside_rounded(px, py, left, top, right, bottom, radius):
    cx = min(max(px, left + radius), right - radius)
    cy = min(max(py, top + radius), bottom - radius)
    return (px - cx) ** 2 + (py - cy) ** 2 <= radius ** 2


def png(scale=4):
    side = SIZE * scale
    rgba = [[(0, 0, 0, 0)] * side for _ in range(side)]
    for py in range(side):
        for px in range(side):
            u, v = (px + 0.5) / scale, (py + 0.5) / scale
            if inside_rounded(u, v, 1, 1, 63, 63, 11):
                inner = inside_rounded(u, v, 3, 3, 61, 61, 9)
                rgba[py][px] = (255, 255, 255, 255) if inner else (64, 64, 64, 255)
    for x, y, g in cells():
        for py in range(y * scale, (y + 3) * scale):
            for px in range(x * scale, (x + 3) * scale):
                rgba[py][px] = (g, g, g, 255)
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rgba)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    here = Path(__file__).parent
    (here / "ombrisk.svg").write_text(svg())
    (here / "ombrisk.png").write_bytes(png())


if __name__ == "__main__":
    main()
