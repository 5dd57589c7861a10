"""A tiny anti-aliased rasteriser and PNG writer for the skin pictures.

Standard library only. Shapes are drawn with signed distances evaluated at
pixel centres (coverage = 0.5 - distance, clamped), so edges come out soft
without supersampling; polygons are supersampled instead.
"""
import math
import struct
import zlib


def rgb(hex_text):
    """'#RRGGBB' -> (r, g, b) in 0..255."""
    v = int(hex_text.lstrip('#'), 16)
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255)


class Canvas:
    """RGBA picture with premultiplied float pixels; starts transparent."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def blend(self, x, y, colour, coverage):
        if coverage <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        a = min(1.0, coverage) * (colour[3] if len(colour) > 3 else 1.0)
        p = self.px[y * self.width + x]
        for i in range(3):
            p[i] = colour[i] / 255.0 * a + p[i] * (1.0 - a)
        p[3] = a + p[3] * (1.0 - a)

    def shade(self, box, distance, colour):
        """Blends colour where distance(px, py) < 0.5, over the integer box."""
        x0, y0, x1, y1 = box
        for y in range(max(0, int(math.floor(y0))), min(self.height, int(math.ceil(y1)) + 1)):
            for x in range(max(0, int(math.floor(x0))), min(self.width, int(math.ceil(x1)) + 1)):
                d = distance(x + 0.5, y + 0.5)
                if d < 0.5:
                    self.blend(x, y, colour, 0.5 - d)

    def rounded_rect(self, x0, y0, x1, y1, radius, colour):
        cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
        hx, hy = (x1 - x0) / 2.0 - radius, (y1 - y0) / 2.0 - radius

        def distance(px, py):
            qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
            outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
            return outside + min(max(qx, qy), 0.0) - radius

        self.shade((x0 - 1, y0 - 1, x1 + 1, y1 + 1), distance, colour)

    def line(self, x0, y0, x1, y1, width, colour):
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1e-9
        half = width / 2.0

        def distance(px, py):
            t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
            return math.hypot(px - (x0 + t * dx), py - (y0 + t * dy)) - half

        self.shade((min(x0, x1) - half - 1, min(y0, y1) - half - 1,
                    max(x0, x1) + half + 1, max(y0, y1) + half + 1), distance, colour)

    def circle(self, cx, cy, radius, colour):
        self.shade((cx - radius - 1, cy - radius - 1, cx + radius + 1, cy + radius + 1),
                   lambda px, py: math.hypot(px - cx, py - cy) - radius, colour)

    def ring(self, cx, cy, radius, width, colour):
        self.shade((cx - radius - width, cy - radius - width, cx + radius + width,
                    cy + radius + width),
                   lambda px, py: abs(math.hypot(px - cx, py - cy) - radius) - width / 2.0,
                   colour)

    def polygon(self, points, colour, samples=4):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        for y in range(max(0, int(min(ys))), min(self.height, int(math.ceil(max(ys))) + 1)):
            for x in range(max(0, int(min(xs))), min(self.width, int(math.ceil(max(xs))) + 1)):
                hits = 0
                for sy in range(samples):
                    for sx in range(samples):
                        if _inside(points, x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                            hits += 1
                self.blend(x, y, colour, hits / float(samples * samples))

    def draw(self, other, ox, oy):
        """Composites another canvas over this one at (ox, oy)."""
        for y in range(other.height):
            for x in range(other.width):
                s = other.px[y * other.width + x]
                if s[3] <= 0.0 or not (0 <= x + ox < self.width and 0 <= y + oy < self.height):
                    continue
                d = self.px[(y + oy) * self.width + x + ox]
                for i in range(4):
                    d[i] = s[i] + d[i] * (1.0 - s[3])

    def png(self):
        rows = bytearray()
        for y in range(self.height):
            rows.append(0)  # filter: none
            for x in range(self.width):
                r, g, b, a = self.px[y * self.width + x]
                if a > 0.0:
                    r, g, b = r / a, g / a, b / a
                rows.extend(min(255, int(round(c * 255.0))) for c in (r, g, b, a))

        def chunk(kind, data):
            body = kind + data
            return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))

        header = struct.pack('>IIBBBBB', self.width, self.height, 8, 6, 0, 0, 0)
        return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
                chunk(b'IDAT', zlib.compress(bytes(rows), 9)) + chunk(b'IEND', b''))


def _inside(points, x, y):
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside
