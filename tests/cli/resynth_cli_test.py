#!/usr/bin/env python3
"""ombrisk-cli analyze --editable and resynth end to end: the picture as Pillow reads it, the
parameters through a re-save that keeps the text and one that drops it, and every refused input
leaving an existing output as it was. Exits 77 (skipped) when this interpreter has no Pillow.
Usage: resynth_cli_test.py PATH-TO-OMBRISK-CLI"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

try:
    from PIL import Image, PngImagePlugin
except ImportError:
    print("SKIPPED: %s has no Pillow (Debian's python3-pil); the editable PNG is not checked" % sys.executable)
    sys.exit(77)

CLI = sys.argv[1]
failures = []
RATE, LENGTH = 22050, 11025


def check(condition, what):
    if not condition:
        failures.append(what)


def run(*args):
    return subprocess.run([CLI, *args], capture_output=True, text=True)


def frames_of(path):
    with wave.open(path, "rb") as w:
        return w.getframerate(), w.getnframes(), w.getsampwidth(), w.getnchannels()


def refused(name, args, status, needles, out):
    with open(out, "wb") as f:
        f.write(b"kept")
    result = run(*args)
    check(result.returncode == status, f"{name}: exit {result.returncode}, not {status}: {result.stderr}")
    for needle in needles:
        check(needle in result.stderr, f"{name}: '{needle}' not in: {result.stderr}")
    check(open(out, "rb").read() == b"kept", f"{name}: the existing output changed")
    check(len(result.stderr.strip().splitlines()) >= 1, f"{name}: no message")


with tempfile.TemporaryDirectory() as tmp:
    sound = os.path.join(tmp, "tones.wav")
    with wave.open(sound, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * 700 * t / RATE)))
                               for t in range(LENGTH)))
    picture = os.path.join(tmp, "tones.png")
    result = run("analyze", sound, picture, "--decode", "--editable")
    check(result.returncode == 0, f"analyze --editable failed: {result.stderr}")
    image = Image.open(picture)
    check(image.mode in ("I", "I;16", "I;16B"), f"mode {image.mode}, not 16-bit grey")
    check(image.size == (LENGTH // 256 + 1, 513), f"size {image.size}")
    comment = image.text.get("Comment", "")
    for word in ("rate=22050", "size=1024", "hop=256", "window=hann", "range=120", f"samples={LENGTH}"):
        check(word in comment.split(), f"'{word}' not in the comment '{comment}'")
    # The tone's row is black-ish, the top row (11 kHz) white.
    row = 512 - round(700 * 1024 / RATE)
    check(image.getpixel((20, row)) < 65535 * 20 // 120, f"tone row level {image.getpixel((20, row))}")
    check(image.getpixel((20, 0)) == 65535, f"top row level {image.getpixel((20, 0))}")

    out = os.path.join(tmp, "out.wav")
    kept = os.path.join(tmp, "kept.png")
    info = PngImagePlugin.PngInfo()
    for key, value in image.text.items():
        info.add_text(key, value)
    image.save(kept, pnginfo=info)
    result = run("resynth", kept, out)
    check(result.returncode == 0, f"resynth after a re-save keeping the text: {result.stderr}")
    check(frames_of(out) == (RATE, LENGTH, 2, 1), f"wave {frames_of(out)}")

    lost = os.path.join(tmp, "lost.png")
    image.save(lost)
    refused("no parameters", ["resynth", lost, out], 2, ["--rate", "--size", "--hop", "--range"], out)
    refused("some parameters", ["resynth", lost, out, "--rate", "22050", "--hop", "256"], 2, ["--size", "--range"], out)
    check("--rate" not in run("resynth", lost, out, "--rate", "22050").stderr.splitlines()[0].split("give")[-1],
          "a given option is still reported missing")
    result = run("resynth", lost, out, "--rate", "22050", "--size", "1024", "--hop", "256", "--range", "120")
    check(result.returncode == 0, f"resynth with the options: {result.stderr}")
    check(frames_of(out)[:2] == (RATE, (LENGTH // 256) * 256), f"wave from options {frames_of(out)}")

    cut = os.path.join(tmp, "cut.png")
    data = open(picture, "rb").read()
    with open(cut, "wb") as f:
        f.write(data[:len(data) // 2])
    refused("cut", ["resynth", cut, out], 1, [cut], out)
    eight = os.path.join(tmp, "eight.png")
    Image.open(picture).point(lambda v: v / 257).convert("L").save(eight, pnginfo=info)
    refused("8-bit", ["resynth", eight, out], 1, [eight, "8-bit grey", "16-bit grey"], out)
    refused("height", ["resynth", kept, out, "--size", "2048"], 1, ["513 rows", "1025"], out)
    refused("not a PNG", ["resynth", sound, out], 1, [sound], out)
    refused("no --decode", ["analyze", sound, os.path.join(tmp, "x.png"), "--editable"], 2, ["--decode"], out)
    refused("bad hop", ["resynth", kept, out, "--hop", "0"], 2, ["--hop"], out)

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
