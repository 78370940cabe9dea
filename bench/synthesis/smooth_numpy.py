#!/usr/bin/python3
"""The smooth synthesis written plainly with numpy, timed beside ombrisk-cli on the benchmark's
1920 x 1080 picture at the default length and band, and compared sample by sample.

  bench/synthesis/smooth_numpy.py build/cli/ombrisk-cli [REPEATS]

Same method: every row a partial on the bins of one transform length L with a quadratic start
phase, one inverse transform per column, the column waveforms (period L) cross-faded with a
raised cosine between column centres, faded in and out over the outer half columns, scaled so
that the peak lies 0.5 dB below full scale.
"""
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image

WIDTH, HEIGHT, RATE = 1920, 1080, 44100


def picture():
    y, x = np.mgrid[0:HEIGHT, 0:WIDTH]
    return ((x * 7 + y * 3 + (x * y) % 97) % 256).astype(np.uint8)  # as synthesis_bench draws it


def smooth(grey):
    height, width = grey.shape
    n = 2 * 2 ** int(np.ceil(np.log2(height)))
    total = width * n
    low, high = 0.0, (height - 1) * 44100.0 / n
    wanted = low + (high - low) * np.arange(height) / (height - 1)
    needed = max(RATE / (2 * 0.01 * (high - low)), RATE / (wanted[1] - wanted[0]))
    length = 2
    while length < 65536 and length < needed:
        length *= 2
    bins = np.clip(np.rint(wanted * length / RATE).astype(int), 0, length // 2)
    rows = np.arange(height)
    phase = np.pi * ((rows * rows) % (2 * height)) / height
    loud = (255 - grey[::-1, :]).astype(np.float64)  # row 0 at the bottom, dark loud
    spectra = np.zeros((width, length // 2 + 1), dtype=np.complex128)
    np.add.at(spectra, (slice(None), bins), (loud * np.exp(1j * phase)[:, None]).T)
    spectra[:, [0, length // 2]] *= 2  # irfft halves the two real bins; a partial there keeps its level
    waves = np.fft.irfft(spectra, n=length, axis=1)  # column x: sum of A cos(2 pi j t / L + phase)

    share = total / width
    t = np.arange(total)
    d = t / share - 0.5  # in columns from the first centre
    x = np.clip(np.floor(d).astype(int), -1, width - 1)
    frac = d - x
    i = t % length
    a = np.where(x >= 0, waves[np.maximum(x, 0), i], 0.0)
    b = np.where(x + 1 < width, waves[np.minimum(x + 1, width - 1), i], 0.0)
    w = 0.5 - 0.5 * np.cos(np.pi * frac)
    head = x < 0  # before the first centre: a fade in over half a column
    w[head] = 0.5 - 0.5 * np.cos(np.pi * t[head] / (share / 2))
    tail = x == width - 1
    w[tail] = 0.5 - 0.5 * np.cos(np.pi * (t[tail] - (width - 0.5) * share) / (share / 2))
    out = a + w * (b - a)
    scale = 32767 * 10 ** (-0.5 / 20) / np.abs(out).max()
    return np.rint(out * scale).astype(np.int16)


def main():
    cli = sys.argv[1]
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    grey = picture()
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        samples = smooth(grey)
        times.append(time.perf_counter() - start)
    print(f"numpy smooth synthesis {WIDTH} x {HEIGHT}: fastest of {repeats}: {min(times) * 1000:.0f} ms")
    with tempfile.TemporaryDirectory() as work:
        png, wave = os.path.join(work, "bench.png"), os.path.join(work, "bench.wav")
        Image.fromarray(grey).convert("RGB").save(png)
        cli_times = []
        for _ in range(repeats):
            start = time.perf_counter()
            subprocess.run([cli, "synth", png, wave, "--smooth", "--quiet"], check=True)
            cli_times.append(time.perf_counter() - start)
        made = np.frombuffer(open(wave, "rb").read()[44:], dtype="<i2").astype(int)
    print(f"ombrisk-cli synth --smooth (PNG load and file write included): fastest of {repeats}: "
          f"{min(cli_times) * 1000:.0f} ms")
    print(f"samples: {len(made)} against {len(samples)}; largest difference {np.abs(made - samples).max()}")


if __name__ == "__main__":
    main()
