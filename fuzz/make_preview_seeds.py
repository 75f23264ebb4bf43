#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes small bitmaps of the layouts the preview decoder reads into fuzz/seeds/."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds")


def bmp(name, width, height, bpp, pixels, palette=b"", compression=0, masks=b"", core=False):
    if core:
        info = struct.pack("<IHHHH", 12, width, height, 1, bpp)
    else:
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(pixels),
                           2835, 2835, len(palette) // 4, 0)
    offset = 14 + len(info) + len(masks) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + masks + palette + pixels)


def rows(width, height, bpp, value):
    stride = ((width * bpp + 31) // 32) * 4
    return b"".join(bytes(value(x, y) for x in range(stride)) for y in range(abs(height)))


grey = b"".join(bytes((i, i, i, 0)) for i in range(256))
bmp("preview-8bit.bmp", 6, 4, 8, rows(6, 4, 8, lambda x, y: (x * 40 + y * 9) % 256), grey)
bmp("preview-1bit.bmp", 9, 3, 1, rows(9, 3, 1, lambda x, y: 0xA5), b"\0\0\0\0\xff\xff\xff\0")
rle = bytes([3, 7, 0, 3, 1, 2, 3, 0, 0, 6, 9, 0, 1])  # a run, an absolute run, end of bitmap
bmp("preview-rle8.bmp", 6, 2, 8, rle, grey, compression=1)
bmp("preview-16bit-fields.bmp", 3, 3, 16, rows(3, 3, 16, lambda x, y: (x * 31 + y) % 256),
    compression=3, masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F))
bmp("preview-32bit-topdown.bmp", 3, -2, 32, rows(3, 2, 32, lambda x, y: (x * 60) % 256))
bmp("preview-core-24bit.bmp", 2, 2, 24, rows(2, 2, 24, lambda x, y: 200 - x * 10), core=True)
