#!/usr/bin/env python3
"""Draws the soft keyboard's picture (bitmap resource 129) as a 24-bit BMP.

usage: make_keyboard.py <output.bmp>

The key rectangles are those the module hit-tests (ui/popups/SoftKeyGeometry.cpp);
the module draws each layout's characters over the blank key caps at run
time, so only the keys without characters carry a label here.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'skins'))
from raster import Canvas, rgb  # noqa: E402

WIDTH, HEIGHT = 440, 169
PANEL = rgb('#E4E8EE')
TITLE = rgb('#CFD6E0')
FRAME = rgb('#8E99A8')
CAP = rgb('#FBFCFD')
CAP_EDGE = rgb('#AEB8C6')
CAP_SHADE = rgb('#D3D9E2')
LABEL = rgb('#4A5464')
SPOT = rgb('#3C4656')

PITCH, KEY = 29, 27


def key(left, top, right):
    return (left, top, right, top + KEY)


def key_rects():
    """Keys 0-59 as (left, top, right, bottom), in the module's order."""
    r = [key(3 + PITCH * i, 22, 30 + PITCH * i) for i in range(13)]
    r.append(key(380, 22, 435))
    r.append(key(3, 51, 44))
    r += [key(46 + PITCH * i, 51, 73 + PITCH * i) for i in range(12)]
    r.append(key(394, 51, 435))
    r.append(key(3, 80, 58))
    r += [key(60 + PITCH * i, 80, 87 + PITCH * i) for i in range(11)]
    r.append(key(380, 80, 435))
    r.append(key(3, 109, 72))
    r += [key(74 + PITCH * i, 109, 101 + PITCH * i) for i in range(10)]
    r += [key(3, 138, 30), key(32, 138, 59), key(61, 138, 88), key(91, 138, 258),
          key(261, 138, 288), key(290, 138, 317), key(319, 138, 346), key(348, 138, 375)]
    assert len(r) == 60
    return r


# A 5 x 7 pixel font for the few key names; '#' is ink.
FONT = {
    'A': ['.###.', '#...#', '#...#', '#####', '#...#', '#...#', '#...#'],
    'C': ['.###.', '#...#', '#....', '#....', '#....', '#...#', '.###.'],
    'D': ['####.', '#...#', '#...#', '#...#', '#...#', '#...#', '####.'],
    'E': ['#####', '#....', '#....', '####.', '#....', '#....', '#####'],
    'I': ['.###.', '..#..', '..#..', '..#..', '..#..', '..#..', '.###.'],
    'a': ['.....', '.....', '.###.', '....#', '.####', '#...#', '.####'],
    'c': ['.....', '.....', '.###.', '#....', '#....', '#...#', '.###.'],
    'e': ['.....', '.....', '.###.', '#...#', '#####', '#....', '.###.'],
    'l': ['.##..', '..#..', '..#..', '..#..', '..#..', '..#..', '.###.'],
    'n': ['.....', '.....', '#.##.', '##..#', '#...#', '#...#', '#...#'],
    'p': ['.....', '.....', '####.', '#...#', '####.', '#....', '#....'],
    'r': ['.....', '.....', '#.##.', '##..#', '#....', '#....', '#....'],
    's': ['.....', '.....', '.####', '#....', '.###.', '....#', '####.'],
    't': ['.#...', '.#...', '####.', '.#...', '.#...', '.#..#', '..##.'],
}


def text(canvas, x, y, word, colour):
    for ch in word:
        for row, bits in enumerate(FONT[ch]):
            for col, bit in enumerate(bits):
                if bit == '#':
                    canvas.blend(x + col, y + row, colour, 1.0)
        x += 6


def text_width(word):
    return 6 * len(word) - 1


def cap(canvas, rect):
    left, top, right, bottom = rect
    canvas.rounded_rect(left, top + 1, right, bottom, 3, CAP_SHADE)
    canvas.rounded_rect(left, top, right, bottom - 1, 3, CAP_EDGE)
    canvas.rounded_rect(left + 1, top + 1, right - 1, bottom - 2, 2.5, CAP)


def arrow_left(canvas, x0, x1, y):
    canvas.line(x0, y, x1, y, 1.3, LABEL)
    canvas.line(x0, y, x0 + 4, y - 3.5, 1.3, LABEL)
    canvas.line(x0, y, x0 + 4, y + 3.5, 1.3, LABEL)


