#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs inside an X server: missing_skin.sh <Carvalet executable> <scratch folder>.
# A copy of the program whose res folder lacks the skin file shows one message and ends once
# that message is dismissed, without a window left behind.
set -u
exe=$1
work=$2
unset QT_QPA_PLATFORM
bin=$(dirname "$exe")
source "$(dirname "$0")/xdo.sh"

rm -rf "$work"
mkdir -p "$work/res"
cp "$exe" "$bin/controls.reg" "$bin"/libcarvalet-*.so "$work/"
cp "$bin/res/Splash.spl" "$work/res/"

"$work/$(basename "$exe")" & pids+=($!)
message=$(window_titled Carvalet) || fail "no message"
count_titled_is 1 Carvalet || fail "more than the message is shown"
xdotool windowfocus --sync "$message" key Return || fail "could not press Enter"
process_ended "${pids[0]}"
status=$?
[ "$status" -ne 124 ] || fail "the program is still running after its message"
[ "$status" -eq 0 ] || fail "the program ended with $status"
pids=()
echo "one message, then the program ended"
