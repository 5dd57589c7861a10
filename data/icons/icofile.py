"""The .ico container shared by the icon scripts: 32-bit images with alpha."""
import struct


def icon_image(size, bgra_top_down):
    """One size-by-size image from BGRA rows, top row first: header,
    bottom-up rows, an empty AND mask."""
    stride = size * 4
    rows = [bgra_top_down[y * stride:(y + 1) * stride] for y in range(size)]
    pixels = b''.join(reversed(rows))
    mask = bytes(((size + 31) // 32) * 4 * size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask),
                         0, 0, 0, 0)
    return header + pixels + mask


def icon_file(images):
    """The file holding [(size, image)] in that order."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b''.join(image for _, image in images)
