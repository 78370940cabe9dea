#!/usr/bin/env python3
"""End-to-end checks of `ombrisk-cli synth`, read back with Python's own wave module.

usage: synth_cli_check.py CASE CLI ASSETS_DIR    (CASE: reader, flags, errors, hash, smooth, colour)
"""
import hashlib
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

# SHA-256 of the wave files made from assets/ombrisk-demo.bmp. They pin the exact output: a change
# in the transforms, the rounding or the column order shows here. Renew them only together with a
# change that is meant to alter the sound (or the demo picture).
DEMO_HASHES = {
    (): "62d791ec1a914c64c33aca5c2446bc15ab2b92ba42f1ab13f32fc96eb8f5002e",
    ("--no-invert", "--mirror-x", "--mirror-y", "--log-frequency", "--log-amplitude"):
        "cbb12970236af6a27b4fb79813021ae4dc9e669f33318d6ccd449a97e361c116",
}


def write_bmp(path, width, height, grey):
    """A 24-bit bottom-up Windows bitmap; grey(x, y) with y counted from the top."""
    row_bytes = (width * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            g = grey(x, y)
            row += bytes((g, g, g))
        pixels += row + bytes(row_bytes - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + pixels)


def run(cli, *args):
    return subprocess.run([cli, "synth", *args], capture_output=True, text=True, stdin=subprocess.DEVNULL)


def synth(cli, picture, wave_path, *flags, rate=44100):
    done = run(cli, picture, wave_path, *flags)
    if done.returncode != 0:
        raise AssertionError(f"synth {flags} failed with {done.returncode}: {done.stderr}")
    with wave.open(wave_path, "rb") as sound:
        params = sound.getparams()
        frames = sound.readframes(params.nframes)
    expect(params.nchannels == 1 and params.sampwidth == 2 and params.framerate == rate, f"format {params}")
    expect(params.comptype == "NONE", f"compression {params.comptype}")
    expect(os.path.getsize(wave_path) == 44 + 2 * params.nframes, "file length against the frame count")
    return list(struct.unpack(f"<{params.nframes}h", frames))


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def tone(k, n, level, columns_gain=1.0):
    """Samples of a lone bin k holding level, as the run makes them: 5 × level × cos(2πkt/n)."""
    return [max(-32768, min(32767, round(5 * level * columns_gain * (0.5 if k == 0 else math.cos(2 * math.pi * k * t / n)))))
            for t in range(n)]


def check_reader(cli, assets, folder):
    samples = synth(cli, os.path.join(assets, "ombrisk-demo.bmp"), os.path.join(folder, "demo.wav"))
    expect(len(samples) == 512 * 512, f"512 columns of 512 samples, not {len(samples)}")
    # The demo's first columns are white: silent with the default inversion; the letters are not.
    expect(all(s == 0 for s in samples[:512]), "the white left edge is silent")
    expect(any(s != 0 for s in samples), "the drawing sounds")


def check_flags(cli, assets, folder):
    picture = os.path.join(folder, "tone.bmp")
    out = os.path.join(folder, "tone.wav")
    # Eight rows, sixteen samples a column; one black row, fourth from the bottom (m = 4), on white.
    write_bmp(picture, 3, 8, lambda x, y: 0 if y == 3 else 255)
    expect(synth(cli, picture, out)[:16] == tone(4, 16, 255), "default: bin 4 at full level")
    expect(synth(cli, picture, out, "--mirror-y")[:16] == tone(3, 16, 255), "--mirror-y: row 4 from the top")
    # Logarithmic placement: Round(10^(4/8) × 16) = 51, integer-divided by 20: bin 2.
    expect(synth(cli, picture, out, "--log-frequency")[:16] == tone(2, 16, 255), "--log-frequency: bin 2")
    # Not inverted, light is loud: one white row on black gives the same tone.
    write_bmp(picture, 3, 8, lambda x, y: 255 if y == 3 else 0)
    expect(synth(cli, picture, out, "--no-invert")[:16] == tone(4, 16, 255), "--no-invert: white is loud")
    # White everywhere is silent, except with logarithmic amplitude.
    write_bmp(picture, 2, 8, lambda x, y: 255)
    expect(all(s == 0 for s in synth(cli, picture, out)), "white is silent")
    expect(synth(cli, picture, out, "--log-amplitude")[0] == 32767, "logarithmic amplitude: 8 bins of 1638.35")
    # Time runs backwards with --mirror-x: a bright column first, then dark.
    write_bmp(picture, 3, 1, lambda x, y: 0 if x == 0 else 200)
    forward = synth(cli, picture, out, "--no-invert")
    backward = synth(cli, picture, out, "--no-invert", "--mirror-x")
    expect(forward[:2] == [0, 0] and backward[:2] == [500, 500], f"--mirror-x: {forward} {backward}")
    expect(backward[2:4] == [380, 380] and backward[4:] == [0, 0], f"--mirror-x later columns: {backward}")


def check_errors(cli, assets, folder):
    demo = os.path.join(assets, "ombrisk-demo.bmp")
    missing = os.path.join(folder, "missing.bmp")
    target = os.path.join(folder, "never.wav")
    cases = [
        ((), 2, "missing PICTURE"),
        ((demo,), 2, "missing WAVE"),
        ((demo, target, "--mirror-z"), 2, "unknown option '--mirror-z'"),
        ((demo, target, "extra"), 2, "unexpected argument 'extra'"),
        ((missing, target), 1, f"ファイル {missing} は開けません。 No such file or directory \n"),
        ((os.path.join(assets, "make_demo_picture.py"), target), 1, "拡張子 .py の画像形式は処理できません.\n"),
        ((demo, os.path.join(folder, "no", "such.wav")), 1,
         f"ファイル \"{os.path.join(folder, 'no', 'such.wav')}\" を作成できません。No such file or directory.\n"),
    ]
    for args, status, message in cases:
        done = run(cli, *args)
        expect(done.returncode == status, f"{args}: exit {done.returncode}, not {status}; {done.stderr}")
        expect(message in done.stderr, f"{args}: {done.stderr!r} lacks {message!r}")
        expect(done.stdout == "", f"{args}: nothing on stdout")
    expect(not os.path.exists(target), "a failed run leaves no wave behind when the picture did not load")
    helped = run(cli, "--help")
    expect(helped.returncode == 0 and helped.stdout.startswith("usage: ombrisk-cli synth"), "--help")
    # A zero-length bitmap is an empty picture: a wave with a header only.
    empty = os.path.join(folder, "empty.bmp")
    open(empty, "wb").close()
    expect(synth(cli, empty, os.path.join(folder, "empty.wav")) == [], "the empty picture's wave has no samples")
    expect(os.path.getsize(os.path.join(folder, "empty.wav")) == 44, "44 bytes")


def check_smooth(cli, assets, folder):
    demo = os.path.join(assets, "ombrisk-demo.bmp")
    out = os.path.join(folder, "smooth.wav")
    # --smooth alone keeps the default's length; any shape option selects the smooth synthesis.
    smooth = synth(cli, demo, out, "--smooth")
    expect(len(smooth) == 512 * 512, f"--smooth keeps 512 × 512 samples, not {len(smooth)}")
    expect(smooth != synth(cli, demo, out), "--smooth is not the default synthesis")
    expect(max(abs(s) for s in smooth) < 32767, "--smooth: nothing at full scale")
    expect(len(synth(cli, demo, out, "--rate", "96000", "--seconds", "1.5", rate=96000)) == 144000,
           "--rate 96000 --seconds 1.5: 144000 samples at 96 kHz")
    expect(len(synth(cli, demo, out, "--low-hz", "100", "--high-hz", "4000")) == 512 * 512, "a band alone")
    # Each bad value: the usage error naming it, and nothing written.
    target = os.path.join(folder, "never.wav")
    cases = [
        (("--seconds", "abc"), "'--seconds' takes a number, not 'abc'"),
        (("--seconds", "0"), "'--seconds' takes a length above 0, not '0'"),
        (("--seconds", "-2"), "not '-2'"),
        (("--low-hz", "x1"), "'--low-hz' takes a number, not 'x1'"),
        (("--high-hz", "-5"), "not '-5'"),
        (("--low-hz", "5000", "--high-hz", "100"), "lowest frequency 5000 Hz is not below the highest, 100 Hz"),
        (("--high-hz", "30000"), "highest frequency 30000 Hz is above half the sample rate, 22050 Hz"),
        (("--rate", "48000", "--high-hz", "24001"), "highest frequency 24001 Hz"),
        (("--rate", "22050"), "sample rate 22050 Hz is not supported"),
        (("--rate", "44.1"), "'--rate' takes a whole number"),
        (("--log-frequency", "--low-hz", "0"), "lowest frequency 0 Hz must be above 0"),
        (("--seconds", "50000"), "length 50000 s at 44100 Hz needs 4410000000 bytes"),
        (("--seconds", "0.01"), "gives 441 samples, fewer than the 512 columns"),
    ]
    for args, message in cases:
        done = run(cli, demo, target, *args)
        expect(done.returncode == 2, f"{args}: exit {done.returncode}, not 2; {done.stderr}")
        expect(message in done.stderr, f"{args}: {done.stderr!r} lacks {message!r}")
    expect(not os.path.exists(target), "a refused shape writes nothing")


def check_colour(cli, assets, folder):
    demo = os.path.join(assets, "ombrisk-demo.bmp")
    # Red left, green right, as frames of a two-channel wave at the chosen rate.
    picture = os.path.join(folder, "colour.bmp")
    write_bmp(picture, 4, 8, lambda x, y: 0)
    with open(picture, "r+b") as bmp:  # row 2 from the top red, row 5 green (rows stored bottom up)
        data = bytearray(bmp.read())
        row_bytes = 12
        for x in range(4):
            data[54 + (7 - 2) * row_bytes + 3 * x: 54 + (7 - 2) * row_bytes + 3 * x + 3] = bytes((0, 0, 255))
            data[54 + (7 - 5) * row_bytes + 3 * x: 54 + (7 - 5) * row_bytes + 3 * x + 3] = bytes((0, 255, 0))
        bmp.seek(0)
        bmp.write(data)
    out = os.path.join(folder, "colour.wav")
    done = run(cli, picture, out, "--stereo", "--rate", "48000", "--seconds", "0.5")
    expect(done.returncode == 0, f"--stereo failed: {done.stderr}")
    with wave.open(out, "rb") as sound:
        params = sound.getparams()
        frames = struct.unpack(f"<{2 * params.nframes}h", sound.readframes(params.nframes))
    expect((params.nchannels, params.sampwidth, params.framerate, params.nframes) == (2, 2, 48000, 24000),
           f"--stereo format {params}")
    left, right = frames[0::2], frames[1::2]
    expect(left != right and max(map(abs, frames)) < 32767, "two different channels, below full scale")
    # The noise: the same seed the same bytes, another seed other bytes, with and without --stereo.
    made = {}
    for flags in (("--noise",), ("--noise", "--seed", "1"), ("--noise", "--seed", "2"), ("--noise", "--stereo")):
        done = run(cli, demo, out, "--seconds", "0.5", *flags)
        expect(done.returncode == 0, f"{flags} failed: {done.stderr}")
        made[flags] = open(out, "rb").read()
    expect(made[("--noise",)] == made[("--noise", "--seed", "1")], "the default seed is 1")
    expect(made[("--noise",)] != made[("--noise", "--seed", "2")], "another seed, other noise")
    expect(made[("--noise", "--stereo")][22] == 2, "--noise --stereo: two channels")
    # Each bad value: the usage error naming it, and nothing written.
    target = os.path.join(folder, "never.wav")
    cases = [
        ((demo, target, "--noise", "--seed", "x"), 2, "'--seed' takes a whole number 0 ... 18446744073709551615, not 'x'"),
        ((demo, target, "--noise", "--seed", "-1"), 2, "not '-1'"),
        ((demo, target, "--noise", "--seed", "18446744073709551616"), 2, "not '18446744073709551616'"),
        ((demo, target, "--seed", "3"), 2, "option '--seed' needs '--noise'"),
        ((demo, target, "--stereo", "--seconds", "30000"), 2, "length 30000 s at 44100 Hz needs 5292000000 bytes"),
        ((demo, target, "--stereo", "--rate", "22050"), 2, "sample rate 22050 Hz is not supported"),
        ((demo, target, "--stereo", "--high-hz", "22051"), 2, "highest frequency 22051 Hz is above half"),
        ((os.path.join(assets, "make_demo_picture.py"), target, "--stereo"), 1, "拡張子 .py の画像形式は処理できません.\n"),
        ((os.path.join(folder, "missing.bmp"), target, "--stereo"), 1, "は開けません。"),
    ]
    for args, status, message in cases:
        done = run(cli, *args)
        expect(done.returncode == status, f"{args}: exit {done.returncode}, not {status}; {done.stderr}")
        expect(message in done.stderr, f"{args}: {done.stderr!r} lacks {message!r}")
    expect(not os.path.exists(target), "a refused run writes nothing")
    # Half the rate is the highest frequency allowed, and is accepted.
    expect(len(synth(cli, demo, out, "--rate", "96000", "--high-hz", "48000", rate=96000)) > 0, "--high-hz 48000 at 96 kHz")


def check_hash(cli, assets, folder):
    out = os.path.join(folder, "demo.wav")
    failures = []
    for flags, wanted in DEMO_HASHES.items():
        synth(cli, os.path.join(assets, "ombrisk-demo.bmp"), out, *flags)
        with open(out, "rb") as made:
            digest = hashlib.sha256(made.read()).hexdigest()
        if digest != wanted:
            failures.append(f"{' '.join(flags) or '(defaults)'}: {digest}")
    expect(not failures, "hashes differ:\n  " + "\n  ".join(failures))


def main():
    case, cli, assets = sys.argv[1:4]
    checks = {"reader": check_reader, "flags": check_flags, "errors": check_errors, "hash": check_hash,
              "smooth": check_smooth, "colour": check_colour}
    with tempfile.TemporaryDirectory(prefix="ombrisk-synth-cli-") as folder:
        try:
            checks[case](cli, assets, folder)
        except AssertionError as failure:
            print(f"synth {case}: {failure}")
            return 1
    print(f"synth {case}: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
