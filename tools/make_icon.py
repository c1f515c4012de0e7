#!/usr/bin/env python3
"""Draws the launcher's emblem (a ringed disc with a peak) into a multi-size .ico file."""
import math
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 64, 256)
SUPERSAMPLE = 4

DISC = (22, 92, 88)
RING = (236, 204, 120)
PEAK = (246, 250, 248)


def coverage(x, y):
    """Colour and opacity of one point of the emblem, in unit coordinates (-1..1)."""
    r = math.hypot(x, y)
    if r > 0.96:
        return None
    if r > 0.80:
        return RING
    # A peak: a triangle with a notch, pointing up.
    if -0.55 <= y <= 0.45:
        half_width = (y + 0.55) * 0.62
        notch = 0.18 - abs(x) * 0.9
        if abs(x) <= half_width and not (y < notch and abs(x) < 0.2 and y > -0.1):
            return PEAK
    return DISC


def render(size):
    pixels = bytearray()
    for row in range(size):
        for col in range(size):
            total = [0, 0, 0, 0]
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = ((col + (sx + 0.5) / SUPERSAMPLE) / size) * 2 - 1
                    y = 1 - ((row + (sy + 0.5) / SUPERSAMPLE) / size) * 2
                    colour = coverage(x, -y)
                    if colour:
                        total[0] += colour[0]
                        total[1] += colour[1]
                        total[2] += colour[2]
                        total[3] += 1
            samples = SUPERSAMPLE * SUPERSAMPLE
            if total[3]:
                pixels += bytes((total[0] // total[3], total[1] // total[3], total[2] // total[3],
                                 255 * total[3] // samples))
            else:
                pixels += bytes(4)
    return pixels


def png(size, rgba):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + bytes(rgba[y * size * 4:(y + 1) * size * 4]) for y in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


def bmp(size, rgba):
    """A 32-bit DIB entry: bottom-up BGRA rows, then an all-zero AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = rgba[(y * size + x) * 4:(y * size + x) * 4 + 4]
            rows += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    return header + bytes(rows) + bytes(mask_stride * size)


def main(path):
    images = []
    for size in SIZES:
        rgba = render(size)
        images.append((size, png(size, rgba) if size >= 256 else bmp(size, rgba)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dimension = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dimension, dimension, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1])
