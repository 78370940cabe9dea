"""A small PNG reader for the tests: 8-bit grey or colour without alpha, every filter, CRCs checked.
read_png(path, check) gives the rows, top first, of the first channel; check(condition, what)
records what is wrong."""
import struct
import zlib


def read_png(path, check):
    data = open(path, "rb").read()
    check(data[:8] == b"\x89PNG\r\n\x1a\n", "png signature")
    at, idat, width, height = 8, b"", 0, 0
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8: at + 8 + length]
        check(zlib.crc32(kind + body) == struct.unpack_from(">I", data, at + 8 + length)[0], "png crc")
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack_from(">IIBB", body)
            check(depth == 8 and colour in (0, 2), "png colour without alpha")
            channels = 3 if colour == 2 else 1
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    previous, rows = bytearray(stride), []
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1: (y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([line[x * channels] for x in range(width)])
        previous = line
    return rows
