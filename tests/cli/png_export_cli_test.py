#!/usr/bin/env python3
"""ombrisk-cli's PNG export against its bitmap export, pixel for pixel: spectrograms at every
sample size and grey pictures, each PNG read by Pillow and, through `ombrisk-cli grey`, by the
program's own decoder. Exits 77 (skipped) when this interpreter has no Pillow.
Usage: png_export_cli_test.py PATH-TO-OMBRISK-CLI PICTURE..."""
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

try:
    from PIL import Image
except ImportError:
    print("SKIPPED: %s has no Pillow (Debian's python3-pil); the PNG export is not checked" % sys.executable)
    sys.exit(77)

CLI, PICTURES = sys.argv[1], sys.argv[2:]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run(*args):
    done = subprocess.run([CLI, *args], capture_output=True, text=True)
    check(done.returncode == 0, "%s: %r" % (args, done))
    return done.returncode == 0


def grey_of_bitmap(path):
    """The bitmap's size and its grey bytes, top row first; every pixel must be grey."""
    with Image.open(path) as image:
        red, green, blue = image.convert("RGB").split()
        check(red.tobytes() == green.tobytes() == blue.tobytes(), "%s is grey" % path)
        return image.size, red.tobytes()


def check_png(png, expected_size, expected, what):
    with open(png, "rb") as f:
        header = f.read(26)
    check(header[24:26] == b"\x08\x00", "%s: 8-bit greyscale, not %r" % (what, header[24:26]))
    with Image.open(png) as image:
        image.load()
        check(image.mode == "L" and image.size == expected_size,
              "%s: Pillow reads %s %s" % (what, image.mode, image.size))
        check(image.tobytes() == expected, "%s: Pillow's pixels are the bitmap's" % what)
    back = png[:-4] + "-decoded.bmp"
    if run("grey", png, back):
        check(grey_of_bitmap(back) == (expected_size, expected), "%s: our decoder's pixels are the bitmap's" % what)


def write_wave(path, count):
    """Tones, a sweep, clicks and a little noise: lines, texture and white space."""
    seed, frames = 1, bytearray()
    for t in range(count):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        s = t / 44100
        v = 6000 * math.sin(2 * math.pi * 440 * s) + 3000 * math.sin(2 * math.pi * (300 + 4000 * s) * s)
        v += (9000 if t % 5000 < 20 else 0) + (seed >> 16) % 400 - 200
        frames += struct.pack("<h", max(-32768, min(32767, int(v))))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(44100)
        w.writeframes(bytes(frames))


with tempfile.TemporaryDirectory() as folder:
    def path(name):
        return os.path.join(folder, name)

    write_wave(path("long.wav"), 60000)
    write_wave(path("short.wav"), 700)
    cases = [("long.wav", ["--size", str(n)]) for n in (128, 256, 512, 1024, 2048, 4096, 8192)]
    cases += [("long.wav", ["--log-frequency", "--log-voltage", "--window", "hanning", "--invert"]),
              ("long.wav", ["--brightness", "100", "--window", "gaussian", "--size", "256"]),
              ("short.wav", ["--size", "8192"])]
    for number, (sound, options) in enumerate(cases):
        bmp, png = path("spectrogram%d.bmp" % number), path("spectrogram%d.png" % number)
        if all(run("analyze", path(sound), image, "--quiet", *options) for image in (bmp, png)):
            size, pixels = grey_of_bitmap(bmp)
            check_png(png, size, pixels, "analyze %s %s" % (sound, " ".join(options)))

    for number, picture in enumerate(PICTURES):
        bmp, png = path("grey%d.bmp" % number), path("grey%d.png" % number)
        if all(run("grey", picture, image) for image in (bmp, png)):
            size, pixels = grey_of_bitmap(bmp)
            check_png(png, size, pixels, "grey %s" % os.path.basename(picture))

for failure in failures[:20]:
    print("FAILED:", failure)
print("%d checks failed" % len(failures) if failures else "all PNG exports match their bitmaps")
sys.exit(1 if failures else 0)
