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
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# A desktop of its own with no handler for help files, so the bundled viewer opens them.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_DATA_DIRS=$work/share XDG_CONFIG_DIRS=$work/etc
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_DATA_DIRS" "$XDG_CONFIG_DIRS"

# The visible window of process $1 titled exactly $2, once it shows more than a blank; its
# screenshot goes to $3. Searched afresh each time: the native window may be made anew while
# the skin dresses it.
painted_window() {
    local id
    for _ in $(seq 1 100); do
        id=$(xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | head -1)
        if [ -n "$id" ] && xwd -id "$id" -silent 2>/dev/null | convert xwd:- "$3" 2>/dev/null &&
            [ "$(convert "$3" -format %k info:)" -gt 2 ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    return 1
}
titled() {
    local id
    for _ in $(seq 1 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        [ -n "$id" ] && echo "$id" && return 0
        sleep 0.2
    done
    return 1
}
gone() {
    for _ in $(seq 1 50); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.2
    done
    return 1
}
# Clicks window $1 at ($2, $3) of the 644 x 447 layout, scaled to its real size.
click_at() {
    local geometry w h
    geometry=$(xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: //p')
    w=${geometry%x*}
    h=${geometry#*x}
    xdotool mousemove --window "$1" $(($2 * w / 644)) $(($3 * h / 447)) click 1
}
shot() {
    xwd -id "$1" -silent | convert xwd:- "$2" || fail "no screenshot $2"
}


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
sleep 1 # the posted open has run
shot "$opened" "$out/installed-window.png"
changed=$(compare -metric AE "$work/plain.png" "$out/installed-window.png" null: 2>&1)
[ "${changed%.*}" -gt 10000 ] 2>/dev/null || fail "no preview of the file ($changed pixels changed)"
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
password=$(titled Password) || fail "Reveal did not ask for the password"
sleep 0.3
xdotool windowfocus --sync "$password" type --delay 10 lanterns-8 && xdotool key Return ||
    fail "could not type the password"
gone Password || fail "the password dialog stayed open"
sleep 0.3
[ "$(xdotool search --onlyvisible --name '^Carvalet$' | wc -l)" -eq 2 ] ||
    fail "a message box answered the right password"
click_at "$opened" 548 140 || fail "could not click the text page button"
sleep 0.5
shot "$opened" "$out/installed-window-text.png"
echo "Reveal asked for the password and took it: $out/installed-window-text.png"

# F1 starts the help viewer that was installed beside the program.
xdotool windowfocus --sync "$opened" key F1 || fail "could not press F1"
viewer=""
for _ in $(seq 1 100); do
    for pid in $(pgrep -x carvalet-help); do
        [ "$(readlink "/proc/$pid/exe")" = "$prefix/lib/carvalet/carvalet-help" ] && viewer=$pid
    done
    [ -n "$viewer" ] && break
    sleep 0.1
done
[ -n "$viewer" ] || fail "F1 did not start $prefix/lib/carvalet/carvalet-help"
pids+=("$viewer")
help_window=""
for _ in $(seq 1 100); do
    help_window=$(xdotool search --onlyvisible --pid "$viewer" 2>/dev/null | head -1)
    [ -n "$help_window" ] && break
    sleep 0.2
done
[ -n "$help_window" ] || fail "the help viewer opened no window"
sleep 1
shot "$help_window" "$out/installed-help.png"
colours=$(convert "$out/installed-help.png" -format %k info:)
[ "$colours" -gt 2 ] || fail "the help viewer shows nothing"
echo "the installed help viewer shows the help: $out/installed-help.png"
kill "$viewer"

for window in "$plain" "$opened"; do
    xdotool windowfocus --sync "$window" key Escape || fail "could not press Esc"
done
for pid in "${pids[0]}" "${pids[1]}"; do
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    wait "$pid"
    status=$?
    [ "$status" -eq 0 ] || fail "process $pid ended with $status"
done
pids=()
echo "both windows closed with Esc"
