#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Where a window's own picture of itself lies in a screenshot (Debian's python3, with numpy):
# locate.py SCREEN.rgb W H PART.rgb w h prints "x y" of the best match (raw 8-bit RGB files,
# as ImageMagick's rgb: writes them), or exits 1 when no place agrees on at least 80 % of the
# part's pixels. A window partly covered by its dialog, a blinking caret or an inactive look
# leave some pixels different, hence no exact match.
import sys

import numpy as np


def load(path, width, height):
    data = np.fromfile(path, dtype=np.uint8)
    return data.reshape(int(height), int(width), 3)


screen = load(sys.argv[1], sys.argv[2], sys.argv[3])
part = load(sys.argv[4], sys.argv[5], sys.argv[6])
h, w = part.shape[:2]
H, W = screen.shape[:2]
if h > H or w > W:
    sys.exit(1)

# Candidates: places where the part's most varied row appears exactly in a short window of
# eight pixels, then every candidate is scored on the whole part.
row = max(range(h), key=lambda r: len(np.unique(part[r].reshape(-1, 3), axis=0)))
cols = max(range(w - 8), key=lambda c: len(np.unique(part[row, c:c + 8].reshape(-1, 3), axis=0)))
key = part[row, cols:cols + 8]
windows = np.lib.stride_tricks.sliding_window_view(screen, (1, 8, 3))[:, :, 0, 0]
hits = np.argwhere((windows == key).all(axis=(2, 3)))
best, where = 0.0, None
for y, x in hits:
    top, left = y - row, x - cols
    if top < 0 or left < 0 or top + h > H or left + w > W:
        continue
    share = (screen[top:top + h, left:left + w] == part).all(axis=2).mean()
    if share > best:
        best, where = share, (left, top)
if where is None or best < 0.8:
    sys.exit(1)
print(where[0], where[1])