def label_keys(canvas, rects):
    def centre(i):
        left, top, right, bottom = rects[i]
        return (left + right) / 2.0, (top + bottom) / 2.0

    # Backspace: an arrow to the left.
    cx, cy = centre(13)
    arrow_left(canvas, cx - 11, cx + 11, cy)
    # Tab: an arrow to the right against a bar.
    cx, cy = centre(14)
    canvas.line(cx - 8, cy, cx + 6, cy, 1.3, LABEL)
    canvas.line(cx + 6, cy, cx + 2, cy - 3.5, 1.3, LABEL)
    canvas.line(cx + 6, cy, cx + 2, cy + 3.5, 1.3, LABEL)
    canvas.line(cx + 8, cy - 5, cx + 8, cy + 5, 1.3, LABEL)
    # Caps Lock and the key names: pixel text.
    for index, word in ((28, 'Caps'), (52, 'Ctrl'), (53, 'Esc'), (54, 'Alt'), (56, 'Alt'),
                        (57, 'Ins'), (58, 'Del'), (59, 'Ctrl')):
        left, top, right, bottom = rects[index]
        x = int((left + right - text_width(word)) / 2)
        text(canvas, x, int(top + (bottom - top - 7) / 2), word, LABEL)
    # Enter: down, then to the left.
    cx, cy = centre(40)
    canvas.line(cx + 9, cy - 6, cx + 9, cy + 2, 1.3, LABEL)
    arrow_left(canvas, cx - 9, cx + 9, cy + 2)
    # Shift: a hollow arrow up.
    cx, cy = centre(41)
    points = [(cx, cy - 7), (cx + 7, cy), (cx + 3, cy), (cx + 3, cy + 6), (cx - 3, cy + 6),
              (cx - 3, cy), (cx - 7, cy)]
    for a, b in zip(points, points[1:] + points[:1]):
        canvas.line(a[0], a[1], b[0], b[1], 1.2, LABEL)
    # Space: an open bracket lying down.
    cx, cy = centre(55)
    canvas.line(cx - 20, cy + 3, cx + 20, cy + 3, 1.3, LABEL)
    canvas.line(cx - 20, cy - 1, cx - 20, cy + 3, 1.3, LABEL)
    canvas.line(cx + 20, cy - 1, cx + 20, cy + 3, 1.3, LABEL)


def spots(canvas):
    # The menu spot (2, 2, 20, 19): three lines.
    for y in (6.5, 10.5, 14.5):
        canvas.line(6, y, 16, y, 1.6, SPOT)
    # The close spot (413, 2, 432, 19): a cross.
    canvas.line(418, 6, 427, 15, 1.6, SPOT)
    canvas.line(427, 6, 418, 15, 1.6, SPOT)


def draw():
    canvas = Canvas(WIDTH, HEIGHT)
    for y in range(HEIGHT):
        for x in range(WIDTH):
            canvas.blend(x, y, TITLE if y < 21 else PANEL, 1.0)
    canvas.line(0, 20.5, WIDTH, 20.5, 1.0, CAP_EDGE)
    for x0, y0, x1, y1 in ((0, 0.5, WIDTH, 0.5), (0, HEIGHT - 0.5, WIDTH, HEIGHT - 0.5),
                           (0.5, 0, 0.5, HEIGHT), (WIDTH - 0.5, 0, WIDTH - 0.5, HEIGHT)):
        canvas.line(x0, y0, x1, y1, 1.0, FRAME)
    rects = key_rects()
    for rect in rects:
        cap(canvas, rect)
    label_keys(canvas, rects)
    spots(canvas)
    return canvas


def bmp(canvas):
    """24-bit bottom-up BMP; rows are 1320 bytes, already a multiple of four."""
    rows = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        for x in range(canvas.width):
            r, g, b, _ = canvas.px[y * canvas.width + x]
            rows.extend(min(255, int(round(c * 255.0))) for c in (b, g, r))
    header = struct.pack('<IiiHHIIiiII', 40, canvas.width, canvas.height, 1, 24, 0, len(rows),
                         2835, 2835, 0, 0)
    file_header = struct.pack('<2sIHHI', b'BM', 14 + len(header) + len(rows), 0, 0,
                              14 + len(header))
    return file_header + header + bytes(rows)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    data = bmp(draw())
    with open(sys.argv[1], 'wb') as out:
        out.write(data)


if __name__ == '__main__':
    main()
