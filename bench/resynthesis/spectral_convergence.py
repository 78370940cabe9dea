#!/usr/bin/python3
"""Resynthesis quality and time: ombrisk-cli's analyze --editable and resynth against numpy
Griffin-Lim (100 iterations from random phases at the measuring transform).

    python3 bench/resynthesis/spectral_convergence.py build/cli/ombrisk-cli SOUND.wav... [--iterations K...]

Needs python3-numpy. Good sounds: /usr/share/sounds/alsa/*.wav (alsa-utils: recorded speech),
espeak-ng -w speech.wav "..." (espeak-ng), the .oga files of sound-theme-freedesktop made into
WAV by sox or ffmpeg. Spectral convergence ‖|STFT(y)| − |STFT(x)|‖ / ‖|STFT(x)|‖ in dB, by a
Hann STFT of our own here: 1024/256 at 22.05 kHz, 2048/512 at 44.1–48 kHz. The erased figure is
the level inside a rectangle cleared in the picture against the original's level there.
"""
import argparse
import math
import os
import resource
import subprocess
import sys
import tempfile
import time
import wave
import zlib
import struct

import numpy as np


def read_wav(path):
    with wave.open(path, "rb") as w:
        rate, channels, width = w.getframerate(), w.getnchannels(), w.getsampwidth()
        data = w.readframes(w.getnframes())
    if width != 2:
        sys.exit(f"{path}: 16-bit WAV only")
    x = np.frombuffer(data, dtype="<i2").astype(np.float64) / 32768.0
    return rate, x.reshape(-1, channels).mean(axis=1)


def write_wav(path, rate, x):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(np.clip(np.rint(x * 32768), -32768, 32767).astype("<i2").tobytes())


def measuring_frame(rate):
    return (1024, 256) if rate < 30000 else (2048, 512)


