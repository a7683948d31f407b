#!/usr/bin/env python3
# Draws the program's icon (a Mandelbrot set on a dark background, 16 colours,
# 32x32 and 16x16) and its inverting arrow cursor, and writes them as
# shell/veldran.ico and shell/veldran.cur. Run from anywhere; output is stable.
import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, TEAL, BLUE, CYAN, YELLOW, WHITE = 0, 4, 6, 12, 14, 11, 15

# Escape bands from the far background (navy) towards the boundary (white);
# points that never escape are the set itself, drawn black.
BANDS = [NAVY, NAVY, BLUE, TEAL, CYAN, YELLOW, WHITE]
MAX_ITERATIONS = 64

# The classic arrow, tip at (0, 0); every marked pixel inverts the screen.
ARROW = [
    "X",
    "XX",
    "XXX",
    "XXXX",
    "XXXXX",
    "XXXXXX",
    "XXXXXXX",
    "XXXXXXXX",
    "XXXXXXXXX",
    "XXXXXXXXXX",
    "XXXXXXXXXXX",
    "XXXXXXX",
    "XXX XXXX",
    "XX  XXXX",
    "X    XXXX",
    "     XXXX",
    "      XXXX",
    "      XXXX",
    "       XX",
]


def escape_count(cx, cy):
    zx = zy = 0.0
    for n in range(MAX_ITERATIONS):
        zx, zy = zx * zx - zy * zy + cx, 2.0 * zx * zy + cy
        if zx * zx + zy * zy > 4.0:
            return n
    return MAX_ITERATIONS


def band_of(count):
    if count >= MAX_ITERATIONS:
        return BLACK
    for i, limit in enumerate((2, 4, 6, 9, 14, 24)):
        if count < limit:
            return BANDS[i]
    return BANDS[-1]


def mandelbrot_pixels(size):
    """Colour indices, top row first; each pixel takes its deepest of 3x3 samples."""
    left, top, span = -2.15, -1.4, 2.8
    step = span / size
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            deepest = 0
            for sy in range(3):
                for sx in range(3):
                    cx = left + (x + (sx + 0.5) / 3) * step
                    cy = top + (y + (sy + 0.5) / 3) * step
                    deepest = max(deepest, escape_count(cx, cy))
            row.append(band_of(deepest))
        rows.append(row)
    return rows


def pack_rows(rows, bits):
    """A DIB's rows, bottom row first, each padded to a multiple of 4 bytes."""
    out = bytearray()
    for row in reversed(rows):
        packed = bytearray()
        acc, filled = 0, 0
        for value in row:
            acc = (acc << bits) | value
            filled += bits
            if filled == 8:
                packed.append(acc)
                acc, filled = 0, 0
        if filled:
            packed.append(acc << (8 - filled))
        while len(packed) % 4:
            packed.append(0)
        out += packed
    return bytes(out)


def dib(width, height, bits, palette, xor_rows, and_rows):
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, bits, 0, 0, 0, 0,
                         len(palette), 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + colours + pack_rows(xor_rows, bits) + pack_rows(and_rows, 1)


def icon_file(sizes):
    images = []
    for size in sizes:
        xor_rows = mandelbrot_pixels(size)
        and_rows = [[0] * size for _ in range(size)]
        images.append((size, dib(size, size, 4, PALETTE, xor_rows, and_rows)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def cursor_file():
    size = 32
    marked = [[1 if y < len(ARROW) and x < len(ARROW[y]) and ARROW[y][x] == "X" else 0
               for x in range(size)] for y in range(size)]
    # AND 1 everywhere keeps the screen; XOR 1 on the arrow inverts it there.
    and_rows = [[1] * size for _ in range(size)]
    data = dib(size, size, 1, [(0, 0, 0), (0xFF, 0xFF, 0xFF)], marked, and_rows)
    hot_x, hot_y = 0, 0
    out = struct.pack("<HHH", 0, 2, 1)
    out += struct.pack("<BBBBHHII", size, size, 0, 0, hot_x, hot_y, len(data), 6 + 16)
    return out + data


def main():
    shell = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "shell")
    with open(os.path.join(shell, "veldran.ico"), "wb") as f:
        f.write(icon_file([32, 16]))
    with open(os.path.join(shell, "veldran.cur"), "wb") as f:
        f.write(cursor_file())
    return 0


if __name__ == "__main__":
    sys.exit(main())
