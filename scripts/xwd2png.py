#!/usr/bin/env python3
"""Converts an X window dump (xwd -root of a 24/32-bit TrueColor display) to
PNG with the standard library only: xwd2png.py IN.xwd OUT.png"""
import struct
import sys
import zlib


def main():
    data = open(sys.argv[1], "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _, _, depth, width, height = fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14], fields[15], fields[16]
    ncolors = fields[19]
    # Some servers report 24 bits per pixel while storing 4 bytes each: the
    # line length tells.
    step = bytes_per_line // width if width else 0
    if step not in (3, 4) or bits_per_pixel not in (24, 32):
        sys.exit("unsupported dump: %d bits per pixel, depth %d" % (bits_per_pixel, depth))
    offset = header_size + ncolors * 12
    shifts = [(m & -m).bit_length() - 1 for m in (red_mask, green_mask, blue_mask)]
    fmt = "<I" if byte_order == 0 else ">I"
    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * step]
        out = bytearray(b"\x00")
        for x in range(width):
            raw = line[x * step:x * step + step] + (b"\x00" if step == 3 else b"")
            (pixel,) = struct.unpack(fmt, raw if byte_order == 0 or step == 4 else b"\x00" + raw[:3])
            out += bytes(((pixel & m) >> s) & 0xFF for m, s in zip((red_mask, green_mask, blue_mask), shifts))
        rows.append(bytes(out))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 6)) + chunk(b"IEND", b"")
    open(sys.argv[2], "wb").write(png)


if __name__ == "__main__":
    main()
