#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# analyze-accuracy.sh BUILD [WORKDIR]: the detector's accuracy on natural photographs, as the
# README reports it. BUILD is a build folder configured with -DCARVALET_BENCH=ON; WORKDIR keeps
# the tiles between runs. Besides the tiles, 50 of them are saved once as JPEG (qualities 75
# and 90, the grid kept in place or shifted by a crop) for the block-grid measure. Then the same
# measures on the tiles of the photographs alone, without the painting's.
set -euo pipefail
build=$(realpath "${1:?usage: analyze-accuracy.sh BUILD [WORKDIR]}")
work=${2:-/tmp/carvalet-accuracy}
here=$(dirname "$(realpath "$0")")
cmake --build "$build" --target carvalet_analysis_accuracy >/dev/null
[ -f "$work/tiles/colour-000.bmp" ] || "$here/photo-tiles.sh" "$work/tiles"
mkdir -p "$work/jpeged"
for f in "$work"/tiles/colour-0[0-4]?.bmp; do
  n=$(basename "$f" .bmp)
  for q in 75 90; do
    out=$work/jpeged/$n-q$q.bmp
    [ -f "$out" ] || convert "$f" -quality "$q" jpg:- | convert jpg:- BMP3:"$out"
    out=$work/jpeged/$n-q$q-shifted.bmp
    [ -f "$out" ] || convert "$f" -quality "$q" jpg:- |
      convert jpg:- -crop 250x250+3+5 +repage BMP3:"$out"
  done
done
"$build/bin/carvalet_analysis_accuracy" "$work/tiles" "$work/jpeged"
# The same on the photographs' tiles alone (000 to 123; the rest are one painting's).
mkdir -p "$work/photo-tiles"
for f in "$work"/tiles/*-0[0-9][0-9].* "$work"/tiles/*-1[01][0-9].* "$work"/tiles/*-12[0-3].*; do
  ln -sf "$f" "$work/photo-tiles/"
done
echo
echo "== the photographs' tiles alone =="
"$build/bin/carvalet_analysis_accuracy" "$work/photo-tiles"
