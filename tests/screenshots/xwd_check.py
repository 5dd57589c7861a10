#!/usr/bin/env python3
"""Checks scripts/xwd2png.py: dumps in both layouts xwd writes (made here
byte by byte), and, given a display, a real dump of the colour card that
Wine draws. xwd_check.py XWD2PNG [WINE CARD.exe]"""
import importlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

# Left edge and colour of each block; ColourCardLayout.h holds the same.
BLOCK = 40
CARD = [(0, (0xFF, 0x00, 0x00)), (40, (0x00, 0xFF, 0x00)), (80, (0x00, 0x00, 0xFF)),
        (120, (0x28, 0x8C, 0x3C)), (160, (0xFF, 0x80, 0x00))]

failures = []
passes = 0


def check(ok, what):
    global passes
    if ok:
        passes += 1
    else:
        failures.append(what)
        print("FAILED: " + what)


def load_converter(path):
    # The converter is a script of its own, imported from its folder (no
    # bytecode left beside it in the source tree).
    sys.dont_write_bytecode = True
    sys.path.insert(0, os.path.dirname(os.path.abspath(path)))
    return importlib.import_module(os.path.splitext(os.path.basename(path))[0])


def make_dump(width, height, pixel_at, bits_per_pixel, bytes_per_line, visual_class):
    """A least-significant-byte-first ZPixmap dump with a 256-entry colour map."""
    name = b"card\x00"
    header_size = 100 + len(name)
    header = struct.pack(">25I", header_size, 7, 2, 24, width, height, 0, 0, 32, 0,
                         8 if bits_per_pixel == 24 else 32, bits_per_pixel, bytes_per_line,
                         visual_class, 0xFF0000, 0xFF00, 0xFF, 8, 256, 256, width, height, 0, 0, 0)
    body = bytearray()
    step = bits_per_pixel // 8
    for y in range(height):
        line = bytearray(bytes_per_line)
        for x in range(width):
            r, g, b = pixel_at(x, y)
            value = (r << 16) | (g << 8) | b
            line[x * step:(x + 1) * step] = value.to_bytes(4, "little")[:step]
        body += line
    return header + name + b"\x00" * (256 * 12) + bytes(body)


def card_pixel(x, y):
    for left, colour in reversed(CARD):
        if x >= left:
            return colour
    return (0, 0, 0)


def card_mismatches(rows, origin_x=0, origin_y=0):
    """Blocks whose centre pixel is not the block's colour."""
    wrong = []
    for left, colour in CARD:
        x, y = origin_x + left + BLOCK // 2, origin_y + BLOCK // 2
        got = tuple(rows[y][x * 3:x * 3 + 3])
        if got != colour:
            wrong.append("block at %d: %s, expected %s" % (left, got, colour))
    # Stripes show as neighbours of one block differing.
    for left, colour in CARD:
        y = origin_y + BLOCK // 2
        seen = {tuple(rows[y][x * 3:x * 3 + 3]) for x in range(origin_x + left + 4, origin_x + left + BLOCK - 4)}
        if len(seen) != 1:
            wrong.append("block at %d has %d colours across" % (left, len(seen)))
    return wrong


def check_made_dumps(conv):
    width, height = 5 * BLOCK, BLOCK
    layouts = {
        # What xwd writes while Wine runs: 3-byte pixels, lines of 4 bytes a pixel.
        "packed 24-bit pixels in wide lines": (24, width * 4, 5),
        "packed 24-bit pixels in tight lines": (24, width * 3, 4),
        "32-bit pixels": (32, width * 4, 4),
    }
    for name, (bpp, stride, visual) in layouts.items():
        dump = make_dump(width, height, card_pixel, bpp, stride, visual)
        w, h, rows = conv.decode(dump)
        check((w, h) == (width, height), name + ": size")
        wrong = card_mismatches(rows)
        check(not wrong, name + ": " + "; ".join(wrong))
    png = conv.encode_png(2, 1, [b"\x01\x02\x03\x04\x05\x06"])
    check(png[:8] == b"\x89PNG\r\n\x1a\n", "PNG signature")
    idat = png.index(b"IDAT")
    length = struct.unpack(">I", png[idat - 4:idat])[0]
    check(zlib.decompress(png[idat + 4:idat + 4 + length]) == b"\x00\x01\x02\x03\x04\x05\x06",
          "PNG rows")
    for bad, why in ((b"", "empty"), (make_dump(4, 4, card_pixel, 32, 8, 4), "lines too short"),
                     (make_dump(4, 4, card_pixel, 32, 16, 4)[:-10], "cut short")):
        try:
            conv.decode(bad)
            check(False, "accepted a dump that is " + why)
        except ValueError:
            check(True, why)


def check_live_dump(conv, wine, card):
    if not os.environ.get("DISPLAY") or not shutil.which("xwd"):
        print("no display or xwd: the live dump is not checked")
        return
    with tempfile.TemporaryDirectory() as folder:
        done = os.path.join(folder, "done")
        win_done = subprocess.run(["winepath", "-w", done], capture_output=True, text=True).stdout.strip()
        card_run = subprocess.Popen([wine, card, win_done], stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, text=True)
        try:
            ready = card_run.stdout.readline().strip()
            check(ready == "ready", "the colour card started (%r)" % ready)
            if ready != "ready":
                return
            # Give the X server the picture Wine pushes after painting.
            dump, wrong = None, ["no dump"]
            for _ in range(20):
                dump = subprocess.run(["xwd", "-root", "-silent"], capture_output=True).stdout
                wrong = card_mismatches(conv.decode(dump)[2])
                if not wrong:
                    break
                subprocess.run(["sleep", "0.2"])
            check(not wrong, "live dump of the colour card: " + "; ".join(wrong))
        finally:
            open(done, "w").close()
            try:
                card_run.wait(timeout=20)
            except subprocess.TimeoutExpired:
                card_run.kill()


def main():
    if len(sys.argv) not in (2, 4):
        sys.exit("usage: xwd_check.py XWD2PNG [WINE CARD.exe]")
    conv = load_converter(sys.argv[1])
    check_made_dumps(conv)
    if len(sys.argv) == 4:
        check_live_dump(conv, sys.argv[2], sys.argv[3])
    print("%d passed, %d failed" % (passes, len(failures)))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
