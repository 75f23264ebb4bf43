#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs inside an X server: installed_window.sh <prefix> <source folder> <output folder>
# [<build folder>]. The installed copy, moved after installing, opens a picture named on its
# command line: preview shown, Reveal ready, the password opens the message, F1 starts the
# bundled help viewer from the same folder; nothing is loaded from the build folder.
set -u
prefix=$(cd "$1" && pwd)
source_dir=$2
out=$3
build=${4:-}
mkdir -p "$out"
unset QT_QPA_PLATFORM
source "$(dirname "$0")/../e2e/xdo.sh"
work=$(mktemp -d)
trap 'xdo_cleanup; rm -rf "$work"' EXIT
# A desktop of its own with no handler for help files, so the bundled viewer opens them.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_DATA_DIRS=$work/share XDG_CONFIG_DIRS=$work/etc
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_DATA_DIRS" "$XDG_CONFIG_DIRS"

# The visible window of process $1 titled exactly $2 (searched afresh each time: the native
# window may be made anew while the skin dresses it).
window_of() {
    xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | head -1
}
painted_once() {
    local id
    id=$(window_of "$1" "$2")
    [ -n "$id" ] && settled_once "$id" && echo "$id" >"$work/id"
}
# painted_window PID TITLE PNG: waits for that window to show more than a blank, saves it and
# prints its id.
painted_window() {
    wait_until "a painted window of process $1 titled \"$2\"" painted_once "$1" "$2" || return 1
    convert "xwd:$XDO_GRABS/a" "$3" || return 1
    cat "$work/id"
}
# The help viewer started from the installed copy, once it runs.
installed_viewer() {
    local pid
    for pid in $(pgrep -x carvalet-help); do
        [ "$(readlink "/proc/$pid/exe")" = "$prefix/lib/carvalet/carvalet-help" ] && echo "$pid"
    done
}
has_viewer() { [ -n "$(installed_viewer)" ]; }
has_any_window() { xdotool search --onlyvisible --pid "$1" >/dev/null 2>&1; }

message="Meet me by the old mill at dawn."
printf 'lanterns-8\n' | "$prefix/bin/carvalet-cli" hide "$source_dir/res/samples/sample.bmp" \
    "$work/hidden.bmp" --message "$message" --password-stdin || fail "carvalet-cli hide failed"

# A screenshot shows what is on the screen: the plain window is taken before the second
# window covers it. The file comes after one of Qt's own options, which Qt takes.
"$prefix/bin/carvalet" & pids+=($!)
plain=$(painted_window "${pids[0]}" Carvalet "$work/plain.png") || fail "no window without a file"
"$prefix/bin/carvalet" -style fusion "$work/hidden.bmp" & pids+=($!)
opened=$(painted_window "${pids[1]}" Carvalet "$work/opened.png") ||
    fail "no window with a file"
# The file is opened by a message posted once the window shows.
changed_shot "$opened" "$work/plain.png" "$out/installed-window.png" 10000 "the file's preview" ||
    fail "no preview of the file"
changed=$(pixels_changed "$work/plain.png" "$out/installed-window.png")
echo "the file named on the command line is previewed ($changed pixels changed):" \
    "$out/installed-window.png"

# Everything of ours comes from the moved copy.
maps=/proc/${pids[1]}/maps
for library in libcarvalet_platform.so libcarvalet-skin.so libcarvalet-splash.so; do
    grep -q " $prefix/lib/carvalet/$library\$" "$maps" || fail "$library not loaded from $prefix"
done
if [ -n "$build" ] && grep -q " $build/bin/" "$maps"; then
    fail "the installed copy loaded files from the build folder: $(grep " $build/bin/" "$maps")"
fi

# Reveal is ready: it asks for the password, which opens the message without complaint.
click_at "$opened" 58 188 || fail "could not click Reveal"
password=$(window_titled Password) || fail "Reveal did not ask for the password"
xdotool windowfocus --sync "$password" type --delay 10 lanterns-8 && xdotool key Return ||
    fail "could not type the password"
window_gone Password || fail "the password dialog stayed open"
click_at "$opened" 548 140 || fail "could not click the text page button"
changed_shot "$opened" "$out/installed-window.png" "$out/installed-window-text.png" 1000 \
    "the text page" || fail "the text page did not show"
count_titled_is 2 Carvalet || fail "a message box answered the right password"
echo "Reveal asked for the password and took it: $out/installed-window-text.png"

# F1 starts the help viewer that was installed beside the program.
xdotool windowfocus --sync "$opened" key F1 || fail "could not press F1"
wait_until "$prefix/lib/carvalet/carvalet-help to start" has_viewer ||
    fail "F1 did not start $prefix/lib/carvalet/carvalet-help"
viewer=$(installed_viewer | head -1)
pids+=("$viewer")
wait_until "a window of the help viewer" has_any_window "$viewer" ||
    fail "the help viewer opened no window"
help_window=$(xdotool search --onlyvisible --pid "$viewer" 2>/dev/null | head -1)
shot "$help_window" "$out/installed-help.png" || fail "the help viewer shows nothing"
echo "the installed help viewer shows the help: $out/installed-help.png"
kill "$viewer"

for window in "$plain" "$opened"; do
    xdotool windowfocus --sync "$window" key Escape || fail "could not press Esc"
done
for pid in "${pids[0]}" "${pids[1]}"; do
    process_ended "$pid"
    status=$?
    [ "$status" -eq 0 ] || fail "process $pid ended with $status"
done
pids=()
echo "both windows closed with Esc"
