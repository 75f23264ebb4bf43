#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# stealth-detect.sh BUILD_DIR WORK_DIR: how well a trained SPAM detector tells covers from
# stealth output at 0.05, 0.1 and 0.2 bits per value, beside random LSB replacement and random
# +-1 changes at the same payloads, on the photo tiles of photo-tiles.sh (190 colour, 190 grey).
# Prints one ROC AUC per condition and set (0.5: no better than a coin). stealth-0.003 is the
# rate of a 1 KB message in a 1-megapixel colour photo.
set -euo pipefail
build=${1:?usage: stealth-detect.sh BUILD_DIR WORK_DIR}
work=${2:?usage: stealth-detect.sh BUILD_DIR WORK_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
measure=$build/bin/carvalet_measure_stealth
[ -x "$measure" ] || { echo "build carvalet_measure_stealth first (-DCARVALET_BENCH=ON)"; exit 2; }
[ -d "$work/tiles" ] || bash "$here/photo-tiles.sh" "$work/tiles"
mkdir -p "$work/pairs/cover"
seed=1
for tile in "$work"/tiles/colour-*.bmp "$work"/tiles/grey-*.png; do
  name=$(basename "${tile%.*}")
  cover=$work/pairs/cover/$name.pnm
  [ -f "$cover" ] || convert "$tile" -strip "$cover"
  for kind in stealth lsb pm1; do
    for bpc in 0.05 0.1 0.2 $([ $kind = stealth ] && echo 0.003); do
      mkdir -p "$work/pairs/$kind-$bpc"
      out=$work/pairs/$kind-$bpc/$name.pnm
      [ -f "$out" ] || "$measure" embed "$cover" "$out" "$kind" "$bpc" "$seed"
      seed=$((seed + 1))
    done
  done
done
# Debian's python3-numpy: the system interpreter, whatever else is first on PATH.
/usr/bin/python3 "$here/spam_detect.py" "$work/pairs"
