#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# analyze-speed.sh BUILD [WORKDIR]: carvalet-cli analyze --jobs 2 over a folder of more than
# 1 GB of pictures (large and small, BMP and PNG), beside cat reading the same files to
# /dev/null in the same run, both with a warm cache; and the analysis' peak memory.
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
bytes=$(du -sb "$folder" | cut -f1)
count=$(find "$folder" -type f -name '*.*' | wc -l)
echo "folder: $count pictures, $((bytes / 1000000)) MB"
find "$folder" -type f -exec cat {} + >/dev/null # warm the cache

seconds() { local start=$EPOCHREALTIME; "$@"; echo "$EPOCHREALTIME - $start" | bc; }
cat_s=$(seconds /usr/bin/time -f '%U %S' -o "$work/cat-cpu" \
  sh -c "find '$folder' -type f -exec cat {} + >/dev/null")
analyze_s=$(seconds sh -c "/usr/bin/time -f '%M %U %S' -o '$work/peak' \
  '$cli' analyze --json --jobs 2 '$folder' >'$work/reports.json'")
cat_mb=$(echo "$bytes / $cat_s / 1000000" | bc)
analyze_mb=$(echo "$bytes / $analyze_s / 1000000" | bc)
echo "cat to /dev/null: ${cat_s}s, $cat_mb MB/s"
echo "analyze --jobs 2: ${analyze_s}s, $analyze_mb MB/s ($(echo "scale=3; $cat_s / $analyze_s" | bc) of cat)"
read -r peak user system <"$work/peak"
echo "analyze peak memory: $((peak / 1024)) MB; CPU ${user}s user + ${system}s system"
echo "cat CPU: $(cat "$work/cat-cpu" | sed 's/ /s user + /')s system"
echo "load average while measuring: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores)"
largest=$(find "$folder" -type f -name '*.*' -printf '%s %p\n' | sort -n | tail -1 | cut -d' ' -f2)
/usr/bin/time -f '%M' -o "$work/peak-one" "$cli" analyze "$largest" >/dev/null
echo "one job on the largest picture ($(($(stat -c %s "$largest") / 1000000)) MB): peak $(($(cat "$work/peak-one") / 1024)) MB"
grep -c '"error"' "$work/reports.json" | sed 's/^/files that could not be read: /' || true
