#!/usr/bin/env python3
"""Draws the splash picture of the sample application Quillmark and writes it as a
Windows bitmap file (bitmap resource 8000 of the shipped launcher):

    make_splash_bitmap.py OUTPUT.bmp

400 x 300 pixels, 8 bits per pixel with a palette of the picture's colours (fewer
than 256), run-length encoded (BI_RLE8), stored bottom-up: a 14-byte file header, a
40-byte BITMAPINFOHEADER, the palette, then the encoded rows. The picture is a dusk
gradient with a quill, the word QUILLMARK in block letters and a loading bar; it has
long runs of one colour, so the encoded pixels take a few kilobytes instead of the
360000 bytes of the same picture at 24 bits. `pixel(x, y)` gives the colour of any
point (x to the right, y downwards from the top-left corner), so that a test can
compare a screenshot with the picture.
"""

import math
import struct
import sys

WIDTH = 400
HEIGHT = 300
BI_RLE8 = 1

TOP = (22, 36, 78)
BOTTOM = (44, 122, 138)
INK = (250, 244, 228)
SHADOW = (10, 18, 40)
GOLD = (232, 188, 88)
SHAFT = (150, 104, 40)

# Block letters on a 5 x 7 grid.
GLYPHS = {
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
}
WORD = "QUILLMARK"
CELL = 6  # pixels per grid cell
LETTER_GAP = 6
WORD_LEFT = (WIDTH - (len(WORD) * 5 * CELL + (len(WORD) - 1) * LETTER_GAP)) // 2
WORD_TOP = 128
SHADOW_OFFSET = 3

# The quill: an ellipse leaning to the right, its shaft along the long axis and out
# of the lower end as the nib.
QUILL_CENTRE = (206, 70)
QUILL_AXES = (64, 11)
QUILL_ANGLE = math.radians(24)
NIB_LENGTH = 20

# The loading bar: an outlined box, its left part filled.
BAR = (120, 236, 280, 246)  # left, top, right, bottom (exclusive)
BAR_FILLED = 0.4


def letter_ink(x, y):
    """Whether (x, y) lies on a stroke of the word."""
    if y < WORD_TOP or y >= WORD_TOP + 7 * CELL or x < WORD_LEFT:
        return False
    pitch = 5 * CELL + LETTER_GAP
    index, inside = divmod(x - WORD_LEFT, pitch)
    if index >= len(WORD) or inside >= 5 * CELL:
        return False
    row = (y - WORD_TOP) // CELL
    return GLYPHS[WORD[index]][row][inside // CELL] == "#"


def quill(x, y):
    """The colour of the quill at (x, y), or None outside it."""
    dx = x - QUILL_CENTRE[0]
    dy = y - QUILL_CENTRE[1]
    along = dx * math.cos(QUILL_ANGLE) - dy * math.sin(QUILL_ANGLE)
    across = dx * math.sin(QUILL_ANGLE) + dy * math.cos(QUILL_ANGLE)
    on_shaft = abs(across) < 1.2
    if (along / QUILL_AXES[0]) ** 2 + (across / QUILL_AXES[1]) ** 2 > 1:
        return SHAFT if on_shaft and -QUILL_AXES[0] - NIB_LENGTH <= along < 0 else None
    return SHAFT if on_shaft else GOLD


def background(y):
    t = y / (HEIGHT - 1)
    return tuple(round(top + (bottom - top) * t) for top, bottom in zip(TOP, BOTTOM))


def pixel(x, y):
    """The (red, green, blue) colour of the picture at (x, y), top-left origin."""
    if letter_ink(x, y):
        return INK
    if letter_ink(x - SHADOW_OFFSET, y - SHADOW_OFFSET):
        return SHADOW
    colour = quill(x, y)
    if colour:
        return colour
    left, top, right, bottom = BAR
    if left <= x < right and top <= y < bottom:
        edge = x in (left, right - 1) or y in (top, bottom - 1)
        filled = x < left + (right - left) * BAR_FILLED
        return INK if edge or filled else background(y)
    return background(y)


def encode_row(indices):
    """One row in BI_RLE8: (count, index) pairs of at most 255 pixels, then the
    end-of-line escape."""
    out = bytearray()
    x = 0
    while x < len(indices):
        run = 1
        while x + run < len(indices) and run < 255 and indices[x + run] == indices[x]:
            run += 1
        out += bytes((run, indices[x]))
        x += run
    return out + b"\x00\x00"


def bitmap_bytes():
    """The whole .bmp file: file header, BITMAPINFOHEADER, palette, BI_RLE8 rows from
    the bottom one up, the end-of-bitmap escape."""
    palette = {}
    rows = []
    for y in range(HEIGHT - 1, -1, -1):
        row = [palette.setdefault(pixel(x, y), len(palette)) for x in range(WIDTH)]
        rows.append(encode_row(row))
    if len(palette) > 256:
        raise ValueError("the picture has %d colours, more than 8 bits hold" % len(palette))
    pixels = b"".join(rows)[:-2] + b"\x00\x01"
    table = b"".join(bytes((blue, green, red, 0)) for red, green, blue in palette)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, BI_RLE8, len(pixels), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + table + pixels


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_splash_bitmap.py OUTPUT.bmp\n")
        return 2
    with open(argv[1], "wb") as output:
        output.write(bitmap_bytes())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
