#!/usr/bin/env python3
"""Draws the programs' icons as 32-bit .ico files holding 16x16, 32x32 and
48x48 images: a green tile with a white sign. make_icon.py OUT.ico [SIGN]
with SIGN grain (config.exe, the default), install (an arrow down), repair
(a cross), uninstall (a bar) or update (an arrow up)."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "icons"))
from icofile import icon_file, icon_image  # noqa: E402


def grain(u, v):
    stem = abs(u - 0.5) < 0.06 and 0.2 < v < 0.85
    arms = abs(abs(u - 0.5) - (0.62 - v) * 0.8) < 0.06 and 0.35 < v < 0.62
    bar = abs(v - 0.4) < 0.05 and 0.25 < u < 0.75
    return stem or arms or bar


def arrow(u, v, down):
    if not down:
        v = 1 - v
    stem = abs(u - 0.5) < 0.07 and 0.2 < v < 0.6
    head = 0.5 <= v < 0.8 and abs(u - 0.5) < (0.8 - v) * 1.1
    return stem or head


SIGNS = {
    "grain": grain,
    "install": lambda u, v: arrow(u, v, True),
    "repair": lambda u, v: (abs(u - 0.5) < 0.07 or abs(v - 0.5) < 0.07) and
    0.2 < u < 0.8 and 0.2 < v < 0.8,
    "uninstall": lambda u, v: abs(v - 0.5) < 0.08 and 0.2 < u < 0.8,
    "update": lambda u, v: arrow(u, v, False),
}


def pixel(x, y, n, sign):
    """BGRA of pixel (x, y) of an n x n image, y counted from the top."""
    u, v = (x + 0.5) / n, (y + 0.5) / n
    r = 0.18
    cx = min(max(u, r), 1 - r)
    cy = min(max(v, r), 1 - r)
    if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
        return (0, 0, 0, 0)
    if sign(u, v):
        return (255, 255, 255, 255)
    return (60, 140, 40, 255)


def image(n, sign):
    rows = b"".join(bytes(pixel(x, y, n, sign)) for y in range(n) for x in range(n))
    return icon_image(n, rows)


def main():
    sign = SIGNS[sys.argv[2] if len(sys.argv) > 2 else "grain"]
    data = icon_file([(n, image(n, sign)) for n in (16, 32, 48)])
    with open(sys.argv[1], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