def stft(x, n, hop):
    w = 0.5 - 0.5 * np.cos(2 * np.pi * np.arange(n) / n)
    pad = np.concatenate([np.zeros(n // 2), x, np.zeros(n)])
    count = (len(x) + hop - 1) // hop + 1
    frames = np.lib.stride_tricks.as_strided(pad, (count, n), (pad.strides[0] * hop, pad.strides[0]))
    return np.fft.rfft(frames * w, axis=1)


def istft(spectrum, n, hop, length):
    w = 0.5 - 0.5 * np.cos(2 * np.pi * np.arange(n) / n)
    frames = np.fft.irfft(spectrum, n=n, axis=1) * w
    out = np.zeros(len(spectrum) * hop + n)
    norm = np.zeros_like(out)
    for i, f in enumerate(frames):
        out[i * hop:i * hop + n] += f
        norm[i * hop:i * hop + n] += w * w
    out = out / np.maximum(norm, 1e-12)
    return out[n // 2:n // 2 + length]


def convergence_db(x, y, rate):
    n, hop = measuring_frame(rate)
    a, b = np.abs(stft(x, n, hop)), np.abs(stft(y[:len(x)], n, hop))
    return 20 * np.log10(np.linalg.norm(b - a) / np.linalg.norm(a))


def griffin_lim(x, rate, iterations=100):
    n, hop = measuring_frame(rate)
    target = np.abs(stft(x, n, hop))
    rng = np.random.default_rng(1)
    spectrum = target * np.exp(2j * np.pi * rng.random(target.shape))
    for _ in range(iterations):
        y = istft(spectrum, n, hop, len(x))
        s = stft(y, n, hop)
        spectrum = target * np.exp(1j * np.angle(s))
    return istft(spectrum, n, hop, len(x))


def read_png_grey16(path):
    data = open(path, "rb").read()
    pos, idat, chunks = 8, b"", []
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height = struct.unpack(">II", body[:8])
        elif kind == b"IDAT":
            idat += body
        else:
            chunks.append((kind, body))
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = 2 * width + 1
    rows, prior = [], np.zeros(2 * width, dtype=np.int64)
    for y in range(height):
        f, line = raw[y * stride], np.frombuffer(raw[y * stride + 1:(y + 1) * stride], dtype=np.uint8).astype(np.int64)
        out = np.zeros_like(line)
        for i in range(len(line)):
            left = out[i - 2] if i >= 2 else 0
            up = prior[i]
            ul = prior[i - 2] if i >= 2 else 0
            if f == 0: p = 0
            elif f == 1: p = left
            elif f == 2: p = up
            elif f == 3: p = (left + up) // 2
            else:
                pa, pb, pc = abs(up - ul), abs(left - ul), abs(left + up - 2 * ul)
                p = left if pa <= pb and pa <= pc else (up if pb <= pc else ul)
            out[i] = (line[i] + p) & 255
        rows.append(out)
        prior = out
    pixels = np.array(rows).reshape(height, width, 2)
    return (pixels[:, :, 0] << 8 | pixels[:, :, 1]).astype(np.uint16), chunks


def write_png_grey16(path, levels, chunks):
    height, width = levels.shape
    raw = b"".join(b"\0" + levels[y].astype(">u2").tobytes() for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 16, 0, 0, 0, 0)))
        for kind, body in chunks:
            if kind != b"IEND":
                f.write(chunk(kind, body))
        f.write(chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def run(cli, *args):
    subprocess.run([cli, *args], check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("sounds", nargs="+")
    parser.add_argument("--iterations", type=int, nargs="*", default=[24])
    parser.add_argument("--no-erase", action="store_true")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        for sound in args.sounds:
            rate, x = read_wav(sound)
            mono = os.path.join(tmp, "mono.wav")
            write_wav(mono, rate, x)
            x = read_wav(mono)[1]
            png = os.path.join(tmp, "edit.png")
            start, cpu_start = time.perf_counter(), time.process_time()
            gl = griffin_lim(x, rate)
            gl_time, gl_cpu = time.perf_counter() - start, time.process_time() - cpu_start
            print(f"{os.path.basename(sound)}: {len(x) / rate:.2f} s at {rate} Hz")
            print(f"  numpy Griffin-Lim 100: {convergence_db(x, gl, rate):6.2f} dB in {gl_time:6.2f} s"
                  f" ({gl_cpu:6.2f} s of processor time)")
            for k in args.iterations:
                out = os.path.join(tmp, "out.wav")
                # The best of three: the machine is shared.
                # Processor time too (both threads counted): on a loaded machine it is the fairer figure.
                ours = ours_cpu = math.inf
                for _ in range(3):
                    start, before = time.perf_counter(), resource.getrusage(resource.RUSAGE_CHILDREN)
                    run(args.cli, "analyze", mono, png, "--decode", "--editable")
                    run(args.cli, "resynth", png, out, "--iterations", str(k))
                    after = resource.getrusage(resource.RUSAGE_CHILDREN)
                    ours = min(ours, time.perf_counter() - start)
                    ours_cpu = min(ours_cpu, after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime)
                y = read_wav(out)[1]
                print(f"  ombrisk {k:3d} iterations: {convergence_db(x, y, rate):6.2f} dB in {ours:6.2f} s"
                      f" ({ours / gl_time:.3f} x numpy's time, analysis included;"
                      f" processor time {ours_cpu:.2f} s, {ours_cpu / gl_cpu:.3f} x)")
            if args.no_erase:
                continue
            levels, chunks = read_png_grey16(png)
            height, width = levels.shape
            c0, c1 = width * 2 // 5, width * 3 // 5
            r0, r1 = height * 3 // 4, height * 15 // 16  # 1/16 to 1/4 of the rate: speech's formants
            levels[r0:r1, c0:c1] = 65535
            edited = os.path.join(tmp, "erased.png")
            write_png_grey16(edited, levels, chunks)
            n, hop = measuring_frame(rate)
            params = dict(w.split("=") for w in chunks[0][1].split(b"\0")[1].decode().split() if "=" in w)
            size, ehop = int(params["size"]), int(params["hop"])
            # The rectangle in the measuring transform's bins and frames, far enough inside that no
            # measuring frame overlaps a frame of an unerased column (its centre 3/4 of a frame
            # inside the edge) and no bin is within two main-lobe widths of an unerased one.
            k_hi, k_lo = (height - 1 - r0) * n // size, (height - 1 - r1) * n // size
            inset = (3 * size // 4 + n // 2 + hop - 1) // hop
            t0, t1 = (c0 * ehop + hop - 1) // hop + inset, (c1 - 1) * ehop // hop - inset
            a = np.abs(stft(x, n, hop))
            area = (slice(t0, t1 + 1), slice(k_lo + 4, k_hi - 3))
            before = np.sum(a[area] ** 2)
            for k in args.iterations:
                out = os.path.join(tmp, "erased.wav")
                run(args.cli, "resynth", edited, out, "--iterations", str(k))
                b = np.abs(stft(read_wav(out)[1], n, hop))
                after = np.sum(b[area] ** 2)
                full = (n / 4) ** 2 * b[area].size  # a full-scale sine in every bin
                print(f"  erased rectangle, {k:3d} iterations: {10 * np.log10(after / before):6.1f} dB"
                      f" against the original there ({10 * np.log10(before / full):6.1f} dBFS a bin,"
                      f" now {10 * np.log10(after / full):6.1f})")


if __name__ == "__main__":
    main()
