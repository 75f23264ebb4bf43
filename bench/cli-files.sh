#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# carvalet-cli on large carriers, beside its peer in the same run: hide of a 100 MB bitmap
# against cp of the same file followed by sync of the copy; peak resident memory of hide,
# unhide and info; info of the largest carrier the format allows (2 GiB - 1 byte, sparse).
# Medians of RUNS runs (default 5). Usage: bench/cli-files.sh CARVALET-CLI [FOLDER]
set -euo pipefail

CLI=$1
WORK=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/carvalet-bench-XXXXXX")
RUNS=${RUNS:-5}
trap 'rm -rf "$WORK"' EXIT

# A 32-bit little-endian number as four bytes.
le32() {
  # shellcheck disable=SC2059
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) \
    $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"
}

# A 24-bit bitmap of WIDTH x HEIGHT random pixels.
make_bitmap() {
  local width=$1 height=$2 out=$3
  local stride=$(((width * 3 + 3) / 4 * 4))
  local size=$((54 + stride * height))
  { printf 'BM'; le32 $size; le32 0; le32 54; le32 40; le32 "$width"; le32 "$height"
    printf '\x01\x00\x18\x00'; le32 0; le32 $((stride * height)); le32 2835; le32 2835
    le32 0; le32 0
    head -c $((stride * height)) /dev/urandom; } >"$out"
}

now() { date +%s%N; }
# Milliseconds of one run of "$@".
timed() { local start; start=$(now); "$@" >/dev/null; echo $((($(now) - start) / 1000000)); }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Peak resident memory of "$@", in kB.
peak() { /usr/bin/time -f %M -o "$WORK/peak" "$@" >/dev/null; cat "$WORK/peak"; }

make_bitmap 5000 6990 "$WORK/carrier.bmp"
head -c 1000 /dev/urandom | base64 -w 76 >"$WORK/message.txt"
echo 'bench-password' >"$WORK/password.txt"
CARRIER_BYTES=$(stat -c %s "$WORK/carrier.bmp")
HIDE=(hide "$WORK/carrier.bmp" "$WORK/out.bmp" --message-file "$WORK/message.txt"
  --password-file "$WORK/password.txt")

peer_once() { cp "$WORK/carrier.bmp" "$WORK/peer.bmp" && sync "$WORK/peer.bmp"; }
# Alternated, so that both meet the same state of the machine.
peer=() hide=()
for ((i = 0; i < RUNS; i++)); do
  rm -f "$WORK/peer.bmp" "$WORK/out.bmp"
  peer+=("$(timed peer_once)")
  hide+=("$(timed "$CLI" "${HIDE[@]}")")
done
peer_ms=$(printf '%s\n' "${peer[@]}" | median)
hide_ms=$(printf '%s\n' "${hide[@]}" | median)

# The largest carrier: sparse, so it costs no disk; a hidden message in its first bytes.
truncate -s 2147483647 "$WORK/largest.bmp"
dd if="$WORK/out.bmp" of="$WORK/largest.bmp" bs=1M count=1 conv=notrunc status=none
info=()
for ((i = 0; i < RUNS; i++)); do info+=("$(timed "$CLI" info "$WORK/largest.bmp")"); done
info_ms=$(printf '%s\n' "${info[@]}" | median)

rss_hide=$(peak "$CLI" "${HIDE[@]}")
rss_unhide=$(peak "$CLI" unhide "$WORK/out.bmp" --password-file "$WORK/password.txt")
rss_info=$(peak "$CLI" info "$WORK/out.bmp")
rss_hide_largest=$(peak "$CLI" hide "$WORK/largest.bmp" "$WORK/largest-out.bmp" \
  --message-file "$WORK/message.txt" --password-file "$WORK/password.txt")
rm -f "$WORK/largest-out.bmp"
rss_unhide_largest=$(peak "$CLI" unhide "$WORK/largest.bmp" --password-file "$WORK/password.txt")
rss_info_largest=$(peak "$CLI" info "$WORK/largest.bmp")

echo
echo "carvalet-cli, $CARRIER_BYTES-byte bitmap, 1 KB message; medians of $RUNS runs"
printf '%-48s %10s\n' "what" "result"
printf '%-48s %8s ms\n' "cp + sync of the file (the peer)" "$peer_ms"
printf '%-48s %8s ms\n' "hide (copy, records, flush, rename)" "$hide_ms"
printf '%-48s %10s\n' "hide / peer (target: at most 1.5)" \
  "$(awk -v a="$hide_ms" -v b="$peer_ms" 'BEGIN { printf "%.2f", a / b }')"
printf '%-48s %8s ms\n' "info, 2147483647-byte carrier (target: < 100)" "$info_ms"
printf '%-48s %8s kB\n' "peak resident, hide, 100 MB" "$rss_hide"
printf '%-48s %8s kB\n' "peak resident, unhide, 100 MB" "$rss_unhide"
printf '%-48s %8s kB\n' "peak resident, info, 100 MB" "$rss_info"
printf '%-48s %8s kB\n' "peak resident, hide, 2 GiB" "$rss_hide_largest"
printf '%-48s %8s kB\n' "peak resident, unhide, 2 GiB" "$rss_unhide_largest"
printf '%-48s %8s kB\n' "peak resident, info, 2 GiB" "$rss_info_largest"
