#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes small pictures of the layouts the inspection and the conversion meet into fuzz/seeds/,
# made by ImageMagick.
set -euo pipefail
seeds="$(cd "$(dirname "$0")" && pwd)/seeds"
src=$(mktemp --suffix=.png)
trap 'rm -f "$src"' EXIT
convert -seed 1 -size 7x5 plasma:fractal -depth 8 "$src"
convert "$src" PNG24:"$seeds/picture-rgb.png"
convert "$src" -alpha set -channel A -fx 'i/w' PNG32:"$seeds/picture-rgba.png"
convert "$src" -colors 6 -transparent-color none -alpha set -channel A -fx 'i>3' PNG8:"$seeds/picture-palette-alpha.png"
convert "$src" -colorspace Gray -depth 16 PNG:"$seeds/picture-grey16.png"
convert "$src" -interlace PNG PNG24:"$seeds/picture-interlaced.png"
convert "$src" BMP:"$seeds/picture-v5.bmp"
convert "$src" -alpha set BMP:"$seeds/picture-v5-alpha.bmp"
convert "$src" -colors 16 -compress none BMP3:"$seeds/picture-4bit.bmp"
convert "$src" -monochrome -compress none BMP3:"$seeds/picture-1bit.bmp"
