#!/usr/bin/env python3
"""ombrisk-cli analyze end to end: the BMP layout byte for byte, every pixel against a spectrogram
worked out here by a direct sum, the PNG decoded here showing the same pixels, and the exit
statuses of wrong calls. Usage: analyze_cli_test.py PATH-TO-OMBRISK-CLI"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from png_reader import read_png  # noqa: E402

CLI = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def write_wave(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(44100)
        w.writeframes(b"".join(struct.pack("<h", s) for s in samples))


def run(*args):
    return subprocess.run([CLI, "analyze", *args], capture_output=True, text=True)


def read_bmp(path):
    data = open(path, "rb").read()
    magic, size, r1, r2, offset = struct.unpack_from("<2sIHHI", data, 0)
    info = struct.unpack_from("<IiiHHIIiiII", data, 14)
    header_size, width, height, planes, bits, compression, image_size = info[:7]
    check(magic == b"BM" and size == len(data) and r1 == 0 and r2 == 0 and offset == 54, "bmp file header")
    check(header_size == 40 and height > 0 and planes == 1 and bits == 32 and compression == 0, "bmp info header")
    check(image_size == 4 * width * height and len(data) == 54 + 4 * width * height, "bmp size")
    check(info[7:] == (0, 0, 0, 0), "bmp resolutions and colour counts")
    rows = []
    for stored in range(height):  # bottom-up
        at = 54 + stored * 4 * width
        row = []
        for x in range(width):
            b, g, r, zero = data[at + 4 * x: at + 4 * x + 4]
            check(b == g == r and zero == 0, "bmp pixel %d,%d grey with a zero fourth byte" % (x, stored))
            row.append(b)
        rows.append(row)
    return rows[::-1]  # top row first


def reference(samples, n, brightness):
    """Top row first; column x from block 2x + 1 (or 2x when it has no partner), Rectangler."""
    half, blocks = n // 2, (len(samples) * 2 + n - 1) // n
    width = (len(samples) + n - 1) // n
    factor = brightness * 0.001 / 100
    picture = [[0] * width for _ in range(half)]
    for x in range(width):
        b = 2 * x + 1 if 2 * x + 1 < blocks else 2 * x
        block = samples[b * half: b * half + half]
        for k in range(half):
            c = sum(v * math.cos(2 * math.pi * k * t / n) for t, v in enumerate(block))
            s = sum(v * math.sin(2 * math.pi * k * t / n) for t, v in enumerate(block))
            level = min(255, max(0, round(math.hypot(c, s) * factor)))
            picture[half - 1 - k][x] = 255 - level
    return picture


with tempfile.TemporaryDirectory() as folder:
    def path(name):
        return os.path.join(folder, name)

    samples = [int(3000 * math.sin(2 * math.pi * 2000 * t / 44100) + 1500 * math.cos(2 * math.pi * 9000 * t / 44100))
               for t in range(1000)]
    write_wave(path("tones.wav"), samples)

    done = run(path("tones.wav"), path("tones.bmp"), "--size", "128", "--brightness", "80", "--quiet")
    check(done.returncode == 0 and done.stderr == "", "bmp run: %r" % (done,))
    bmp = read_bmp(path("tones.bmp"))
    expected = reference(samples, 128, 80)
    check(len(bmp) == 64 and len(bmp[0]) == 8, "bmp is 8 x 64")
    off = [(x, y) for y in range(64) for x in range(8) if abs(bmp[y][x] - expected[y][x]) > 1]
    check(not off, "pixels off the reference at %s" % off[:5])

    done = run(path("tones.wav"), path("tones.png"), "--size", "128", "--brightness", "80", "--window", "RECTANGULAR")
    check(done.returncode == 0, "png run: %r" % (done,))
    check(read_png(path("tones.png"), check) == bmp, "the png shows the bmp's pixels")

    done = run(path("tones.wav"), path("hanning.bmp"), "--size", "256", "--window", "HaNNing", "--invert",
               "--log-frequency", "--log-voltage")
    check(done.returncode == 0 and len(read_bmp(path("hanning.bmp"))) == 128, "options in any case")

    # Decoded, the system's own 16-bit mono wave is read as the literal reading reads it.
    done = run(path("tones.wav"), path("decoded.bmp"), "--size", "128", "--brightness", "80", "--decode")
    check(done.returncode == 0 and open(path("decoded.bmp"), "rb").read() == open(path("tones.bmp"), "rb").read(),
          "--decode draws the literal reading's picture of a plain wave: %r" % (done,))
    with open(path("text.wav"), "w") as text:
        text.write("no sound here\n")
    for value in ["0", "-1", "x", "2", "1.5", "99999999999"]:
        done = run(path("tones.wav"), path("out.bmp"), "--decode", "--channel", value)
        check(done.returncode == 2 and ("'%s'" % value in done.stderr or "channel %s " % value in done.stderr),
              "--channel %s is a usage error naming it: %r" % (value, done))
    done = run(path("text.wav"), path("out.bmp"), "--decode")
    check(done.returncode == 1 and path("text.wav") in done.stderr, "a file that is no sound: %r" % (done,))

    write_wave(path("empty.wav"), [])
    for args, status in [((path("tones.wav"), path("out.jpg")), 2),
                         ((path("tones.wav"), path("out.bmp"), "--size", "100"), 2),
                         ((path("tones.wav"), path("out.bmp"), "--window", "kaiser"), 2),
                         ((path("tones.wav"), path("out.bmp"), "--brightness", "101"), 2),
                         ((path("tones.wav"), path("out.bmp"), "--loud"), 2),
                         ((path("tones.wav"), path("out.bmp"), "--channel", "1"), 2),
                         ((path("tones.wav"),), 2),
                         ((path("missing.wav"), path("out.bmp")), 1),
                         ((path("empty.wav"), path("out.png")), 1),
                         ((path("empty.wav"), path("out.png"), "--decode"), 1)]:
        done = run(*args)
        check(done.returncode == status and done.stderr != "", "%s exits %d: %r" % (args, status, done))
    check(not any(name.startswith("out") for name in os.listdir(folder)), "failed runs leave no image")
    missing = run(path("missing.wav"), path("out.bmp"))
    check(missing.stderr == "ファイル %s は開けません。 No such file or directory \n" % path("missing.wav"),
          "open error as the program shows it: %r" % missing.stderr)

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
