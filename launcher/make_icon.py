"""Draws the program icon and writes it as a Windows .ico file.

Usage: make_icon.py OUTPUT.ico

The icon is a blue rounded tile with a white GPS track that ends in an orange position mark.
It is drawn from code at 16, 24, 32, 48, 64, 128 and 256 pixels; the first six are stored as
32-bit bitmaps with alpha, the 256-pixel image as PNG, as Windows expects.
"""
import math
import struct
import sys
import zlib

BITMAP_SIZES = (16, 24, 32, 48, 64, 128)
PNG_SIZE = 256

TOP = (0x1E, 0x88, 0xE5)
BOTTOM = (0x0D, 0x3C, 0x8C)
WHITE = (0xFF, 0xFF, 0xFF)
ORANGE = (0xFF, 0x98, 0x00)


def _track_points(count=18):
    """A winding track across the tile, in unit coordinates (y down)."""
    points = []
    for i in range(count + 1):
        t = i / count
        x = 0.22 + 0.56 * t
        y = 0.76 - 0.50 * t + 0.12 * math.sin(t * 2.0 * math.pi)
        points.append((x, y))
    return points


TRACK = _track_points()


def _segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = min(1.0, max(0.0, t))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def _rounded_square_distance(px, py, radius):
    """Signed distance to a square tile filling the unit square with rounded corners."""
    qx = abs(px - 0.5) - (0.5 - 0.04 - radius)
    qy = abs(py - 0.5) - (0.5 - 0.04 - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def _coverage(distance, size):
    """Anti-aliased coverage of a shape whose signed distance (unit coordinates) is given."""
    return min(1.0, max(0.0, 0.5 - distance * size))


def _over(dst, src, alpha):
    return tuple(d + (s - d) * alpha for d, s in zip(dst, src))


def draw(size):
    """RGBA rows of the icon at `size` pixels, top row first."""
    half_width = max(0.045, 0.65 / size)
    end_x, end_y = TRACK[-1]
    rows = []
    for y in range(size):
        row = bytearray()
        py = (y + 0.5) / size
        for x in range(size):
            px = (x + 0.5) / size
            tile = _coverage(_rounded_square_distance(px, py, 0.2), size)
            if tile == 0.0:
                row += b"\0\0\0\0"
                continue
            color = _over(TOP, BOTTOM, py)
            near = min(_segment_distance(px, py, *a, *b) for a, b in zip(TRACK, TRACK[1:]))
            color = _over(color, WHITE, _coverage(near - half_width, size))
            mark = math.hypot(px - end_x, py - end_y)
            color = _over(color, WHITE, _coverage(mark - 0.13, size))
            color = _over(color, ORANGE, _coverage(mark - 0.09, size))
            row += bytes(round(c) for c in color) + bytes((round(255 * tile),))
        rows.append(bytes(row))
    return rows


def bitmap_image(size, rows):
    """Icon bitmap: header with doubled height, bottom-up BGRA pixels, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, size * size * 4, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for i in range(0, len(row), 4):
            r, g, b, a = row[i:i + 4]
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(size):
            if row[4 * x + 3] == 0:  # fully transparent: let the background through
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def png_image(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def icon_file():
    images = [(s, bitmap_image(s, draw(s))) for s in BITMAP_SIZES]
    images.append((PNG_SIZE, png_image(PNG_SIZE, draw(PNG_SIZE))))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        side = size % 256  # 0 stands for 256
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def main(argv):
    if len(argv) != 2:
        print(__doc__.splitlines()[2], file=sys.stderr)
        return 2
    with open(argv[1], "wb") as f:
        f.write(icon_file())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
