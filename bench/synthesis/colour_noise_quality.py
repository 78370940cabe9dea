#!/usr/bin/python3
"""Measures `synth --stereo` and `synth --noise` from outside, through ombrisk-cli and the wave
files it writes, and times them beside the mono smooth sound of the same picture and length.

  bench/synthesis/colour_noise_quality.py build/cli/ombrisk-cli [REPEATS]

Prints: the cross-talk of a red and a green row, the energy of the black rows beside the drawn
ones, the loudest sample; for noise rows of several spacings the share of the energy within the
row's band and the share of the band's energy in its strongest 4 Hz; the processor time
(user + system of the whole run, the fastest of REPEATS) of mono, stereo and noise runs of a
1920 x 1080 picture and of a 512 x 512 one at their as-drawn lengths.
"""
import os
import resource
import struct
import subprocess
import sys
import tempfile

import numpy as np


def write_bmp(path, pixels):
    """pixels: height x width x 3 (red, green, blue), top row first."""
    height, width, _ = pixels.shape
    row_bytes = (width * 3 + 3) // 4 * 4
    body = bytearray()
    for y in range(height - 1, -1, -1):
        row = pixels[y][:, ::-1].astype(np.uint8).tobytes()
        body += row + bytes(row_bytes - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + body)


def read_wave(path):
    data = open(path, "rb").read()
    channels = int.from_bytes(data[22:24], "little")
    rate = int.from_bytes(data[24:28], "little")
    size = int.from_bytes(data[40:44], "little")
    samples = np.frombuffer(data[44:44 + size], dtype="<i2").astype(np.float64)
    return rate, samples.reshape(-1, channels)


def power(x, rate):
    window = np.hanning(len(x))
    return np.fft.rfftfreq(len(x), 1.0 / rate), np.abs(np.fft.rfft(x * window)) ** 2


def synth(cli, picture, wave, *options):
    subprocess.run([cli, "synth", picture, wave, "--quiet", *options], check=True)
    return read_wave(wave)


def db(ratio):
    return 10 * np.log10(max(ratio, 1e-30))


def stereo_figures(cli, work):
    height, low, high = 64, 200.0, 12000.0
    pixels = np.zeros((height, 200, 3))
    red_row, green_row = 20, 45
    pixels[height - 1 - red_row, :, 0] = 255
    pixels[height - 1 - green_row, :, 1] = 255
    picture = os.path.join(work, "stereo.bmp")
    write_bmp(picture, pixels)
    rate, x = synth(cli, picture, os.path.join(work, "stereo.wav"), "--stereo", "--seconds", "4",
                    "--low-hz", str(low), "--high-hz", str(high))
    spacing = (high - low) / (height - 1)
    f, left = power(x[:, 0], rate)
    _, right = power(x[:, 1], rate)

    def band(p, m):
        hz = low + spacing * m
        return p[(f >= hz - spacing / 2) & (f < hz + spacing / 2)].sum()

    print(f"stereo: red row on the right {db(band(right, red_row) / band(left, red_row)):.1f} dB, "
          f"green row on the left {db(band(left, green_row) / band(right, green_row)):.1f} dB")
    for name, p in (("left", left), ("right", right)):
        drawn = band(p, red_row) + band(p, green_row)
        print(f"stereo: black rows of the {name} channel {db((p.sum() - drawn) / drawn):.1f} dB of the drawn rows")
    print(f"stereo: loudest sample {np.abs(x).max():.0f} of 32767, {np.count_nonzero(np.abs(x) >= 32767)} at full scale")


def noise_figures(cli, work):
    for height, low, high, log in ((64, 100.0, 8000.0, False), (40, 200.0, 8000.0, False), (128, 0.0, 22050.0, False),
                                   (512, 0.0, 22050.0, False), (48, 100.0, 10000.0, True)):
        row = height // 3
        pixels = np.full((height, 60, 3), 255)
        pixels[height - 1 - row] = 0
        picture = os.path.join(work, "noise.bmp")
        write_bmp(picture, pixels)
        options = ["--noise", "--seconds", "5", "--low-hz", str(low), "--high-hz", str(high)]
        if log:
            options.append("--log-frequency")
        rate, x = synth(cli, picture, os.path.join(work, "noise.wav"), *options)
        f, p = power(x[:, 0], rate)
        if log:
            edge = lambda m: low * (high / low) ** (m / (height - 1))
        else:
            edge = lambda m: low + (high - low) * m / (height - 1)
        lo, hi = edge(row - 0.5), edge(row + 0.5)
        inside = (f >= lo) & (f < hi)
        k = int(round(4.0 / (f[1] - f[0])))
        strongest = np.convolve(p[inside], np.ones(k), "valid").max()
        print(f"noise: {height} rows {'log ' if log else ''}{low:g}-{high:g} Hz, row {row} {lo:.0f}-{hi:.0f} Hz: "
              f"{100 * p[inside].sum() / p.sum():.2f} % within the band, strongest 4 Hz "
              f"{100 * strongest / p[inside].sum():.1f} % of it")


def cpu_seconds(cli, picture, wave, options, repeats):
    best = float("inf")
    for _ in range(repeats):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        subprocess.run([cli, "synth", picture, wave, "--quiet", *options], check=True)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        best = min(best, after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
    return best


def cost_figures(cli, work, repeats):
    for width, height in ((1920, 1080), (512, 512)):
        y, x = np.mgrid[0:height, 0:width]
        grey = (x * 7 + y * 3 + (x * y) % 97) % 256
        pixels = np.stack([grey, 255 - grey, grey], axis=-1)
        picture = os.path.join(work, f"cost{width}.bmp")
        write_bmp(picture, pixels)
        wave = os.path.join(work, "cost.wav")
        mono = cpu_seconds(cli, picture, wave, ["--smooth"], repeats)
        for name, options in (("stereo", ["--stereo"]), ("noise", ["--noise"]), ("stereo noise", ["--stereo", "--noise"])):
            t = cpu_seconds(cli, picture, wave, options, repeats)
            print(f"cost {width} x {height}: {name} {1000 * t:.0f} ms against mono {1000 * mono:.0f} ms: {t / mono:.2f}x")


def main():
    cli = sys.argv[1]
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with tempfile.TemporaryDirectory(prefix="ombrisk-colour-noise-") as work:
        stereo_figures(cli, work)
        noise_figures(cli, work)
        cost_figures(cli, work, repeats)


if __name__ == "__main__":
    main()
