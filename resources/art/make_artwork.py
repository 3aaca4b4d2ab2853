#!/usr/bin/env python3
"""Draws Voltrak's own artwork: the program icon, the 46 x 46 bitmap of the
player button and the 382 x 88 title picture of the splash (8 bits per pixel).

Run it by hand after changing the drawing; the files it writes are committed
beside it, so a build needs nothing but the resource compiler:
    python3 resources/art/make_artwork.py resources/art
"""
import math
import struct
import sys

# A 5 x 7 block font, just the letters the title needs.
FONT = {
    'V': ["X...X", "X...X", "X...X", "X...X", ".X.X.", ".X.X.", "..X.."],
    'O': [".XXX.", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."],
    'L': ["X....", "X....", "X....", "X....", "X....", "X....", "XXXXX"],
    'T': ["XXXXX", "..X..", "..X..", "..X..", "..X..", "..X..", "..X.."],
    'R': ["XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"],
    'A': [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
    'K': ["X...X", "X..X.", "X.X..", "XX...", "X.X..", "X..X.", "X...X"],
}

BOLT = [(0.58, 0.08), (0.30, 0.55), (0.50, 0.55), (0.40, 0.92), (0.72, 0.40), (0.52, 0.40),
        (0.62, 0.08)]


def inside_polygon(x, y, points):
    hit = False
    for i in range(len(points)):
        (x1, y1), (x2, y2) = points[i], points[i - 1]
        if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
            hit = not hit
    return hit


def disc_colour(x, y, cx, cy, radius):
    """Colour of a shiny disc with a bolt at (x, y), or None outside it."""
    d = math.hypot(x - cx, y - cy)
    if d > radius or d < radius * 0.14:
        return None
    u = (x - (cx - radius)) / (2 * radius)
    v = (y - (cy - radius)) / (2 * radius)
    if inside_polygon(u, v, BOLT):
        return (255, 214, 40)
    if d > radius * 0.94 or d < radius * 0.2:
        return (70, 80, 110)
    shine = 0.5 + 0.5 * math.cos(math.atan2(y - cy, x - cx) * 2)
    g = int(150 + 90 * shine)
    return (g - 20, g - 5, min(255, g + 15))


def write_bmp8(path, width, height, palette, pixels):
    """An uncompressed 8-bit BMP; pixels[y][x] indexes palette, top row first."""
    stride = (width + 3) & ~3
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    table += b"\0" * (4 * (256 - len(palette)))
    rows = b"".join(bytes(pixels[y]) + b"\0" * (stride - width) for y in reversed(range(height)))
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 3780, 3780, 256, 0)
    with open(path, "wb") as out:
        out.write(header + info + table + rows)


class Palette:
    def __init__(self):
        self.colours = []
        self.index = {}

    def __call__(self, colour):
        # Quantise so that shading stays within 256 entries.
        colour = tuple(min(255, (c // 8) * 8 + (4 if c >= 4 else 0)) for c in colour)
        if colour not in self.index:
            if len(self.colours) == 256:
                raise SystemExit("palette full")
            self.index[colour] = len(self.colours)
            self.colours.append(colour)
        return self.index[colour]


def title(path):
    width, height = 382, 88
    palette = Palette()
    pixels = [[0] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            t = y / (height - 1)
            colour = (int(10 + 20 * t), int(20 + 40 * t), int(110 + 70 * t))
            pixels[y][x] = palette(colour)
    for y in range(height):
        for x in range(88):
            colour = disc_colour(x + 0.5, y + 0.5, 46, 44, 38)
            if colour:
                pixels[y][x] = palette(colour)
    scale, left, top = 6, 112, 23
    for i, letter in enumerate("VOLTRAK"):
        for row, line in enumerate(FONT[letter]):
            for col, mark in enumerate(line):
                if mark != "X":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        x = left + i * 6 * scale + col * scale + dx
                        y = top + row * scale + dy
                        if x + 3 < width and y + 3 < height:
                            pixels[y + 3][x + 3] = palette((5, 10, 60))
                        pixels[y][x] = palette((255, 255, 255) if dy > 0 else (255, 230, 120))
    write_bmp8(path, width, height, palette.colours, pixels)


def plugin_button(path):
    """A playlist sheet with a bolt. The first pixel's colour is the
    background, which the window replaces with the button's face colour."""
    size = 46
    palette = Palette()
    background = palette((255, 0, 255))
    pixels = [[background] * size for _ in range(size)]
    for y in range(6, 42):
        for x in range(8, 34):
            edge = x in (8, 33) or y in (6, 41)
            pixels[y][x] = palette((40, 40, 60) if edge else (250, 250, 250))
    for n, y in enumerate(range(12, 38, 5)):
        for x in range(12, 30 - (n % 2) * 6):
            pixels[y][x] = palette((60, 90, 170))
    points = [(px * 30 + 18, py * 30 + 14) for (px, py) in BOLT]
    for y in range(size):
        for x in range(size):
            if inside_polygon(x + 0.5, y + 0.5, points):
                pixels[y][x] = palette((230, 170, 0))
    write_bmp8(path, size, size, palette.colours, pixels)


def icon_image(size):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            colour = disc_colour(x + 0.5, y + 0.5, size / 2, size / 2, size / 2 - 0.5)
            row.append(colour + (255,) if colour else (0, 0, 0, 0))
        rows.append(row)
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0,
                       0, 0)
    return info + xor + mask


def icon(path):
    images = [icon_image(32), icon_image(16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    title(folder + "/title.bmp")
    plugin_button(folder + "/plugin.bmp")
    icon(folder + "/voltrak.ico")
