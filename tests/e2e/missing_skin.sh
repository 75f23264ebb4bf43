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

fail() {
    echo "FAIL: $*" >&2
    kill "$pid" 2>/dev/null
    exit 1
}

rm -rf "$work"
mkdir -p "$work/res"
cp "$exe" "$bin/controls.reg" "$bin"/libcarvalet-*.so "$work/"
cp "$bin/res/Splash.spl" "$work/res/"

"$work/$(basename "$exe")" & pid=$!
ids=
for _ in $(seq 1 150); do
    ids=$(xdotool search --onlyvisible --name '^Carvalet$' 2>/dev/null)
    [ -n "$ids" ] && break
    sleep 0.2
done
[ -n "$ids" ] || fail "no message"
[ "$(echo "$ids" | grep -c .)" -eq 1 ] || fail "more than the message is shown"
xdotool windowfocus --sync "$(echo "$ids" | head -n 1)" key Return || fail "could not press Enter"

for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        status=$?
        [ "$status" -eq 0 ] || fail "the program ended with $status"
        echo "one message, then the program ended"
        exit 0
    fi
    sleep 0.1
done
fail "the program is still running after its message"
