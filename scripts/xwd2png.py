#!/usr/bin/env python3
"""Converts an X window dump (xwd of a 24/32-bit TrueColor or DirectColor
display) to PNG with the standard library only: xwd2png.py IN.xwd OUT.png

The pixel size comes from the dump's bits_per_pixel, never from the line
length: while Wine runs, xwd writes packed 3-byte pixels into lines of
4 bytes per pixel (Wine's DirectColor visual), and reading them 4 bytes at a
time turns every coloured area into stripes. Grey survives either way, which
is what makes the fault easy to miss."""
import struct
import sys
import zlib

HEADER_FIELDS = ("header_size", "file_version", "pixmap_format", "pixmap_depth", "width",
                 "height", "xoffset", "byte_order", "bitmap_unit", "bitmap_bit_order",
                 "bitmap_pad", "bits_per_pixel", "bytes_per_line", "visual_class", "red_mask",
                 "green_mask", "blue_mask", "bits_per_rgb", "colormap_entries", "ncolors",
                 "window_width", "window_height", "window_x", "window_y", "window_bdrwidth")
COLOUR_ENTRY_BYTES = 12  # pixel (4), red, green, blue (2 each), flags, pad
Z_PIXMAP = 2


def read_header(data):
    if len(data) < 100:
        raise ValueError("not an X window dump: %d bytes" % len(data))
    header = dict(zip(HEADER_FIELDS, struct.unpack(">25I", data[:100])))
    if header["file_version"] != 7 or header["pixmap_format"] != Z_PIXMAP:
        raise ValueError("not a ZPixmap dump of version 7")
    return header


def _shift_and_width(mask):
    shift = (mask & -mask).bit_length() - 1 if mask else 0
    return shift, (mask >> shift).bit_length() if mask else 0


def decode(data):
    """Returns (width, height, rows), each row width * 3 bytes of RGB."""
    h = read_header(data)
    width, height = h["width"], h["height"]
    bpp, stride = h["bits_per_pixel"], h["bytes_per_line"]
    if bpp not in (16, 24, 32):
        raise ValueError("unsupported dump: %d bits per pixel, depth %d" % (bpp, h["pixmap_depth"]))
    step = bpp // 8
    if stride < width * step:
        raise ValueError("lines of %d bytes cannot hold %d pixels of %d bytes" % (stride, width, step))
    offset = h["header_size"] + h["ncolors"] * COLOUR_ENTRY_BYTES
    if len(data) < offset + stride * (height - 1) + width * step:
        raise ValueError("dump cut short")
    masks = (h["red_mask"], h["green_mask"], h["blue_mask"])
    lsb = h["byte_order"] == 0
    # The usual layout: one byte per channel. Byte i of a pixel holds bits
    # 8i..8i+7 when the dump is least significant byte first.
    standard = masks == (0xFF0000, 0xFF00, 0xFF) and step in (3, 4)
    if standard:
        index = {0xFF0000: 2, 0xFF00: 1, 0xFF: 0}
        picks = [index[m] if lsb else step - 1 - index[m] for m in masks]
    fields = [_shift_and_width(m) for m in masks]
    fmt = {2: "H", 3: "I", 4: "I"}[step]
    endian = "<" if lsb else ">"
    rows = []
    for y in range(height):
        line = data[offset + y * stride: offset + y * stride + width * step]
        out = bytearray(width * 3)
        if standard:
            for channel, pick in enumerate(picks):
                out[channel::3] = line[pick::step]
        else:
            for x in range(width):
                raw = line[x * step:(x + 1) * step]
                if step == 3:
                    raw = raw + b"\x00" if lsb else b"\x00" + raw
                (pixel,) = struct.unpack(endian + fmt, raw)
                for channel, (mask, (shift, bits)) in enumerate(zip(masks, fields)):
                    value = (pixel & mask) >> shift
                    out[x * 3 + channel] = value * 255 // ((1 << bits) - 1) if bits else 0
        rows.append(bytes(out))
    return width, height, rows


def encode_png(width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: xwd2png.py IN.xwd OUT.png")
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    try:
        width, height, rows = decode(data)
    except ValueError as error:
        sys.exit("%s: %s" % (sys.argv[1], error))
    with open(sys.argv[2], "wb") as f:
        f.write(encode_png(width, height, rows))


if __name__ == "__main__":
    main()
