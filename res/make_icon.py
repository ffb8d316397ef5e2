#!/usr/bin/env python3
"""Writes the program's icon: 32 x 32, 16 colours, with a transparency mask.

A solid triangle pointing down: a silver top edge, a grey left face and a
black right face, on a transparent background.

    python3 make_icon.py OUT.ico
"""
import struct
import sys

SIZE = 32

# The 16-colour VGA palette, as (blue, green, red, 0).
PALETTE = [
    (0x00, 0x00, 0x00),
    (0x80, 0x00, 0x00),
    (0x00, 0x80, 0x00),
    (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80),
    (0x80, 0x00, 0x80),
    (0x00, 0x80, 0x80),
    (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80),
    (0xFF, 0x00, 0x00),
    (0x00, 0xFF, 0x00),
    (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF),
    (0xFF, 0x00, 0xFF),
    (0x00, 0xFF, 0xFF),
    (0xFF, 0xFF, 0xFF),
]  # listed as (red, green, blue); written reversed below
BLACK, SILVER, GREY = 0, 7, 8

TOP, EDGE, APEX = 3, 3, 29  # first row, silver rows, last row
LEFT, RIGHT = 1, 30  # the top edge spans these columns
MIDDLE = 15.5  # where the two faces meet


def pixel(x, y):
    """The palette index at (x, y), counted from the top left, or None for transparent."""
    if y < TOP or y > APEX:
        return None
    # The triangle narrows evenly from the full top edge to one point at the apex.
    half = (RIGHT - LEFT + 1) / 2 * (APEX - y + 1) / (APEX - TOP + 1)
    if abs(x - MIDDLE) > half:
        return None
    if y < TOP + EDGE:
        return SILVER
    return GREY if x < MIDDLE else BLACK


def image():
    rows = [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # a DIB is stored bottom row first
        for x in range(0, SIZE, 2):
            hi, lo = (c if c is not None else 0 for c in row[x : x + 2])
            xor.append(hi << 4 | lo)
        bits = 0
        for x, c in enumerate(row):
            if c is None:
                bits |= 1 << (SIZE - 1 - x)
        mask += struct.pack(">I", bits)  # 32 pixels: exactly one 4-byte row
    header = struct.pack(
        "<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0
    )
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def icon_file():
    body = image()
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(body), 6 + 16)
    return directory + entry + body


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file())
