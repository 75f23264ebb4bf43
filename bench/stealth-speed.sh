#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# stealth-speed.sh BUILD_DIR: stealth hiding and reading on real photographs, beside Debian's
# steghide embedding the same 1 KB message in the same 4000x3000 bitmap in the same run.
#  - a 4000x3000 colour photo and a 1 KB message (time, peak memory; steghide's time),
#  - the safe limit (0.2 bits per value) in a 1-megapixel colour photo,
#  - the code's constraint height: changes, summed cost and time at 0.2 bits per value.
# Times of hide and reveal leave out the key derivation, whose own time is printed beside them.
set -euo pipefail
build=${1:?usage: stealth-speed.sh BUILD_DIR}
measure=$build/bin/carvalet_measure_stealth
[ -x "$measure" ] || { echo "build carvalet_measure_stealth first (-DCARVALET_BENCH=ON)"; exit 2; }
src=/usr/share/backgrounds/mate/nature/RainDrops.jpg
if [ ! -f "$src" ]; then
  if [ "$(id -u)" -eq 0 ]; then apt-get install -y -qq mate-backgrounds >/dev/null
  else sudo apt-get install -y -qq mate-backgrounds >/dev/null; fi
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert "$src" -resize '4000x3000!' -type TrueColor "$work/big.ppm"
convert "$work/big.ppm" BMP3:"$work/big.bmp"
convert "$src" -resize '1155x866!' -type TrueColor "$work/mp.ppm"
convert "$work/mp.ppm" -colorspace Gray "$work/mp.pgm"
head -c 1024 /dev/urandom >"$work/message"

echo "== 4000x3000, 1 KB =="
for run in 1 2 3; do
  /usr/bin/time -f "carvalet (whole process, with Argon2id once more): %e s wall, %U s user, %M KiB" \
    "$measure" speed "$work/big.ppm" 1024
  /usr/bin/time -f "steghide embed: %e s wall, %U s user + %S s system, %M KiB" \
    steghide embed -cf "$work/big.bmp" -ef "$work/message" -sf "$work/steghide.bmp" \
    -p "a bench password" -f -q
done
echo "== 1 megapixel, the safe limit =="
"$measure" speed "$work/mp.ppm" safe
"$measure" speed "$work/mp.pgm" safe
echo "== constraint height, 1 megapixel grey at 0.2 bits per value =="
"$measure" heights "$work/mp.pgm" 0.2
