#!/usr/bin/env python3
"""Draws the runtime's default icon: a drive with an upward arrow above it
(an upgrade), at 32x32 and 16x16, 32 bits per pixel, and writes it as an
.ico file. The picture is ours, drawn here from rectangles and a triangle.

    make_default_icon.py OUT.ico
"""
import struct
import sys

ARROW = (0xE0, 0x7F, 0x2F)      # blue (as B, G, R)
DRIVE = (0x60, 0x58, 0x50)      # dark grey body
DRIVE_TOP = (0xA8, 0xA0, 0x98)  # lighter top edge
SLOT = (0x30, 0x2C, 0x28)
LED = (0x30, 0xD0, 0x40)        # green


def colour_at(x, y):
    """Colour of the 32x32 design at (x, y), or None where it is clear."""
    if 3 <= x < 29 and 17 <= y < 29:
        if y < 19:
            return DRIVE_TOP
        if 23 <= y < 25 and 6 <= x < 19:
            return SLOT
        if 22 <= y < 26 and 22 <= x < 26:
            return LED
        return DRIVE
    if 13 <= x < 19 and 8 <= y < 16:
        return ARROW
    # Head: a triangle with its tip at (16, 1) and its base on y = 9.
    if 1 <= y < 9 and abs(x + 0.5 - 16) <= (y - 1) + 0.5:
        return ARROW
    return None


def image(size):
    scale = 32 / size
    pixels = bytearray()
    mask = bytearray()
    row_bytes = ((size + 31) // 32) * 4
    for y in reversed(range(size)):  # bottom-up rows
        bits = bytearray(row_bytes)
        for x in range(size):
            c = colour_at(int((x + 0.5) * scale), int((y + 0.5) * scale))
            if c is None:
                pixels += bytes((0, 0, 0, 0))
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                pixels += bytes(c) + b"\xff"
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask),
                         0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask)


def main():
    images = [(32, image(32)), (16, image(16))]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
