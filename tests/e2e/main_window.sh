#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs inside an X server: main_window.sh <Carvalet executable> <output folder> <carvalet-cli>.
set -u
exe=$1
out=$2
cli=$3
mkdir -p "$out"
unset QT_QPA_PLATFORM
# What the program remembers (the seal choice, the last folder) starts empty and stays out of
# the user's own.
export XDG_CONFIG_HOME="$out/config"
rm -rf "$XDG_CONFIG_HOME"

fail() {
    echo "FAIL: $*" >&2
    kill "${pids[@]}" 2>/dev/null
    exit 1
}

# Waits for the nth window titled exactly "Carvalet" and prints its id.
wait_for_window() {
    local n=$1 ids
    for _ in $(seq 1 150); do
        ids=$(xdotool search --onlyvisible --name '^Carvalet$' 2>/dev/null)
        if [ "$(echo "$ids" | grep -c .)" -ge "$n" ]; then
            echo "$ids" | sed -n "${n}p"
            return 0
        fi
        sleep 0.2
    done
    return 1
}

# Waits for a visible window titled exactly $1 and prints its id.
wait_for_titled() {
    local id
    for _ in $(seq 1 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        [ -n "$id" ] && echo "$id" && return 0
        sleep 0.2
    done
    return 1
}

# Waits until exactly $1 visible windows are titled "Carvalet" (main windows and their
# message boxes, which take the program's name as their caption).
wait_for_count() {
    for _ in $(seq 1 50); do
        [ "$(xdotool search --onlyvisible --name '^Carvalet$' 2>/dev/null | grep -c .)" -eq "$1" ] &&
            return 0
        sleep 0.2
    done
    return 1
}

# Whether the screenshot $1 holds, in the box $2 (WxH+X+Y of the 644 x 447 layout), a pixel
# of the strong red the skin gives a message that is too long.
has_alert_red() {
    convert "$1" -resize "644x447!" -crop "$2" -depth 8 txt:- |
        sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
        awk '$1 > 150 && $2 < 90 && $3 < 90 { found = 1 } END { exit !found }'
}

# Waits until no visible window is titled exactly $1.
wait_gone() {
    for _ in $(seq 1 50); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.2
    done
    return 1
}

# Clicks window $1 at the point ($2, $3) of the 644 x 447 layout, scaled to its real size.
click_at() {
    local geometry w h
    geometry=$(xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: //p')
    w=${geometry%x*}
    h=${geometry#*x}
    xdotool mousemove --window "$1" $(($2 * w / 644)) $(($3 * h / 447)) click 1
}

# Waits for a process to end and checks it ended normally.
wait_for_exit() {
    local pid=$1
    for _ in $(seq 1 100); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            return $?
        fi
        sleep 0.1
    done
    return 124
}

pids=()
"$exe" & pids+=($!)
first=$(wait_for_window 1) || fail "no window titled Carvalet"

sleep 0.5 # let the first window finish painting before the picture is taken
xwd -id "$first" -silent | convert xwd:- "$out/main-window.png" || fail "no screenshot"
colours=$(convert "$out/main-window.png" -format %k info:)
[ "$colours" -gt 1 ] || fail "the screenshot is blank"
echo "screenshot: $out/main-window.png ($colours colours)"

# Open a bitmap through the real file dialog: Tab from the image-page button reaches the
# open-image button, the file dialog opens with the caret in its name field.
sample="$(cd "$(dirname "$0")/../.." && pwd)/res/samples/sample.bmp"
cp "$sample" "$out/e2e-sample.bmp" || fail "no sample bitmap at $sample"
xdotool windowfocus --sync "$first" key Tab Tab Tab Tab Return || fail "could not press open"
dialog=$(wait_for_titled Open) || fail "no file dialog titled Open"
sleep 0.5
xdotool windowfocus --sync "$dialog" type --delay 20 "$out/e2e-sample.bmp" || fail "could not type"
xdotool key Return || fail "could not press Return"
wait_gone Open || fail "the file dialog stayed open"
sleep 0.5
xwd -id "$first" -silent | convert xwd:- "$out/main-window-preview.png" || fail "no screenshot"
compare -metric AE "$out/main-window.png" "$out/main-window-preview.png" null: 2>"$out/diff.txt"
changed=$(cut -d' ' -f1 <"$out/diff.txt")
[ "${changed%.*}" -gt 10000 ] 2>/dev/null || fail "the preview did not appear ($changed pixels changed)"
echo "screenshot with the preview: $out/main-window-preview.png ($changed pixels changed)"

# Hide a message through the window: text page, type, Hide, password twice, save as a new
# file; then the command-line tool reads it back with the same password.
message="Meet at the old mill at noon."
rm -f "$out/e2e-hidden.bmp"
click_at "$first" 548 140 || fail "could not click the text page button"
sleep 0.3
click_at "$first" 380 300 || fail "could not click the message edit"
xdotool type --delay 10 "$message" || fail "could not type the message"
click_at "$first" 58 188 || fail "could not click hide"
password=$(wait_for_titled Password) || fail "no password dialog"
sleep 0.3
xwd -id "$password" -silent | convert xwd:- "$out/password-set.png" || fail "no screenshot"
echo "screenshot of the password dialog: $out/password-set.png"
xdotool windowfocus --sync "$password" type --delay 10 "mill-key" || fail "could not type"
xdotool key Tab && xdotool type --delay 10 "mill-key" && xdotool key Return ||
    fail "could not confirm the password"
save=$(wait_for_titled "Save As") || fail "no save dialog"
sleep 0.5
xdotool windowfocus --sync "$save" type --delay 20 "$out/e2e-hidden.bmp" || fail "could not type"
xdotool key Return || fail "could not press Return"
wait_gone "Save As" || fail "the save dialog stayed open"
sleep 0.3
read_back=$(echo "mill-key" | "$cli" unhide "$out/e2e-hidden.bmp" --password-stdin) ||
    fail "carvalet-cli could not read the saved file"
[ "$read_back" = "$message" ] || fail "read back \"$read_back\" instead of \"$message\""
echo "hidden through the window, read back by carvalet-cli: $read_back"
xwd -id "$first" -silent | convert xwd:- "$out/main-window-text.png" || fail "no screenshot"

# The same message sealed: Tab from the confirmation reaches the seal check box, Space ticks
# it; the command-line tool opens it with the whole passphrase only.
passphrase="the old mill by the river at noon"
rm -f "$out/e2e-sealed.bmp"
click_at "$first" 58 188 || fail "could not click hide"
password=$(wait_for_titled Password) || fail "no password dialog"
sleep 0.3
xdotool windowfocus --sync "$password" type --delay 10 "$passphrase" || fail "could not type"
xdotool key Tab && xdotool type --delay 10 "$passphrase" && xdotool key Tab space ||
    fail "could not tick the seal check box"
sleep 0.3
xwd -id "$password" -silent | convert xwd:- "$out/password-seal.png" || fail "no screenshot"
echo "screenshot of the password dialog, sealing: $out/password-seal.png"
xdotool key Return || fail "could not press Return"
save=$(wait_for_titled "Save As") || fail "no save dialog after sealing"
sleep 0.5
xdotool windowfocus --sync "$save" type --delay 20 "$out/e2e-sealed.bmp" || fail "could not type"
xdotool key Return || fail "could not press Return"
wait_gone "Save As" || fail "the save dialog stayed open"
sleep 0.3
read_back=$(echo "$passphrase" | "$cli" unhide "$out/e2e-sealed.bmp" --password-stdin) ||
    fail "carvalet-cli could not open the sealed file"
[ "$read_back" = "$message" ] || fail "unsealed \"$read_back\" instead of \"$message\""
echo "$passphrase" | cut -c1-8 | "$cli" unhide "$out/e2e-sealed.bmp" --password-stdin 2>/dev/null
[ $? -eq 3 ] || fail "the first 8 characters opened a sealed message"
echo "sealed through the window, opened by carvalet-cli: $read_back"

# Reveal in the window, into an emptied message box: the image page's Unhide asks for the
# password alone.
click_at "$first" 380 300 || fail "could not click the message edit"
xdotool key ctrl+a Delete || fail "could not empty the message"
sleep 0.3
xwd -id "$first" -silent | convert xwd:- "$out/main-window-emptied.png" || fail "no screenshot"
click_at "$first" 501 140 || fail "could not click the image page button"
sleep 0.3
click_at "$first" 58 188 || fail "could not click unhide"
password=$(wait_for_titled Password) || fail "no password dialog for unhide"
sleep 0.3
xwd -id "$password" -silent | convert xwd:- "$out/password-verify.png" || fail "no screenshot"
echo "screenshot of the password dialog, verify mode: $out/password-verify.png"
xdotool windowfocus --sync "$password" type --delay 10 "$passphrase" && xdotool key Return ||
    fail "could not type the passphrase"
wait_gone Password || fail "the password dialog stayed open"
sleep 0.5
xdotool search --onlyvisible --name '^Carvalet$' | grep -qv "^$first\$" &&
    fail "a message box appeared after the right passphrase"
click_at "$first" 548 140 || fail "could not click the text page button"
sleep 0.3
xwd -id "$first" -silent | convert xwd:- "$out/main-window-revealed.png" || fail "no screenshot"
compare -metric AE "$out/main-window-emptied.png" "$out/main-window-revealed.png" null: \
    2>"$out/diff.txt"
changed=$(cut -d' ' -f1 <"$out/diff.txt")
[ "${changed%.*}" -gt 300 ] 2>/dev/null || fail "no message appeared ($changed pixels changed)"
echo "screenshot of the revealed message: $out/main-window-revealed.png ($changed pixels changed)"

# A PNG through the same file dialog: its preview shows, Hide asks before converting it, and
# the save dialog proposes a bitmap of the same name, which carvalet-cli reads.
convert -seed 4 -size 480x320 plasma:fractal -depth 8 PNG24:"$out/e2e-photo.png" ||
    fail "could not make a PNG"
rm -f "$out/e2e-photo.bmp"
click_at "$first" 501 140 || fail "could not click the image page button"
sleep 0.3
click_at "$first" 58 143 || fail "could not click open image"
dialog=$(wait_for_titled Open) || fail "no file dialog titled Open for the PNG"
sleep 0.5
xdotool windowfocus --sync "$dialog" type --delay 20 "$out/e2e-photo.png" || fail "could not type"
xdotool key Return || fail "could not press Return"
wait_gone Open || fail "the file dialog stayed open"
sleep 0.5
xwd -id "$first" -silent | convert xwd:- "$out/main-window-png.png" || fail "no screenshot"
compare -metric AE "$out/main-window-preview.png" "$out/main-window-png.png" null: 2>"$out/diff.txt"
changed=$(cut -d' ' -f1 <"$out/diff.txt")
[ "${changed%.*}" -gt 10000 ] 2>/dev/null || fail "the PNG's preview did not appear ($changed pixels changed)"
echo "screenshot with the PNG's preview: $out/main-window-png.png ($changed pixels changed)"

click_at "$first" 548 140 || fail "could not click the text page button"
sleep 0.3
click_at "$first" 58 188 || fail "could not click hide"
question=""
for _ in $(seq 1 50); do
    question=$(xdotool search --onlyvisible --name '^Carvalet$' 2>/dev/null | grep -vx "$first" | head -1)
    [ -n "$question" ] && break
    sleep 0.2
done
[ -n "$question" ] || fail "no question before converting the PNG"
sleep 0.3
xwd -id "$question" -silent | convert xwd:- "$out/conversion-question.png" || fail "no screenshot"
echo "screenshot of the question: $out/conversion-question.png"
xdotool windowfocus --sync "$question" key Return || fail "could not answer Yes"
password=$(wait_for_titled Password) || fail "no password dialog after Yes"
sleep 0.3
xdotool windowfocus --sync "$password" type --delay 10 "willow-key" || fail "could not type"
xdotool key Tab && xdotool type --delay 10 "willow-key" && xdotool key Return ||
    fail "could not confirm the password"
save=$(wait_for_titled "Save As") || fail "no save dialog for the converted PNG"
sleep 0.5
xdotool windowfocus --sync "$save" key Return || fail "could not accept the proposed name"
wait_gone "Save As" || fail "the save dialog stayed open"
sleep 0.3
[ -f "$out/e2e-photo.bmp" ] || fail "the proposed name was not e2e-photo.bmp"
read_back=$(echo "willow-key" | "$cli" unhide "$out/e2e-photo.bmp" --password-stdin) ||
    fail "carvalet-cli could not read the converted file"
[ "$read_back" = "$message" ] || fail "read back \"$read_back\" from the converted PNG"
"$cli" info "$out/e2e-photo.bmp" | grep -qx "Header: 40 bytes" || fail "not a classic bitmap"
echo "PNG converted through the window, read back by carvalet-cli: $read_back"

# Keys: Alt and the underlined letter. Alt+L loads a text far too long for the picture (it
# takes about 42,000 bytes); the capacity line under the card turns red.
head -c 100000 /dev/zero | tr '\0' 'w' >"$out/e2e-long.txt"
xdotool windowfocus --sync "$first" key alt+l || fail "could not press Alt+L"
dialog=$(wait_for_titled Open) || fail "Alt+L opened no file dialog"
sleep 0.5
xdotool windowfocus --sync "$dialog" type --delay 20 "$out/e2e-long.txt" || fail "could not type"
xdotool key Return || fail "could not press Return"
wait_gone Open || fail "the text dialog stayed open"
# A long text takes a moment to lay out and count.
sleep 2
xwd -id "$first" -silent | convert xwd:- "$out/main-window-too-long.png" || fail "no screenshot"
has_alert_red "$out/main-window-too-long.png" 230x30+345+405 ||
    fail "no red capacity line under the card"
echo "capacity line in red: $out/main-window-too-long.png"

# Esc with a loaded message asks first; No (Enter) keeps the window, Yes closes it.
xdotool windowfocus --sync "$first" key Escape || fail "could not press Esc"
wait_for_count 2 || fail "Esc with a message asked nothing"
sleep 0.3
question=$(xdotool search --onlyvisible --name '^Carvalet$' | grep -v "^$first\$" | head -1)
xwd -id "$question" -silent | convert xwd:- "$out/discard-question.png" || fail "no screenshot"
xdotool windowfocus --sync "$question" key Return || fail "could not answer No"
wait_for_count 1 || fail "the question stayed open"
kill -0 "${pids[0]}" 2>/dev/null || fail "No closed the window"
xdotool windowfocus --sync "$first" key alt+i || fail "could not press Alt+I"
sleep 0.5
xwd -id "$first" -silent | convert xwd:- "$out/main-window-image-page.png" || fail "no screenshot"
has_alert_red "$out/main-window-image-page.png" 230x30+345+405 &&
    fail "Alt+I left the text page's capacity line"
xdotool windowfocus --sync "$first" key alt+c || fail "could not press Alt+C"
wait_for_count 2 || fail "Alt+C with a message asked nothing"
question=$(xdotool search --onlyvisible --name '^Carvalet$' | grep -v "^$first\$" | head -1)
xdotool windowfocus --sync "$question" key alt+y || fail "could not answer Yes"
wait_for_exit "${pids[0]}" || fail "Yes did not end the program"
echo "Esc and Alt+C asked before a loaded message was lost; Yes closed"

# A program folder whose name is not UTF-8 (é written as one Latin-1 byte) starts all the same.
odd="$out/caf$(printf '\351') prog"
rm -rf "$odd"
mkdir -p "$odd/res" || fail "could not make $odd"
bin=$(dirname "$exe")
cp "$exe" "$bin"/lib*.so "$bin/controls.reg" "$odd/" || fail "could not copy the program"
cp "$bin"/res/*.skn "$bin"/res/*.spl "$odd/res/" || fail "could not copy its res folder"
pids=()
"$odd/$(basename "$exe")" & pids+=($!)
first=$(wait_for_window 1) || fail "no window from a folder whose name is not UTF-8"
sleep 0.5
xwd -id "$first" -silent | convert xwd:- "$out/main-window-odd-folder.png" || fail "no screenshot"
wait_for_count 1 || fail "a message box came up (the skin could not be loaded?)"
echo "started from a folder whose name is not UTF-8"

# A second copy starts and opens its own window, whatever the first holds.
"$exe" & pids+=($!)
second=$(wait_for_window 2) || fail "the second copy opened no window"

for window in "$first" "$second"; do
    xdotool windowfocus --sync "$window" key Escape || fail "could not press Esc"
done
for pid in "${pids[@]}"; do
    wait_for_exit "$pid"
    status=$?
    [ "$status" -eq 0 ] || fail "process $pid ended with $status"
done
echo "both copies closed with Esc"

# Every access key by keyboard, on a copy that opens the hidden file from its command line.
pids=()
"$exe" "$out/e2e-hidden.bmp" & pids+=($!)
first=$(wait_for_window 1) || fail "no window for the access keys"
# Presses Alt+$1 until a window titled $2 shows: a page switched by the key before it may not
# have shown its buttons yet.
press_for() {
    for _ in $(seq 1 25); do
        xdotool windowfocus --sync "$first" key "alt+$1" || fail "could not press Alt+$1"
        for _ in 1 2 3 4 5; do
            xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | head -1 | grep . && return 0
            sleep 0.1
        done
    done
    fail "Alt+$1 opened no window titled $2"
}
escape() { xdotool windowfocus --sync "$1" key Escape && wait_gone "$2" || fail "Esc left $2 open"; }
# Alt+R: Reveal asks the password and shows the message, focused, on the text page.
dialog=$(press_for r Password)
xdotool windowfocus --sync "$dialog" type --delay 10 "mill-key" && xdotool key Return ||
    fail "could not type the password"
wait_gone Password || fail "the password was refused"
sleep 0.5
xwd -id "$first" -silent | convert xwd:- "$out/revealed-by-keys.png" || fail "no screenshot"
echo "screenshot of the text page right after Reveal: $out/revealed-by-keys.png"
# Alt+H (text page): Hide asks for a new password. Alt+I, then Alt+O (image page): the file
# dialog. Alt+A: the about box. Alt+P: the help. Alt+T: back to the text page.
escape "$(press_for h Password)" Password
xdotool windowfocus --sync "$first" key alt+i || fail "could not press Alt+I"
escape "$(press_for o Open)" Open
escape "$(press_for a "About Carvalet")" "About Carvalet"
help=$(press_for p "Carvalet Help")
viewer=$(xdotool getwindowpid "$help") && kill "$viewer" || fail "could not end the help viewer"
xdotool windowfocus --sync "$first" key alt+t || fail "could not press Alt+T"
# Alt+C: Close (Alt+Y answers Yes should it ask before the message is lost).
xdotool windowfocus --sync "$first" key alt+c || fail "could not press Alt+C"
for _ in $(seq 1 50); do
    kill -0 "${pids[0]}" 2>/dev/null || break
    question=$(xdotool search --onlyvisible --name '^Carvalet$' 2>/dev/null | grep -vx "$first" | head -1)
    [ -n "$question" ] && xdotool windowfocus --sync "$question" key alt+y 2>/dev/null
    sleep 0.2
done
wait_for_exit "${pids[0]}" || fail "Alt+C did not close the window"
echo "every access key answered by keyboard: Alt+R, Alt+H, Alt+I, Alt+O, Alt+A, Alt+P, Alt+T, Alt+C"
