#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# photo-tiles.sh OUTDIR: cuts natural-photograph test tiles for the detector measurements.
# Debian's mate-backgrounds photographs are halved (which blurs away their JPEG block grid),
# cut into 256x256 tiles, and written as 24-bit colour BMPs (colour-NNN.bmp) and 8-bit grey
# PNGs (grey-NNN.png) of the same tiles. The set is the same on every machine.
set -euo pipefail
out=${1:?usage: photo-tiles.sh OUTDIR}
src=/usr/share/backgrounds/mate
if [ ! -d "$src/nature" ]; then
  if [ "$(id -u)" -eq 0 ]; then apt-get install -y -qq mate-backgrounds >/dev/null
  else sudo apt-get install -y -qq mate-backgrounds >/dev/null; fi
fi
mkdir -p "$out"
n=0
for photo in "$src"/nature/*.jpg "$src"/abstract/Elephants_5640x3172.jpg; do
  half=$(mktemp --suffix=.png)
  convert "$photo" -resize 50% -colorspace sRGB -type TrueColor "$half"
  read -r w h < <(identify -format '%w %h\n' "$half")
  for ((y = 0; y + 256 <= h; y += 256)); do
    for ((x = 0; x + 256 <= w; x += 256)); do
      name=$(printf '%03d' "$n")
      convert "$half" -crop "256x256+$x+$y" +repage -type TrueColor "BMP3:$out/colour-$name.bmp"
      convert "$half" -crop "256x256+$x+$y" +repage -colorspace Gray -depth 8 \
        -define png:color-type=0 "PNG:$out/grey-$name.png"
      n=$((n + 1))
    done
  done
  rm -f "$half"
done
echo "$n colour tiles and $n grey tiles in $out"
