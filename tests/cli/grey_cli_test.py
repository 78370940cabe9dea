#!/usr/bin/env python3
"""ombrisk-cli grey end to end: the PNG it writes shows the same grey pixels as its bitmap, the
extension is read in any case, and a name that is neither keeps the bitmap it always wrote.
Usage: grey_cli_test.py PATH-TO-OMBRISK-CLI PICTURE"""
import os
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from png_reader import read_png  # noqa: E402

CLI, PICTURE = sys.argv[1], sys.argv[2]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def read_grey_bmp(path):
    data = open(path, "rb").read()
    check(data[:2] == b"BM", "bmp signature")
    offset, = struct.unpack_from("<I", data, 10)
    width, height, planes, bits = struct.unpack_from("<iiHH", data, 18)
    check(planes == 1 and bits == 24 and height > 0, "24-bit bottom-up bitmap")
    stride = (3 * width + 3) // 4 * 4
    rows = []
    for stored in range(height):
        at = offset + stored * stride
        row = []
        for x in range(width):
            b, g, r = data[at + 3 * x: at + 3 * x + 3]
            check(b == g == r, "bmp pixel grey")
            row.append(b)
        rows.append(row)
    return rows[::-1]


def grey(target):
    done = subprocess.run([CLI, "grey", PICTURE, target], capture_output=True, text=True)
    check(done.returncode == 0, "grey %s: %r" % (target, done))


with tempfile.TemporaryDirectory() as folder:
    bmp, png, other = (os.path.join(folder, name) for name in ("grey.bmp", "grey.PNG", "grey.out"))
    for target in (bmp, png, other):
        grey(target)
    pixels = read_grey_bmp(bmp)
    check(len(pixels) > 0 and read_png(png, check) == pixels, "the png shows the bitmap's pixels")
    check(open(other, "rb").read() == open(bmp, "rb").read(), "any other name is the same bitmap")

for failure in failures[:20]:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
