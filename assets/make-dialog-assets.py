#!/usr/bin/env python3
"""Draws the settings dialog's pictures: the texture strip (563 x 21), the title plate
(95 x 22), the two option marks (12 x 12) and the pointing-hand cursor (32 x 32, hot spot
12, 10). Writes 24-bit BMP files and a CUR file; the outputs are committed."""
import os
import random
import struct

here = os.path.dirname(os.path.abspath(__file__))


def write_bmp(name, w, h, pixel):
    stride = (w * 3 + 3) & ~3
    rows = b""
    for y in range(h - 1, -1, -1):
        row = b"".join(bytes((b, g, r)) for r, g, b in (pixel(x, y) for x in range(w)))
        rows += row + bytes(stride - w * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(os.path.join(here, name), "wb") as f:
        f.write(header + info + rows)


rng = random.Random(5)
streak = [rng.randint(-10, 10) for _ in range(21)]
grain = [[rng.randint(-4, 4) for _ in range(563)] for _ in range(21)]


def texture(x, y):
    v = 214 + streak[y] + grain[y][x] + (6 if (x * 7 + y * 13) % 97 < 9 else 0)
    v = max(0, min(255, v))
    return (v, v, min(255, v + 4))


write_bmp("dialog_texture.bmp", 563, 21, texture)


def rounded(x, y, w, h, r):
    """Inside a rounded rectangle of w x h with corner radius r."""
    cx = min(max(x, r), w - 1 - r)
    cy = min(max(y, r), h - 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r + r


def title(x, y):
    if not rounded(x, y, 95, 22, 5):
        return (214, 214, 218)
    if not rounded(x - 1, y - 1, 93, 20, 4):
        return (60, 60, 72)
    v = 236 - y * 2
    return (v, v, v + 4)


write_bmp("dialog_title.bmp", 95, 22, title)


def mark(on):
    def px(x, y):
        if x in (0, 11) or y in (0, 11):
            return (70, 70, 90)
        if x in (1, 10) or y in (1, 10):
            return (250, 250, 252)
        return (40, 90, 220) if on else (244, 244, 248)
    return px


write_bmp("dialog_opt_on.bmp", 12, 12, mark(True))
write_bmp("dialog_opt_off.bmp", 12, 12, mark(False))

# The pointing hand: '#' outline, '.' white fill, ' ' transparent. Hot spot at the finger tip.
hand = [
    "           ##                   ",
    "          #..#                  ",
    "          #..#                  ",
    "          #..#                  ",
    "          #..#                  ",
    "          #..###                ",
    "          #..#..###             ",
    "          #..#..#..##           ",
    "          #..#..#..#.#          ",
    "       ## #..#..#..#..#         ",
    "      #..##........#..#         ",
    "      #...#...........#         ",
    "       #..............#         ",
    "        #.............#         ",
    "        #............#          ",
    "         #...........#          ",
    "         #..........#           ",
    "          #.........#           ",
    "          #.........#           ",
    "          ###########           ",
]
hand += [" " * 32] * (32 - len(hand))
# Shift so the finger tip (row 0, column 11) lands on the hot spot (12, 10).
dx, dy = 1, 10
grid = [[" "] * 32 for _ in range(32)]
for y, row in enumerate(hand):
    for x, c in enumerate(row):
        if 0 <= x + dx < 32 and 0 <= y + dy < 32:
            grid[y + dy][x + dx] = c

xor_rows, and_rows = b"", b""
for y in range(31, -1, -1):
    xor_bits = and_bits = 0
    for x in range(32):
        c = grid[y][x]
        white = c == "."
        transparent = c == " "
        xor_bits = (xor_bits << 1) | (1 if white else 0)
        and_bits = (and_bits << 1) | (1 if transparent else 0)
    xor_rows += struct.pack(">I", xor_bits)
    and_rows += struct.pack(">I", and_bits)
palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor_rows) + len(and_rows), 0, 0, 2, 0)
image = info + palette + xor_rows + and_rows
cur = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", 32, 32, 2, 0, 12, 10, len(image), 22) + image
with open(os.path.join(here, "dialog_hand.cur"), "wb") as f:
    f.write(cur)
print("dialog pictures written")
