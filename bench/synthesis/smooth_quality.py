#!/usr/bin/python3
"""Measures the smooth synthesis from outside, through ombrisk-cli and the wave files it writes,
beside the default synthesis where the figure compares.

  bench/synthesis/smooth_quality.py build/cli/ombrisk-cli tests/data/photos/rocket.jpg

Prints: the out-of-band energy of a row switched on and off every column; the Pearson correlation
between a photograph's inverted grey and the Hann-window spectrogram of its sound; the samples at
full scale of a dense picture; each probed row's dominant frequency against where it belongs.
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image


def run(cli, *args):
    subprocess.run([cli, *args, "--quiet"] if args[0] == "synth" else [cli, *args], check=True)


def read_wave(path):
    data = open(path, "rb").read()
    rate = int.from_bytes(data[24:28], "little")
    size = int.from_bytes(data[40:44], "little")
    return rate, np.frombuffer(data[44:44 + size], dtype="<i2").astype(np.float64)


def save_grey(pixels, path):
    Image.fromarray(np.asarray(pixels, dtype=np.uint8)).convert("RGB").save(path)


def synth(cli, picture, wave, *options):
    run(cli, "synth", picture, wave, *options)
    return read_wave(wave)


def out_of_band_db(cli, work):
    # 256 wide, 400 high, white but for row 200 from the bottom, black in every other column.
    pixels = np.full((400, 256), 255)
    pixels[399 - 200, 0::2] = 0
    picture = os.path.join(work, "onoff.png")
    save_grey(pixels, picture)
    results = {}
    for name, options in (("default", []), ("smooth", ["--seconds", "5"])):
        rate, x = synth(cli, picture, os.path.join(work, "onoff.wav"), *options)
        spectrum = np.abs(np.fft.rfft(x)) ** 2
        freqs = np.fft.rfftfreq(len(x), 1.0 / rate)
        tone = freqs[np.argmax(spectrum)]
        far = spectrum[np.abs(freqs - tone) > 1000.0].sum()
        results[name] = 10 * np.log10(far / spectrum.sum())
    return results


def photo_correlation(cli, photo, work):
    grey_path = os.path.join(work, "grey.png")
    run(cli, "grey", photo, grey_path)
    grey = np.asarray(Image.open(grey_path).convert("L"), dtype=np.float64)
    height, width = grey.shape
    n = 2 * 2 ** int(np.ceil(np.log2(height)))
    loud = (255.0 - grey)[::-1, :]  # row 0 at the bottom, dark loud
    results = {}
    for name, options in (("default", []), ("smooth", ["--smooth"])):
        rate, x = synth(cli, photo, os.path.join(work, "photo.wav"), *options)
        share = len(x) / width
        frame = int(round(4 * share))
        window = np.hanning(frame)
        padded = np.concatenate([np.zeros(frame // 2), x, np.zeros(frame)])
        freqs = np.fft.rfftfreq(frame, 1.0 / rate)
        rows = np.arange(height) * 44100.0 / n
        image = np.empty((height, width))
        for column in range(width):
            start = int(round((column + 0.5) * share))
            magnitude = np.abs(np.fft.rfft(padded[start:start + frame] * window))
            image[:, column] = np.interp(rows, freqs, magnitude)
        results[name] = np.corrcoef(image.ravel(), loud.ravel())[0, 1]
        if name == "smooth":
            results["full scale"] = int(np.count_nonzero(np.abs(x) >= 32767))
            results["peak dBFS"] = 20 * np.log10(np.abs(x).max() / 32767.0)
    return results


def dense_full_scale(cli, work):
    picture = os.path.join(work, "dense.png")
    save_grey(np.zeros((300, 400)), picture)
    counts = {}
    for name, options in (("default", []), ("smooth", ["--smooth"]), ("smooth log", ["--smooth", "--log-amplitude"])):
        _, x = synth(cli, picture, os.path.join(work, "dense.wav"), *options)
        counts[name] = (int(np.count_nonzero(np.abs(x) >= 32767)), len(x))
    return counts


def row_placement(cli, work):
    height, probes = 64, (0, 1, 17, 40, 63)
    worst = {}
    for log in (False, True):
        low, high, rate = 200.0, 5000.0, 48000
        errors = []
        for row in probes:
            pixels = np.full((height, 32), 255)
            pixels[height - 1 - row, :] = 0
            picture = os.path.join(work, "row.png")
            save_grey(pixels, picture)
            options = ["--seconds", "2", "--low-hz", str(low), "--high-hz", str(high), "--rate", str(rate)]
            _, x = synth(cli, picture, os.path.join(work, "row.wav"), *options, *(["--log-frequency"] if log else []))
            size = 8 * len(x)
            spectrum = np.abs(np.fft.rfft(x * np.hanning(len(x)), size))
            found = np.argmax(spectrum) * rate / size
            share = row / (height - 1)
            wanted = low * (high / low) ** share if log else low + (high - low) * share
            errors.append((abs(found - wanted) / wanted, abs(found - wanted) / (high - low)))
        worst["log" if log else "linear"] = tuple(max(e[i] for e in errors) * 100 for i in (0, 1))
    return worst


def main():
    cli, photo = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        for name, db in out_of_band_db(cli, work).items():
            print(f"on/off row, energy more than 1 kHz from the tone, {name}: {db:.1f} dB")
        for name, value in photo_correlation(cli, photo, work).items():
            print(f"photograph {os.path.basename(photo)}, {name}: {value:.3f}" if isinstance(value, float)
                  else f"photograph {os.path.basename(photo)}, {name}: {value}")
        for name, (count, total) in dense_full_scale(cli, work).items():
            print(f"black 400 x 300, samples at full scale, {name}: {count} of {total}")
        for name, (relative, band) in row_placement(cli, work).items():
            print(f"row placement {name} 200-5000 Hz at 48 kHz: worst {relative:.3f} % of the row's frequency, "
                  f"{band:.3f} % of the band")


if __name__ == "__main__":
    main()
