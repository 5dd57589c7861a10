#!/usr/bin/env python3
"""Draws config.exe's icon (a green tile with a white ear of grain) as a
32-bit .ico holding 16x16 and 32x32 images: make_icon.py OUT.ico"""
import struct
import sys


def pixel(x, y, n):
    """BGRA of pixel (x, y) of an n x n image, y counted from the top."""
    u, v = (x + 0.5) / n, (y + 0.5) / n
    r = 0.18
    cx = min(max(u, r), 1 - r)
    cy = min(max(v, r), 1 - r)
    if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
        return (0, 0, 0, 0)
    stem = abs(u - 0.5) < 0.06 and 0.2 < v < 0.85
    arms = abs(abs(u - 0.5) - (0.62 - v) * 0.8) < 0.06 and 0.35 < v < 0.62
    bar = abs(v - 0.4) < 0.05 and 0.25 < u < 0.75
    if stem or arms or bar:
        return (255, 255, 255, 255)
    return (60, 140, 40, 255)


def image(n):
    rows = []
    for y in range(n - 1, -1, -1):  # bottom-up
        rows.append(b"".join(bytes(pixel(x, y, n)) for x in range(n)))
    xor = b"".join(rows)
    mask_row = ((n + 31) // 32) * 4
    and_mask = bytes(mask_row * n)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main():
    sizes = [16, 32]
    images = [image(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
