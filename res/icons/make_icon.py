#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the Carvalet application icon: Carvalet.ico, carvalet-<N>.png and carvalet.svg.

A picture in a frame, half covered by a red curtain with a keyhole: a picture that keeps
something behind it. Standard library only, so it runs anywhere:

    python3 res/icons/make_icon.py [output folder]

The icon file holds 16x16 and 32x32 images of 256 colours (the 32x32 one is the resource
image), a 48x48 true-colour image and a 256x256 PNG image. The PNG files are the desktop's
icon theme sizes; the SVG draws the large picture from the same geometry for any size.
"""

import math
import os
import struct
import sys
import zlib

PNG_SIZES = (16, 24, 32, 48, 64, 128, 256)

FRAME = (0x2B, 0x3A, 0x52)
FRAME_EDGE = (0x1C, 0x27, 0x38)
SKY_TOP = (0x7C, 0xC4, 0xEC)
SKY_LOW = (0xC9, 0xEB, 0xF9)
SUN = (0xFF, 0xC9, 0x3C)
HILL_BACK = (0x5D, 0xB8, 0x6E)
HILL_FRONT = (0x2F, 0x8F, 0x55)
CURTAIN = (0xC8, 0x32, 0x3F)
CURTAIN_DARK = (0x93, 0x1F, 0x2E)
CURTAIN_LIGHT = (0xE0, 0x55, 0x5C)
ROD = (0xE8, 0xB4, 0x3A)
KEYHOLE = (0xFF, 0xD8, 0x5E)
KEYHOLE_DARK = (0x3A, 0x12, 0x18)

# Frame geometry in unit coordinates (y grows downwards).
OUTER = (0.04, 0.10, 0.96, 0.90)


def rounded_rect_inside(x, y, box, radius):
    x0, y0, x1, y1 = box
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + radius), x1 - radius)
    cy = min(max(y, y0 + radius), y1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


class Scene:
    """The drawing, simplified for small sizes so that it stays readable at 16 px."""

    def __init__(self, size):
        self.small = size <= 24
        # At 16 px every edge sits on a pixel boundary, so nothing turns to mud.
        self.outer = (0.0, 0.125, 1.0, 0.875) if self.small else OUTER
        self.radius = 0.07 if self.small else 0.09
        self.frame = 0.125 if self.small else 0.085
        x0, y0, x1, y1 = self.outer
        f = self.frame
        self.inner = (x0 + f, y0 + f, x1 - f, y1 - f)
        self.curtain_left = 0.50 if self.small else 0.52

    def curtain_edge(self, y):
        # The curtain is gathered towards a tie-back low on its left edge.
        _, iy0, _, iy1 = self.inner
        t = (y - iy0) / (iy1 - iy0)
        if self.small:
            return self.curtain_left + (0.0625 if 0.45 <= t <= 0.8 else 0.0)
        bulge = 0.16 * math.exp(-((t - 0.68) / 0.20) ** 2)
        return self.curtain_left + bulge - 0.03 * t

    def picture(self, x, y):
        ix0, iy0, ix1, iy1 = self.inner
        t = (y - iy0) / (iy1 - iy0)
        colour = mix(SKY_TOP, SKY_LOW, max(0.0, min(1.0, t)))
        if self.small:
            if 0.25 <= x < 0.375 and 0.3125 <= y < 0.4375:
                colour = SUN
            if y >= 0.625:
                colour = HILL_FRONT if x < 0.375 or y >= 0.6875 else HILL_BACK
            return colour
        if (x - 0.30) ** 2 + (y - 0.36) ** 2 <= 0.075**2:
            colour = SUN
        if (x - 0.58) ** 2 / 0.22 + (y - 0.97) ** 2 / 0.075 <= 1.0:
            colour = HILL_BACK
        if (x - 0.16) ** 2 / 0.17 + (y - 1.0) ** 2 / 0.085 <= 1.0:
            colour = HILL_FRONT
        return colour

    def curtain(self, x, y):
        left = self.curtain_edge(y)
        _, _, ix1, _ = self.inner
        u = (x - left) / (ix1 - left)
        if self.small:
            return CURTAIN_DARK if u < 0.18 else CURTAIN
        # Folds: soft vertical shading, darker in the valleys.
        fold = math.cos(u * math.pi * 5.0)
        colour = mix(CURTAIN, CURTAIN_LIGHT, max(0.0, fold) * 0.55)
        colour = mix(colour, CURTAIN_DARK, max(0.0, -fold) * 0.6)
        if u < 0.06:
            colour = CURTAIN_DARK
        return colour

    def keyhole(self, x, y):
        cx, cy = 0.755, 0.47
        r = 0.055
        ring = r + 0.026
        body = (x - cx) ** 2 + (y - cy) ** 2 <= r * r
        slot_half = 0.02 + (y - cy) * 0.2
        slot = cy <= y <= cy + 0.14 and abs(x - cx) <= slot_half
        if body or slot:
            return KEYHOLE_DARK
        if (x - cx) ** 2 + (y - cy) ** 2 <= ring * ring:
            return KEYHOLE
        if cy <= y <= cy + 0.166 and abs(x - cx) <= slot_half + 0.026:
            return KEYHOLE
        return None

    def colour(self, x, y):
        if not rounded_rect_inside(x, y, self.outer, self.radius):
            return None
        ix0, iy0, ix1, iy1 = self.inner
        if not (ix0 <= x <= ix1 and iy0 <= y <= iy1):
            edge = 0.018 if not self.small else 0.0
            if edge and not rounded_rect_inside(
                x, y, (OUTER[0] + edge, OUTER[1] + edge, OUTER[2] - edge, OUTER[3] - edge), 0.075
            ):
                return FRAME_EDGE
            return FRAME
        rod = 0.0625 if self.small else 0.035
        if y <= iy0 + rod:
            return ROD
        if x >= self.curtain_edge(y):
            if not self.small:
                key = self.keyhole(x, y)
                if key:
                    return key
            return self.curtain(x, y)
        return self.picture(x, y)


def render(size):
    scene = Scene(size)
    samples = 4 if size >= 64 else 6
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    c = scene.colour(x, y)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                alpha = round(255 * hits / (samples * samples))
                row.append(tuple(round(a / hits) for a in acc) + (alpha,))
        pixels.append(row)
    return pixels


def png_bytes(pixels):
    size = len(pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in pixels)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", header)
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def median_cut(colours, count):
    """Reduces a list of RGB colours (with repeats) to at most count representatives."""
    boxes = [colours]
    while len(boxes) < count:
        boxes.sort(key=len, reverse=True)
        box = boxes[0]
        if len(set(box)) < 2:
            break
        spans = [max(c[i] for c in box) - min(c[i] for c in box) for i in range(3)]
        axis = spans.index(max(spans))
        box = sorted(box, key=lambda c: c[axis])
        half = len(box) // 2
        boxes[0:1] = [box[:half], box[half:]]
    return [tuple(round(sum(c[i] for c in b) / len(b)) for i in range(3)) for b in boxes if b]


def paletted_entry(pixels):
    """A 256-colour icon image: header, palette, indices and the AND mask of transparency."""
    size = len(pixels)
    opaque = [p[:3] for row in pixels for p in row if p[3] >= 128]
    distinct = sorted(set(opaque))
    palette = distinct if len(distinct) <= 256 else median_cut(opaque, 256)
    index_of = {}

    def nearest(c):
        if c not in index_of:
            index_of[c] = min(
                range(len(palette)),
                key=lambda i: sum((palette[i][k] - c[k]) ** 2 for k in range(3)),
            )
        return index_of[c]

    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    colour_table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    colour_table += b"\x00\x00\x00\x00" * (256 - len(palette))
    xor_rows = []
    and_rows = []
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(pixels):
        xor_rows.append(bytes(nearest(p[:3]) if p[3] >= 128 else 0 for p in row))
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        and_rows.append(bytes(bits))
    return header + colour_table + b"".join(xor_rows) + b"".join(and_rows), 8, 256


def truecolour_entry(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for r, g, b, a in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + body + bytes(mask), 32, 0


def ico_bytes(entries):
    """entries: list of (size, data, bit depth, colour count)."""
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, data, bits, colours in entries:
        dim = 0 if size >= 256 else size
        out += struct.pack(
            "<BBBBHHII", dim, dim, colours if colours < 256 else 0, 0, 1, bits, len(data), offset
        )
        offset += len(data)
    return out + b"".join(e[1] for e in entries)


def hex_colour(c):
    return "#%02x%02x%02x" % tuple(round(v) for v in c)


def svg_text():
    """The large picture as vectors, on a 256-unit canvas."""
    scene = Scene(256)
    k = 256.0

    def n(v):
        return f"{v * k:.2f}".rstrip("0").rstrip(".")

    x0, y0, x1, y1 = OUTER
    ix0, iy0, ix1, iy1 = scene.inner
    edge = 0.018
    rod = 0.035
    # The curtain's gathered left edge, top to bottom, then round its right side.
    steps = 32
    edge_points = [
        (scene.curtain_edge(iy0 + (iy1 - iy0) * i / steps), iy0 + (iy1 - iy0) * i / steps)
        for i in range(steps + 1)
    ]
    curtain_path = (
        "M" + " L".join(f"{n(x)},{n(y)}" for x, y in edge_points) + f" L{n(ix1)},{n(iy1)}"
        f" L{n(ix1)},{n(iy0)} Z"
    )
    edge_line = "M" + " L".join(f"{n(x)},{n(y)}" for x, y in edge_points)
    # Folds: the same light and dark bands as the bitmaps, across the curtain.
    left = min(x for x, _ in edge_points)
    fold_stops = []
    for i in range(41):
        u = i / 40
        fold = math.cos(u * math.pi * 5.0)
        colour = mix(CURTAIN, CURTAIN_LIGHT, max(0.0, fold) * 0.55)
        colour = mix(colour, CURTAIN_DARK, max(0.0, -fold) * 0.6)
        fold_stops.append(f'<stop offset="{u:.3f}" stop-color="{hex_colour(colour)}"/>')
    cx, cy = 0.755, 0.47
    r, ring = 0.055, 0.055 + 0.026

    def keyhole(radius, slot_top, slot_bottom, width):
        bottom = cy + slot_bottom
        half_top = width
        half_bottom = width + slot_bottom * 0.2
        return (
            f'<circle cx="{n(cx)}" cy="{n(cy)}" r="{n(radius)}"/>'
            f'<path d="M{n(cx - half_top)},{n(cy + slot_top)} L{n(cx + half_top)},{n(cy + slot_top)}'
            f" L{n(cx + half_bottom)},{n(bottom)} L{n(cx - half_bottom)},{n(bottom)} Z\"/>"
        )

    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <title>Carvalet</title>
  <defs>
    <linearGradient id="sky" x1="0" y1="{n(iy0)}" x2="0" y2="{n(iy1)}" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="{hex_colour(SKY_TOP)}"/>
      <stop offset="1" stop-color="{hex_colour(SKY_LOW)}"/>
    </linearGradient>
    <linearGradient id="folds" x1="{n(left)}" y1="0" x2="{n(ix1)}" y2="0" gradientUnits="userSpaceOnUse">
      {"".join(fold_stops)}
    </linearGradient>
    <clipPath id="picture">
      <rect x="{n(ix0)}" y="{n(iy0)}" width="{n(ix1 - ix0)}" height="{n(iy1 - iy0)}"/>
    </clipPath>
  </defs>
  <rect x="{n(x0)}" y="{n(y0)}" width="{n(x1 - x0)}" height="{n(y1 - y0)}" rx="{n(scene.radius)}" fill="{hex_colour(FRAME_EDGE)}"/>
  <rect x="{n(x0 + edge)}" y="{n(y0 + edge)}" width="{n(x1 - x0 - 2 * edge)}" height="{n(y1 - y0 - 2 * edge)}" rx="{n(0.075)}" fill="{hex_colour(FRAME)}"/>
  <g clip-path="url(#picture)">
    <rect x="{n(ix0)}" y="{n(iy0)}" width="{n(ix1 - ix0)}" height="{n(iy1 - iy0)}" fill="url(#sky)"/>
    <circle cx="{n(0.30)}" cy="{n(0.36)}" r="{n(0.075)}" fill="{hex_colour(SUN)}"/>
    <ellipse cx="{n(0.58)}" cy="{n(0.97)}" rx="{n(math.sqrt(0.22))}" ry="{n(math.sqrt(0.075))}" fill="{hex_colour(HILL_BACK)}"/>
    <ellipse cx="{n(0.16)}" cy="{n(1.0)}" rx="{n(math.sqrt(0.17))}" ry="{n(math.sqrt(0.085))}" fill="{hex_colour(HILL_FRONT)}"/>
    <path d="{curtain_path}" fill="url(#folds)"/>
    <path d="{edge_line}" fill="none" stroke="{hex_colour(CURTAIN_DARK)}" stroke-width="{n(0.03)}"/>
    <g fill="{hex_colour(KEYHOLE)}">{keyhole(ring, 0.0, 0.166, 0.046)}</g>
    <g fill="{hex_colour(KEYHOLE_DARK)}">{keyhole(r, 0.0, 0.14, 0.02)}</g>
    <rect x="{n(ix0)}" y="{n(iy0)}" width="{n(ix1 - ix0)}" height="{n(rod)}" fill="{hex_colour(ROD)}"/>
  </g>
</svg>
"""


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    images = {size: render(size) for size in PNG_SIZES}
    for size, pixels in images.items():
        with open(os.path.join(out_dir, f"carvalet-{size}.png"), "wb") as f:
            f.write(png_bytes(pixels))
    entries = []
    for size in (32, 16):
        data, bits, colours = paletted_entry(images[size])
        entries.append((size, data, bits, colours))
    data, bits, colours = truecolour_entry(images[48])
    entries.append((48, data, bits, colours))
    entries.append((256, png_bytes(images[256]), 32, 0))
    with open(os.path.join(out_dir, "Carvalet.ico"), "wb") as f:
        f.write(ico_bytes(entries))
    with open(os.path.join(out_dir, "carvalet.svg"), "w", encoding="utf-8") as f:
        f.write(svg_text())


if __name__ == "__main__":
    main()
