#!/usr/bin/env python3
"""Draws the module's icons as <number>.ico files.

usage: make_icons.py <output folder> [langbar|settings]

The language-bar set (102-109, 122-124, listed in
frontend/tsf/LanguageBarIcons.rc) is the default; the settings set
(117-121, frontend/settings/SettingsIcons.rc) is what config shows on its
settings tabs and windows. Each icon gets a 16 x 16 and a 32 x 32 image,
32-bit with alpha, drawn with the skins' rasteriser and glyph strokes.
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SKINS = os.path.join(HERE, '..', 'skins')
sys.path.insert(0, SKINS)
sys.path.insert(0, HERE)
from make_skins import GLYPHS  # noqa: E402
from raster import Canvas, rgb  # noqa: E402
from icofile import icon_file, icon_image  # noqa: E402

SIZES = (16, 32)
BLUE = rgb('#2F6FEB') + (1.0,)
GREEN = rgb('#1E7F4F') + (1.0,)
SLATE = rgb('#56627A') + (1.0,)
GREY = rgb('#9BA3B0') + (1.0,)
LIGHT = rgb('#C3C9D3') + (1.0,)
RED = rgb('#C8372D') + (1.0,)
WHITE = (255, 255, 255, 1.0)


def plate(size, colour):
    c = Canvas(size, size)
    c.rounded_rect(0.5, 0.5, size - 0.5, size - 0.5, size * 0.2, colour)
    return c


def glyph(c, name, ink, margin=0.2, width=None):
    size = c.width
    m = size * margin
    box = size - 2 * m
    stroke = width or max(1.2, size / 11.0)
    for x0, y0, x1, y1 in GLYPHS[name]:
        c.line(m + x0 * box, m + y0 * box, m + x1 * box, m + y1 * box, stroke, ink)
    return c


def glyph_icon(name, colour):
    return lambda size: glyph(plate(size, colour), name, WHITE)


def punctuation(chinese):
    def draw(size):
        c = plate(size, SLATE)
        s = size / 16.0
        if chinese:
            c.ring(5.0 * s, 10.5 * s, 2.1 * s, 1.3 * s, WHITE)
            c.circle(11.0 * s, 9.8 * s, 1.7 * s, WHITE)
            c.line(12.3 * s, 10.2 * s, 10.2 * s, 13.6 * s, 1.3 * s, WHITE)
        else:
            c.circle(5.2 * s, 11.6 * s, 1.5 * s, WHITE)
            c.circle(11.0 * s, 10.6 * s, 1.5 * s, WHITE)
            c.line(12.1 * s, 11.0 * s, 10.3 * s, 13.8 * s, 1.2 * s, WHITE)
        return c
    return draw


def outlined(c, s, outer, inner, radii, fill):
    """A white frame: the outer box in white, the inner one in the plate's
    colour again; boxes in 16-pixel units, s the scale."""
    c.rounded_rect(*(v * s for v in outer), radii[0] * s, WHITE)
    c.rounded_rect(*(v * s for v in inner), radii[1] * s, fill)


def keyboard(size):
    c = plate(size, SLATE)
    s = size / 16.0
    outlined(c, s, (2.0, 4.0, 14.0, 12.5), (3.0, 5.0, 13.0, 11.5), (1.5, 1.0), SLATE)
    for row, y in enumerate((6.8, 8.6)):
        for k in range(4):
            c.circle((4.6 + k * 2.3 + row * 0.6) * s, y * s, 0.6 * s, WHITE)
    c.line(5.5 * s, 10.3 * s, 10.5 * s, 10.3 * s, 0.9 * s, WHITE)
    return c


def closed(size):
    c = glyph(plate(size, GREY), '中', WHITE)
    c.line(size * 0.15, size * 0.85, size * 0.85, size * 0.15, max(1.3, size / 10.0), RED)
    return c


def disabled(size):
    c = Canvas(size, size)
    r = size * 0.42
    c.ring(size / 2.0, size / 2.0, r, max(1.4, size / 9.0), LIGHT)
    d = r * 0.7
    c.line(size / 2.0 - d, size / 2.0 + d, size / 2.0 + d, size / 2.0 - d, max(1.4, size / 9.0), LIGHT)
    return c


def gear(size):
    c = plate(size, GREEN)
    s = size / 16.0
    for k in range(8):
        a = k * math.pi / 4.0
        c.line(8.0 * s + 3.2 * s * math.cos(a), 8.0 * s + 3.2 * s * math.sin(a),
               8.0 * s + 5.6 * s * math.cos(a), 8.0 * s + 5.6 * s * math.sin(a), 2.0 * s, WHITE)
    c.circle(8.0 * s, 8.0 * s, 4.0 * s, WHITE)
    c.circle(8.0 * s, 8.0 * s, 1.7 * s, GREEN)
    return c


def window(size):
    c = plate(size, BLUE)
    s = size / 16.0
    outlined(c, s, (2.5, 3.5, 13.5, 12.5), (3.5, 6.0, 12.5, 11.5), (1.2, 0.6), BLUE)
    for k in range(3):
        c.rounded_rect((4.3 + k * 2.8) * s, 7.6 * s, (6.3 + k * 2.8) * s, 9.9 * s, 0.4 * s, WHITE)
    return c


def table(size):
    c = plate(size, GREEN)
    s = size / 16.0
    c.rounded_rect(3.0 * s, 2.5 * s, 13.0 * s, 13.5 * s, 1.0 * s, WHITE)
    for y in (5.5, 8.0, 10.5):
        c.line(4.5 * s, y * s, 11.5 * s, y * s, 1.0 * s, GREEN)
    c.line(6.8 * s, 4.0 * s, 6.8 * s, 12.0 * s, 0.9 * s, GREEN)
    return c


def sliders(size):
    c = plate(size, SLATE)
    s = size / 16.0
    for y, knob in ((4.5, 10.5), (8.0, 5.5), (11.5, 9.0)):
        c.line(3.0 * s, y * s, 13.0 * s, y * s, 1.2 * s, WHITE)
        c.circle(knob * s, y * s, 1.8 * s, WHITE)
        c.circle(knob * s, y * s, 0.8 * s, SLATE)
    return c


def information(size):
    c = plate(size, BLUE)
    s = size / 16.0
    c.circle(8.0 * s, 4.6 * s, 1.4 * s, WHITE)
    c.line(8.0 * s, 7.5 * s, 8.0 * s, 12.5 * s, 2.4 * s, WHITE)
    return c


SETTINGS_ICONS = {
    117: sliders,      # 高级, and the key editor's window
    118: window,       # 界面
    119: information,  # 关于
    120: gear,         # 常用
    121: table,        # 码表, and the windows of the tables and the text editor
}

ICONS = {
    102: glyph_icon('半', SLATE),
    103: glyph_icon('英', GREEN),
    104: punctuation(True),
    105: punctuation(False),
    106: glyph_icon('中', BLUE),
    107: glyph_icon('menu', SLATE),
    108: glyph_icon('全', BLUE),
    109: keyboard,
    122: glyph_icon('A', BLUE),
    123: closed,
    124: disabled,
}


def bgra(canvas):
    """The canvas's premultiplied pixels as straight BGRA bytes, top row first."""
    out = bytearray()
    for r, g, b, a in canvas.px:
        if a > 0.0:
            r, g, b = r / a, g / a, b / a
        out.extend(min(255, int(round(v * 255.0))) for v in (b, g, r, a))
    return bytes(out)


def ico(draw):
    return icon_file([(size, icon_image(size, bgra(draw(size)))) for size in SIZES])


def main():
    if len(sys.argv) not in (2, 3) or sys.argv[2:] not in ([], ['langbar'], ['settings']):
        sys.exit(__doc__)
    out = sys.argv[1]
    icons = SETTINGS_ICONS if sys.argv[2:] == ['settings'] else ICONS
    os.makedirs(out, exist_ok=True)
    for number, draw in sorted(icons.items()):
        with open(os.path.join(out, '%d.ico' % number), 'wb') as f:
            f.write(ico(draw))


if __name__ == '__main__':
    main()
