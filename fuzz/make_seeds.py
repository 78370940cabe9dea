#!/usr/bin/env python3
"""Writes the small hand-built seed files for the bitmap, wave and JPEG fuzz targets.

The JPEG seeds are 16-pixel cuts of the test pictures, one per coding kind, made with jpegtran and
cjpeg (libjpeg-turbo-progs): a small picture decodes through the same code as a large one, many
times faster.
"""
import math
import struct
import subprocess
from pathlib import Path

here = Path(__file__).resolve().parent


def bmp(width, height, bpp, rows, palette=b"", compression=0, masks=b"", core=False):
    if core:
        info = struct.pack("<IHHHH", 12, width, height, 1, bpp)
    else:
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(rows), 2835, 2835,
                           len(palette) // 4, 0)
    offset = 14 + len(info) + len(masks) + len(palette)
    header = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
    return header + info + masks + palette + rows


def padded(row):
    return row + b"\0" * (-len(row) % 4)


seeds = here / "seeds"
grey = b"".join(bytes([i, i, i, 0]) for i in range(256))
(seeds / "bmp/rgb24.bmp").write_bytes(bmp(3, 2, 24, padded(bytes(range(9))) + padded(bytes(range(9, 18)))))
(seeds / "bmp/rgb32-topdown.bmp").write_bytes(bmp(2, -2, 32, bytes(range(16))))
(seeds / "bmp/pal8.bmp").write_bytes(bmp(4, 2, 8, bytes([0, 64, 128, 255, 255, 128, 64, 0]), grey))
(seeds / "bmp/pal1.bmp").write_bytes(bmp(9, 1, 1, padded(b"\xa5\x80"), b"\0\0\0\0\xff\xff\xff\0"))
(seeds / "bmp/pal4-short-table.bmp").write_bytes(bmp(4, 1, 4, padded(b"\x01\x23"), grey[:16]))
(seeds / "bmp/rle8.bmp").write_bytes(bmp(8, 2, 8, b"\x04\x05\x00\x02\x02\x00\x02\x07\x00\x00\x03\x09\x00\x01", grey, 1))
(seeds / "bmp/rle4.bmp").write_bytes(bmp(8, 2, 4, b"\x04\x12\x00\x00\x00\x04\x12\x34\x00\x01", grey[:64], 2))
(seeds / "bmp/bitfields565.bmp").write_bytes(
    bmp(2, 1, 16, b"\x1f\x00\xe0\x07", b"", 3, struct.pack("<III", 0xF800, 0x07E0, 0x001F)))
(seeds / "bmp/core24.bmp").write_bytes(bmp(1, 1, 24, padded(b"\x10\x20\x30"), core=True))


def wave(samples, data_size=None):
    data = struct.pack("<%dh" % len(samples), *samples)
    d = len(data) if data_size is None else data_size
    return (b"RIFF" + struct.pack("<I", 36 + d) + b"WAVEfmt " + struct.pack("<IHHIIHH", 16, 1, 1, 44100, 88200, 2, 16)
            + b"data" + struct.pack("<I", d) + data)


tone = [int(8000 * math.sin(2 * math.pi * 5512.5 * t / 44100)) for t in range(600)]
(seeds / "wave/tone.wav").write_bytes(wave(tone))
(seeds / "wave/header-only.wav").write_bytes(wave([]))
(seeds / "wave/claims-more.wav").write_bytes(wave(tone[:100], 100000))
(seeds / "wave/short.wav").write_bytes(wave([])[:20])


jpeg_tests = here.parent / "tests/data/jpeg"
(seeds / "jpeg").mkdir(exist_ok=True)


def jpegtran(name, source, *options):
    subprocess.run(["jpegtran", "-copy", "none", *options, "-outfile", str(seeds / "jpeg" / name),
                    str(jpeg_tests / source)], check=True)


jpegtran("baseline.jpg", "testorig.jpg", "-crop", "16x16+0+0")
jpegtran("grey.jpg", "testimggray.jpg", "-crop", "16x16+0+0")
jpegtran("grey-progressive.jpg", "testimggray.jpg", "-crop", "16x16+0+0", "-progressive")
jpegtran("progressive.jpg", "testimgp.jpg", "-crop", "16x16+0+0", "-progressive")
jpegtran("arithmetic.jpg", "testimgari.jpg", "-crop", "16x16+0+0", "-arithmetic")
jpegtran("arithmetic-progressive.jpg", "testimgari.jpg", "-crop", "16x16+0+0", "-arithmetic", "-progressive")
jpegtran("restart.jpg", "testorig.jpg", "-crop", "16x16+0+0", "-restart", "1B")
jpegtran("partial-blocks.jpg", "testorig.jpg", "-crop", "19x11+0+0", "-optimize")
# Other sampling factors than the test pictures' 2x2, from a small colour ramp.
ppm = b"P6 12 10 255\n" + b"".join(bytes((x * 20, y * 25, (x + y) * 10)) for y in range(10) for x in range(12))
for sampling in ("1x1", "2x1", "1x2"):
    with open(seeds / "jpeg" / f"sampling-{sampling}.jpg", "wb") as out:
        subprocess.run(["cjpeg", "-sample", sampling, "-quality", "90"], input=ppm, stdout=out, check=True)
