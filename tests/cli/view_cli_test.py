#!/usr/bin/env python3
"""ombrisk-cli view end to end: the plot alone exactly W x H with a tone on its row, the framed
figure around it, and every bad input refused with its exit status and a message naming the file
or the option, nothing written and an existing output kept. Usage: view_cli_test.py PATH-TO-OMBRISK-CLI"""
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


def run(*args):
    return subprocess.run([CLI, "view", *args], capture_output=True, text=True)


with tempfile.TemporaryDirectory() as work:
    sound = os.path.join(work, "tone.wav")
    # 2 s at 16 kHz, stereo: 1 kHz at half scale on the left, silence on the right.
    with wave.open(sound, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(16000)
        w.writeframes(b"".join(struct.pack("<hh", int(16384 * math.sin(2 * math.pi * 1000 * i / 16000)), 0)
                               for i in range(32000)))

    plot = os.path.join(work, "plot.png")
    result = run(sound, plot, "--no-axes", "--width", "200", "--height", "100", "--colours", "grey", "--channel", "1", "--quiet")
    check(result.returncode == 0, "plain plot: status %d, %s" % (result.returncode, result.stderr))
    rows = read_png(plot, check)
    check(len(rows) == 100 and len(rows[0]) == 200, "plain plot is 200 x 100")
    # Grey: darker is louder. 0 … 8000 Hz over 100 rows puts 1 kHz in row 87.
    column = [rows[y][100] for y in range(100)]
    check(column.index(min(column)) == 87, "the tone's row: %d" % column.index(min(column)))
    check(min(column) < 20, "−6 dBFS of 120 dB is nearly black: %d" % min(column))
    check(max(column) > 200, "the quiet rows are light")

    figure = os.path.join(work, "figure.png")
    result = run(sound, figure, "--width", "200", "--height", "100", "--log-frequency")
    check(result.returncode == 0, "figure: status %d, %s" % (result.returncode, result.stderr))
    rows = read_png(figure, check)
    check(len(rows) > 100 and len(rows[0]) > 200, "the figure frames the plot")

    def refused(status, words, *args):
        output = os.path.join(work, "kept.png")
        with open(output, "wb") as f:
            f.write(b"kept")
        result = run(*args[:1], output, *args[1:])
        what = " ".join(args)
        check(result.returncode == status, "%s: status %d, not %d" % (what, result.returncode, status))
        for word in words:
            check(word in result.stderr, "%s: %r not in %r" % (what, word, result.stderr))
        check(result.stderr.count("\n") >= 1, "%s: a message" % what)
        check(open(output, "rb").read() == b"kept", "%s: the existing output kept" % what)
        check(sorted(os.listdir(work)) == ["figure.png", "kept.png", "plot.png", "tone.wav", "words.txt"],
              "%s: nothing else written: %s" % (what, os.listdir(work)))

    text = os.path.join(work, "words.txt")
    with open(text, "w") as f:
        f.write("not a sound at all\n")
    refused(1, [os.path.join(work, "missing.wav")], os.path.join(work, "missing.wav"))
    refused(1, [text], text)
    refused(2, ["'--from'"], sound, "--from", "2.5")
    refused(2, ["'--from'"], sound, "--from", "1", "--to", "0.5")
    refused(2, ["'--to'"], sound, "--to", "3")
    refused(2, ["'--width'"], sound, "--width", "0")
    refused(2, ["'--height'"], sound, "--height", "-5")
    refused(2, ["'--channel'"], sound, "--channel", "3")
    refused(2, ["'--height'"], sound, "--width", "16384", "--height", "16384")
    refused(2, ["'--low-hz'"], sound, "--low-hz", "500", "--high-hz", "400")
    refused(2, ["'--high-hz'"], sound, "--high-hz", "9000")
    refused(2, ["'--log-frequency'"], sound, "--log-frequency", "--low-hz", "0")
    refused(2, ["'--range'"], sound, "--range", "0")
    refused(2, ["'--size'"], sound, "--size", "1000")
    refused(2, ["'--window'"], sound, "--window", "triangle")
    refused(2, ["'--colours'"], sound, "--colours", "blue")
    refused(2, ["'--from'"], sound, "--from", "soon")

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("view: all checks passed")
