#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# analyze-speed.sh BUILD [WORKDIR]: carvalet-cli analyze --jobs 2 over a folder of more than
# 1 GB of pictures (large and small, BMP and PNG), beside cat reading the same files to
# /dev/null in the same run, both with a warm cache (medians of 3 runs; all files, the BMPs and
# the PNGs apart, and the PNGs' decoding alone as a peer); and the analysis' peak memory. BUILD
# is a build folder configured with -DCARVALET_BENCH=ON (the peer is one of the benchmarks).
set -euo pipefail
build=$(realpath "${1:?usage: analyze-speed.sh BUILD [WORKDIR]}")
work=${2:-/tmp/carvalet-speed}
here=$(dirname "$(realpath "$0")")
cli=$build/bin/carvalet-cli
cmake --build "$build" --target carvalet-cli >/dev/null
folder=$work/pictures
mkdir -p "$folder/large" "$folder/small"
[ -f "$work/tiles/colour-000.bmp" ] || "$here/photo-tiles.sh" "$work/tiles"
{
  # Large: the photographs at twice their size, as 24-bit BMPs and RGB PNGs; and at their
  # own size as BMPs.
  for photo in /usr/share/backgrounds/mate/nature/*.jpg; do
    name=$(basename "$photo" .jpg)
    out=$folder/large/$name
    [ -f "$out-2x.bmp" ] || convert "$photo" -resize 200% -type TrueColor "BMP3:$out-2x.bmp"
    [ -f "$out-2x.png" ] || convert "$photo" -resize 200% -type TrueColor "PNG24:$out-2x.png"
    [ -f "$out.bmp" ] || convert "$photo" -type TrueColor "BMP3:$out.bmp"
  done
  # Small: the tiles, ten times over.
  for copy in 1 2 3 4 5 6 7 8 9 10; do
    [ -d "$folder/small/$copy" ] && continue
    mkdir -p "$folder/small/$copy"
    cp "$work"/tiles/*.* "$folder/small/$copy/"
  done
}
cmake --build "$build" --target carvalet_png_decode >/dev/null
bytes=$(du -sb "$folder" | cut -f1)
count=$(find "$folder" -type f -name '*.*' | wc -l)
echo "folder: $count pictures, $((bytes / 1000000)) MB"
find "$folder" -type f -name '*.bmp' -print0 >"$work/bmp.list"
find "$folder" -type f -name '*.png' -print0 >"$work/png.list"
bmp_bytes=$(xargs -0 du -cb <"$work/bmp.list" | tail -1 | cut -f1)
png_bytes=$(xargs -0 du -cb <"$work/png.list" | tail -1 | cut -f1)
find "$folder" -type f -exec cat {} + >/dev/null # warm the cache

# Wall seconds of a command, its output dropped.
seconds() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null
  echo "$EPOCHREALTIME - $start" | bc
}
median() { printf '%s\n' "$@" | sort -g | sed -n 2p; }
# Three runs of each, interleaved so that a busy moment of the machine hits all of them alike.
declare -a cat_all analyze_all cat_bmp analyze_bmp cat_png analyze_png decode_png
for run in 1 2 3; do
  cat_all+=("$(seconds sh -c "find '$folder' -type f -exec cat {} +")")
  analyze_all+=("$(seconds "$cli" analyze --json --jobs 2 "$folder")")
  cat_bmp+=("$(seconds sh -c "xargs -0 cat <'$work/bmp.list'")")
  analyze_bmp+=("$(seconds sh -c "xargs -0 '$cli' analyze --json --jobs 2 <'$work/bmp.list'")")
  cat_png+=("$(seconds sh -c "xargs -0 cat <'$work/png.list'")")
  analyze_png+=("$(seconds sh -c "xargs -0 '$cli' analyze --json --jobs 2 <'$work/png.list'")")
  # The peer: the same PNGs decoded by the same decoder, nothing else, two at a time as well.
  decode_png+=("$(seconds sh -c "xargs -0 -n 100 -P 2 '$build/bin/carvalet_png_decode' <'$work/png.list'")")
done
report() { # NAME BYTES CAT_SECONDS ANALYZE_SECONDS
  echo "$1: $(($2 / 1000000)) MB; cat ${3}s ($(echo "$2 / $3 / 1000000" | bc) MB/s);" \
    "analyze --jobs 2 ${4}s ($(echo "$2 / $4 / 1000000" | bc) MB/s), $(echo "scale=3; $3 / $4" | bc) of cat"
}
echo "medians of 3 runs:"
report "all" "$bytes" "$(median "${cat_all[@]}")" "$(median "${analyze_all[@]}")"
report "BMP" "$bmp_bytes" "$(median "${cat_bmp[@]}")" "$(median "${analyze_bmp[@]}")"
report "PNG" "$png_bytes" "$(median "${cat_png[@]}")" "$(median "${analyze_png[@]}")"
echo "PNG decoding alone (carvalet_png_decode, 2 at a time): $(median "${decode_png[@]}")s"
/usr/bin/time -f '%M %U %S' -o "$work/peak" "$cli" analyze --json --jobs 2 "$folder" >"$work/reports.json"
read -r peak user system <"$work/peak"
echo "analyze peak memory: $((peak / 1024)) MB; CPU ${user}s user + ${system}s system"
echo "load average while measuring: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores)"
largest=$(find "$folder" -type f -name '*.*' -printf '%s %p\n' | sort -n | tail -1 | cut -d' ' -f2)
/usr/bin/time -f '%M' -o "$work/peak-one" "$cli" analyze "$largest" >/dev/null
echo "one job on the largest picture ($(($(stat -c %s "$largest") / 1000000)) MB): peak $(($(cat "$work/peak-one") / 1024)) MB"
grep -c '"error"' "$work/reports.json" | sed 's/^/files that could not be read: /' || true
