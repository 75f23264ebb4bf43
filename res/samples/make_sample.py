#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes sample.bmp: a 160 x 120, 24-bit picture of hills under an evening sky."""
import math
import os
import struct

WIDTH, HEIGHT = 160, 120


def pixel(x, y):
    """Colour (r, g, b) at x, y, with y = 0 at the top."""
    # Sky: deep blue at the top to orange at the horizon.
    t = y / 70.0
    sky = (int(30 + 220 * t), int(40 + 110 * t), int(120 - 60 * t))
    # A pale moon.
    if (x - 120) ** 2 + (y - 22) ** 2 < 90:
        sky = (240, 236, 210)
    # Two lines of hills.
    far = 70 - 10 * math.sin(x / 17.0) - 6 * math.sin(x / 7.0 + 1)
    near = 88 - 12 * math.sin(x / 23.0 + 2)
    if y > near:
        shade = (y - near) / (HEIGHT - near + 1)
        return (int(30 + 20 * shade), int(90 - 40 * shade), int(40 - 10 * shade))
    if y > far:
        return (70, 110, 90)
    return sky


def main():
    rows = []
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up, as BMP stores them
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = (max(0, min(255, c)) for c in pixel(x, y))
            row += bytes((b, g, r))
        row += b"\0" * ((4 - len(row) % 4) % 4)
        rows.append(bytes(row))
    pixels = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sample.bmp")
    with open(path, "wb") as out:
        out.write(header + info + pixels)


if __name__ == "__main__":
    main()
