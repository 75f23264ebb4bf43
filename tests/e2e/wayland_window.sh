#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window on a headless Wayland compositor (weston): the password dialog is transient for
# the main window (xdg_toplevel.set_parent), and a screenshot shows it lying over the main
# window. Where a window goes is the compositor's choice (xdg-shell lets no client place a
# toplevel), so both are found in the screenshot by their own pictures of themselves.
# wayland_window.sh <wayland_probe> <carvalet-cli> <sample bitmap> <output folder>. The
# screenshot is left in the output folder.
set -u
probe=$1
cli=$2
sample=$3
rm -rf "$4"
mkdir -p "$4"
out=$(cd "$4" && pwd)
export XDG_RUNTIME_DIR="$out/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export XDG_CONFIG_HOME="$out/config"
socket=carvalet-e2e
pids=()

fail() {
    echo "FAIL: $*" >&2
    kill "${pids[@]}" 2>/dev/null
    exit 1
}

# Waits (up to 30 s) until the command "$@" succeeds.
wait_until() {
    for _ in $(seq 1 150); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}

# A picture holding a message, so that Reveal asks for its password.
printf 'lanterns-8\n' | "$cli" hide "$sample" "$out/hidden.bmp" --message 'Meet me at dawn.' \
    --password-stdin || fail "carvalet-cli hide"

# --debug lets weston-screenshooter take pictures of the output; no fading in, so that the
# picture shows the windows as they are.
printf '[shell]\nanimation=none\nstartup-animation=none\nclose-animation=none\n' >"$out/weston.ini"
weston --backend=headless-backend.so --use-pixman --debug --socket="$socket" --width=1024 \
    --height=768 --idle-time=0 --config="$out/weston.ini" >"$out/weston.log" 2>&1 &
pids+=($!)
wait_until test -S "$XDG_RUNTIME_DIR/$socket" || fail "weston did not start (see $out/weston.log)"
export WAYLAND_DISPLAY=$socket

# WAYLAND_DEBUG: the client's side of the protocol goes to probe.log, where the dialog's
# xdg_toplevel names its owner's (set_parent).
WAYLAND_DEBUG=client QT_QPA_PLATFORM=wayland "$probe" "$out/hidden.bmp" "$out/state" "$out/done" \
    >"$out/probe.log" 2>&1 &
probe_pid=$!
pids+=($probe_pid)
wait_until test -s "$out/state" || fail "no password dialog (see $out/probe.log)"

# The main window's toplevel is made first, the dialog's second; the dialog names the first as
# its parent, and has drawn itself (two commits of its surface) before the screenshot.
toplevels=$(grep -o 'xdg_surface@[0-9]*\.get_toplevel(new id xdg_toplevel@[0-9]*' "$out/probe.log" |
    sed 's/.*@//' | head -2)
main_toplevel=$(echo "$toplevels" | sed -n 1p)
dialog_toplevel=$(echo "$toplevels" | sed -n 2p)
[ -n "$dialog_toplevel" ] || fail "the dialog made no window of its own (see $out/probe.log)"
grep -q "xdg_toplevel@$dialog_toplevel\.set_parent(xdg_toplevel@$main_toplevel)" "$out/probe.log" ||
    fail "the password dialog is not transient for the main window (see $out/probe.log)"
painted() {
    [ "$(sed -n "/xdg_toplevel@$dialog_toplevel\.set_parent/,\$p" "$out/probe.log" |
        grep -c 'wl_surface@[0-9]*\.commit()')" -ge 2 ]
}
wait_until painted || fail "the password dialog never drew itself"
(cd "$out" && weston-screenshooter) >/dev/null 2>&1 || fail "weston-screenshooter failed"
mv "$out"/wayland-screenshot*.png "$out/wayland-dialog.png" || fail "no screenshot"

# Each window's place on the screen, from its own picture; the dialog's centre must lie inside
# the main window.
read -r mw mh dw dh <"$out/state"
locate() {
    convert "$out/$1" -alpha off -depth 8 "rgb:$out/$1.rgb" &&
        /usr/bin/python3 "$(dirname "$0")/locate.py" "$out/screen.rgb" 1024 768 "$out/$1.rgb" "$2" "$3"
}
convert "$out/wayland-dialog.png" -alpha off -depth 8 "rgb:$out/screen.rgb" ||
    fail "could not read the screenshot"
read -r mx my < <(locate main.png "$mw" "$mh") || fail "the main window is not on the screen"
read -r dx dy < <(locate dialog.png "$dw" "$dh") || fail "the password dialog is not on the screen"
cx=$((dx + dw / 2))
cy=$((dy + dh / 2))
echo "main window at $mx,$my (${mw}x$mh), password dialog at $dx,$dy (${dw}x$dh)"
[ "$cx" -ge "$mx" ] && [ "$cx" -lt $((mx + mw)) ] && [ "$cy" -ge "$my" ] && [ "$cy" -lt $((my + mh)) ] ||
    fail "the password dialog does not lie over the main window ($out/wayland-dialog.png)"
touch "$out/done"
wait "$probe_pid" || fail "the window did not end cleanly (see $out/probe.log)"
kill "${pids[0]}" 2>/dev/null
echo "PASS: the password dialog is transient for the main window and lies over it ($out/wayland-dialog.png)"
