#!/usr/bin/env python3
"""ombrisk-cli analyze --colours and --axes end to end: grey is the default byte for byte, heat
brightens where the grey darkens, the framed figure holds the spectrogram unchanged and labels
the file's own rate with --decode, a bad name is a usage error naming it.
Usage: figure_cli_test.py PATH-TO-OMBRISK-CLI"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

CLI = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def write_wave(path, rate, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"".join(struct.pack("<h", s) for s in samples))


def analyze(*args):
    return subprocess.run([CLI, "analyze", *args, "--quiet"], capture_output=True, text=True)


def read_bmp(path):
    """Rows of (r, g, b), top row first."""
    data = open(path, "rb").read()
    width, height = struct.unpack_from("<ii", data, 18)
    rows = []
    for stored in range(height):
        at = 54 + stored * 4 * width
        rows.append([(data[at + 4 * x + 2], data[at + 4 * x + 1], data[at + 4 * x]) for x in range(width)])
    return rows[::-1]


def luminance(rgb):
    def linear(c):
        c /= 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = rgb
    return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b)


def find_block(outer, inner):
    """(left, top) where inner lies unchanged in outer, or None."""
    h, w = len(inner), len(inner[0])
    for top in range(len(outer) - h + 1):
        row = outer[top]
        for left in range(len(row) - w + 1):
            if row[left:left + w] == inner[0] and all(outer[top + y][left:left + w] == inner[y] for y in range(h)):
                return left, top
    return None


with tempfile.TemporaryDirectory() as folder:
    def path(name):
        return os.path.join(folder, name)

    samples = [int(9000 * math.sin(2 * math.pi * 3000 * t / 44100) * (t / 30000)) for t in range(30000)]
    os.mkdir(path("a"))
    os.mkdir(path("b"))
    write_wave(path("a/tone.wav"), 44100, samples)
    write_wave(path("b/tone.wav"), 48000, samples)

    for name, extra in (("plain.bmp", []), ("grey.bmp", ["--colours", "grey"]), ("heat.bmp", ["--colours", "heat"]),
                        ("figure.bmp", ["--axes", "--colours", "heat"]), ("figure.png", ["--axes", "--colours", "Heat"]),
                        ("a.bmp", ["--axes"]), ("b.bmp", ["--axes"])):
        wave_path = path("b/tone.wav") if name == "b.bmp" else path("a/tone.wav")
        result = analyze(wave_path, path(name), "--brightness", "100", *extra)
        check(result.returncode == 0, "%s: exit %d, %s" % (name, result.returncode, result.stderr))
    for name in ("a-decoded.bmp", "b-decoded.bmp"):
        result = analyze(path(name[0] + "/tone.wav"), path(name), "--brightness", "100", "--axes", "--decode")
        check(result.returncode == 0, "%s: exit %d, %s" % (name, result.returncode, result.stderr))

    def data(name):
        return open(path(name), "rb").read()

    check(data("grey.bmp") == data("plain.bmp"), "--colours grey is the default, byte for byte")
    plain, heat = read_bmp(path("plain.bmp")), read_bmp(path("heat.bmp"))
    check(len(heat) == len(plain) and len(heat[0]) == len(plain[0]), "heat is the spectrogram's size")
    colour_of = {}
    for y, row in enumerate(plain):
        for x, (g, _, _) in enumerate(row):
            colour_of.setdefault(g, set()).add(heat[y][x])
    check(all(len(c) == 1 for c in colour_of.values()), "each grey has one heat colour")
    greys = sorted(colour_of)
    check(len(greys) > 20, "a tone rising from silence shows many greys")
    lights = [luminance(next(iter(colour_of[g]))) for g in greys]
    check(all(a > b for a, b in zip(lights, lights[1:])), "heat brightens where the grey darkens")
    check(any(r != b for c in colour_of.values() for (r, g, b) in c), "heat is in colour")

    figure = read_bmp(path("figure.bmp"))
    check(len(figure) > len(heat) + 20 and len(figure[0]) > len(heat[0]) + 40, "the frame adds margins")
    check(find_block(figure, heat) is not None, "the figure holds the heat spectrogram unchanged")
    png = data("figure.png")
    check(png[:8] == b"\x89PNG\r\n\x1a\n" and png[24:26] == bytes([8, 2]), "the coloured figure is an 8-bit RGB PNG")

    # The literal reading ignores the header's rate (44100 either way); --decode labels the file's.
    check(data("a.bmp") == data("b.bmp"), "the literal reading labels 44100 Hz whatever the header says")
    check(data("a-decoded.bmp") == data("a.bmp"), "a 44.1 kHz 16-bit wave decoded draws the same figure")
    check(data("b-decoded.bmp") != data("b.bmp"), "a 48 kHz wave decoded is labelled on its own rate")
    check(find_block(read_bmp(path("b-decoded.bmp")), read_bmp(path("plain.bmp"))) is not None,
          "the decoded figure holds the same spectrogram")

    result = analyze(path("a/tone.wav"), path("bad.png"), "--colours", "rainbow")
    check(result.returncode == 2 and "'rainbow'" in result.stderr, "an unknown map is a usage error naming it")
    check(not os.path.exists(path("bad.png")), "nothing written for a bad name")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("figure cli: all checks passed")
