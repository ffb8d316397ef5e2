#!/usr/bin/env python3
"""Answers questions about a screenshot, for the end-to-end checks.

    pixels.py SHOT.png at X Y            -> "R G B"
    pixels.py SHOT.png count COLOUR X Y W H   -> pixels of exactly that colour
    pixels.py SHOT.png span COLOUR X Y W H    -> "LEFT RIGHT" columns holding it, or "none"

COLOUR is R,G,B. The PNG is read through ImageMagick's PPM output.
"""
import subprocess
import sys


def load(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maximum
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:]


def main(argv):
    width, height, pixels = load(argv[1])

    def at(x, y):
        if not (0 <= x < width and 0 <= y < height):
            return None
        i = (y * width + x) * 3
        return tuple(pixels[i:i + 3])

    if argv[2] == "at":
        print(*at(int(argv[3]), int(argv[4])))
        return
    colour = tuple(int(c) for c in argv[3].split(","))
    x0, y0, w, h = (int(v) for v in argv[4:8])
    columns = [x for x in range(x0, x0 + w) for y in range(y0, y0 + h) if at(x, y) == colour]
    if argv[2] == "count":
        print(len(columns))
    elif argv[2] == "span":
        print(f"{min(columns)} {max(columns)}" if columns else "none")


if __name__ == "__main__":
    main(sys.argv)
