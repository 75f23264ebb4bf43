#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs inside an X server: main_window.sh <Carvalet executable> <output folder> <carvalet-cli>.
set -u
exe=$1
out=$2
cli=$3
mkdir -p "$out"
unset QT_QPA_PLATFORM
# What the program remembers (how messages are hidden, the last folder) starts empty and stays out of
# the user's own.
export XDG_CONFIG_HOME="$out/config"
rm -rf "$XDG_CONFIG_HOME"

source "$(dirname "$0")/xdo.sh"

# Whether the screenshot $1 holds, in the box $2 (WxH+X+Y of the 644 x 447 layout), a pixel
# of the strong red the skin gives a message that is too long.
has_alert_red() {
    convert "$1" -resize "644x447!" -crop "$2" -depth 8 txt:- |
        sed -n 's/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' |
        awk '$1 > 150 && $2 < 90 && $3 < 90 { found = 1 } END { exit !found }'
}
capacity_red() {
    grab "$1" "$XDO_GRABS/r" && has_alert_red "xwd:$XDO_GRABS/r" 230x30+345+405
}
capacity_not_red() {
    grab "$1" "$XDO_GRABS/r" && ! has_alert_red "xwd:$XDO_GRABS/r" 230x30+345+405
}
# The window titled Carvalet other than the main window $1: a message box over it.
message_box() { other_window "$1" Carvalet; }
# In the password dialog $password: types $passphrase twice, then Tab moves the focus to the
# choice of layouts; $1 is the screenshot taken once it has.
to_the_choice() {
    xdotool windowfocus --sync "$password" type --delay 10 "$passphrase" || fail "could not type"
    xdotool key Tab && xdotool type --delay 10 "$passphrase" ||
        fail "could not type the confirmation"
    shot "$password" "$XDO_GRABS/typed.png" || fail "no screenshot of the password dialog"
    xdotool key Tab || fail "could not press Tab"
    changed_shot "$password" "$XDO_GRABS/typed.png" "$1" 50 "the focus on the choice" ||
        fail "Tab did not reach the choice"
}
# Empties the message box of the main window $first; $1 is the last screenshot of the window,
# $2 the one taken once the box is empty.
empty_message() {
    click_at "$first" 380 300 || fail "could not click the message edit"
    xdotool key ctrl+a Delete || fail "could not empty the message"
    changed_shot "$first" "$1" "$2" 300 "the message box emptied" || fail "the message stayed"
}

"$exe" & pids+=($!)
first=$(window_titled Carvalet) || fail "no window titled Carvalet"
shot "$first" "$out/main-window.png" || fail "no screenshot of the window"
colours=$(convert "$out/main-window.png" -format %k info:)
echo "screenshot: $out/main-window.png ($colours colours)"

# Open a bitmap through the real file dialog: Tab from the image-page button reaches the
# open-image button, the file dialog opens with the caret in its name field.
sample="$(cd "$(dirname "$0")/../.." && pwd)/res/samples/sample.bmp"
cp "$sample" "$out/e2e-sample.bmp" || fail "no sample bitmap at $sample"
xdotool windowfocus --sync "$first" key Tab Tab Tab Tab Return || fail "could not press open"
dialog=$(window_titled Open) || fail "no file dialog titled Open"
enter_path "$dialog" "$out/e2e-sample.bmp" || fail "the file dialog did not take the bitmap"
changed_shot "$first" "$out/main-window.png" "$out/main-window-preview.png" 10000 \
    "the bitmap's preview" || fail "the preview did not appear"
changed=$(pixels_changed "$out/main-window.png" "$out/main-window-preview.png")
echo "screenshot with the preview: $out/main-window-preview.png ($changed pixels changed)"

# Hide a message through the window: text page, type, Hide, password twice, save as a new
# file; then the command-line tool reads it back with the same password.
message="Meet at the old mill at noon."
rm -f "$out/e2e-hidden.bmp"
click_at "$first" 548 140 || fail "could not click the text page button"
click_at "$first" 380 300 || fail "could not click the message edit"
xdotool type --delay 10 "$message" || fail "could not type the message"
click_at "$first" 58 188 || fail "could not click hide"
password=$(window_titled Password) || fail "no password dialog"
shot "$password" "$out/password-set.png" || fail "no screenshot of the password dialog"
echo "screenshot of the password dialog: $out/password-set.png"
xdotool windowfocus --sync "$password" type --delay 10 "mill-key" || fail "could not type"
xdotool key Tab && xdotool type --delay 10 "mill-key" && xdotool key Return ||
    fail "could not confirm the password"
# The dialog proposes the open picture, selected in its list; the name typed over it must win
# (no "replace?" question, the picture untouched).
save=$(window_titled "Save As") || fail "no save dialog"
enter_path "$save" "$out/e2e-hidden.bmp" || fail "the save dialog did not take the name"
wait_until "carvalet-cli to read the message out of e2e-hidden.bmp" \
    reads_back "$cli" "$out/e2e-hidden.bmp" mill-key "$message" ||
    fail "carvalet-cli could not read the saved file"
cmp -s "$sample" "$out/e2e-sample.bmp" || fail "the picture selected in the save dialog changed"
echo "hidden through the window, read back by carvalet-cli: $message"
shot "$first" "$out/main-window-text.png" || fail "no screenshot of the text page"

# The same message sealed: Tab from the confirmation reaches the choice (plain, as last time),
# the down arrow picks sealed; the command-line tool opens it with the whole passphrase only.
passphrase="the old mill by the river at noon"
rm -f "$out/e2e-sealed.bmp"
click_at "$first" 58 188 || fail "could not click hide"
password=$(window_titled Password) || fail "no password dialog"
to_the_choice "$XDO_GRABS/plain.png"
xdotool key Down || fail "could not choose sealed"
changed_shot "$password" "$XDO_GRABS/plain.png" "$out/password-seal.png" 50 \
    "sealed chosen" || fail "the down arrow did not choose sealed"
echo "screenshot of the password dialog, sealing: $out/password-seal.png"
xdotool key Return || fail "could not press Return"
save=$(window_titled "Save As") || fail "no save dialog after sealing"
enter_path "$save" "$out/e2e-sealed.bmp" || fail "the save dialog did not take the name"
wait_until "carvalet-cli to open the sealed e2e-sealed.bmp" \
    reads_back "$cli" "$out/e2e-sealed.bmp" "$passphrase" "$message" ||
    fail "carvalet-cli could not open the sealed file"
echo "$passphrase" | cut -c1-8 | "$cli" unhide "$out/e2e-sealed.bmp" --password-stdin 2>/dev/null
[ $? -eq 3 ] || fail "the first 8 characters opened a sealed message"
echo "sealed through the window, opened by carvalet-cli: $message"

# Reveal in the window, into an emptied message box: the image page's Unhide asks for the
# password alone.
empty_message "$out/main-window-text.png" "$out/main-window-emptied.png"
click_at "$first" 501 140 || fail "could not click the image page button"
click_at "$first" 58 188 || fail "could not click unhide"
password=$(window_titled Password) || fail "no password dialog for unhide"
shot "$password" "$out/password-verify.png" || fail "no screenshot of the password dialog"
echo "screenshot of the password dialog, verify mode: $out/password-verify.png"
xdotool windowfocus --sync "$password" type --delay 10 "$passphrase" && xdotool key Return ||
    fail "could not type the passphrase"
window_gone Password || fail "the password dialog stayed open"
click_at "$first" 548 140 || fail "could not click the text page button"
changed_shot "$first" "$out/main-window-emptied.png" "$out/main-window-revealed.png" 300 \
    "the revealed message on the text page" || fail "no message appeared"
count_titled_is 1 Carvalet || fail "a message box appeared after the right passphrase"
changed=$(pixels_changed "$out/main-window-emptied.png" "$out/main-window-revealed.png")
echo "screenshot of the revealed message: $out/main-window-revealed.png ($changed pixels changed)"

# A PNG through the same file dialog: its preview shows, Hide asks before converting it, and
# the save dialog proposes a bitmap of the same name, which carvalet-cli reads.
convert -seed 4 -size 480x320 plasma:fractal -depth 8 PNG24:"$out/e2e-photo.png" ||
    fail "could not make a PNG"
rm -f "$out/e2e-photo.bmp"
click_at "$first" 501 140 || fail "could not click the image page button"
click_at "$first" 58 143 || fail "could not click open image"
dialog=$(window_titled Open) || fail "no file dialog titled Open for the PNG"
enter_path "$dialog" "$out/e2e-photo.png" || fail "the file dialog did not take the PNG"
changed_shot "$first" "$out/main-window-preview.png" "$out/main-window-png.png" 10000 \
    "the PNG's preview" || fail "the PNG's preview did not appear"
changed=$(pixels_changed "$out/main-window-preview.png" "$out/main-window-png.png")
echo "screenshot with the PNG's preview: $out/main-window-png.png ($changed pixels changed)"

click_at "$first" 548 140 || fail "could not click the text page button"
click_at "$first" 58 188 || fail "could not click hide"
# The layout is chosen first (sealed, as last time); the question comes after the password.
password=$(window_titled Password) || fail "no password dialog for the PNG"
xdotool windowfocus --sync "$password" type --delay 10 "willow-key" || fail "could not type"
xdotool key Tab && xdotool type --delay 10 "willow-key" && xdotool key Return ||
    fail "could not confirm the password"
window_gone Password || fail "the password dialog stayed open"
question=$(message_box "$first") || fail "no question before converting the PNG"
shot "$question" "$out/conversion-question.png" || fail "no screenshot of the question"
echo "screenshot of the question: $out/conversion-question.png"
xdotool windowfocus --sync "$question" key Return || fail "could not answer Yes"
save=$(window_titled "Save As") || fail "no save dialog for the converted PNG"
xdotool windowfocus --sync "$save" key Return || fail "could not accept the proposed name"
window_gone "Save As" || fail "the save dialog stayed open"
wait_until "carvalet-cli to read the message out of e2e-photo.bmp (the proposed name)" \
    reads_back "$cli" "$out/e2e-photo.bmp" willow-key "$message" ||
    fail "carvalet-cli could not read the converted file"
"$cli" info "$out/e2e-photo.bmp" | grep -qx "Header: 40 bytes" || fail "not a classic bitmap"
echo "PNG converted through the window, read back by carvalet-cli: $message"

# Keys: Alt and the underlined letter. Alt+L loads a text as long as the picture takes (Load
# text refuses a longer one); two letters typed after it turn the capacity line under the card
# red.
longest=$("$cli" info --json "$out/e2e-photo.bmp" | sed -n 's/.*"longest_message": \([0-9]*\).*/\1/p')
[ -n "$longest" ] || fail "carvalet-cli told no longest message for e2e-photo.bmp"
head -c "$longest" /dev/zero | tr '\0' 'w' >"$out/e2e-long.txt"
xdotool windowfocus --sync "$first" key alt+l || fail "could not press Alt+L"
dialog=$(window_titled Open) || fail "Alt+L opened no file dialog"
enter_path "$dialog" "$out/e2e-long.txt" || fail "the text dialog did not take the text"
click_at "$first" 380 300 || fail "could not click the message edit"
xdotool key ctrl+End && xdotool type --delay 10 "ww" || fail "could not type after the text"
wait_until "the capacity line under the card to turn red" capacity_red "$first" ||
    fail "no red capacity line under the card"
shot "$first" "$out/main-window-too-long.png" || fail "no screenshot of the long text"
echo "capacity line in red: $out/main-window-too-long.png"

# Esc with a loaded message asks first; No (Enter) keeps the window, Yes closes it.
xdotool windowfocus --sync "$first" key Escape || fail "could not press Esc"
question=$(message_box "$first") || fail "Esc with a message asked nothing"
shot "$question" "$out/discard-question.png" || fail "no screenshot of the question"
xdotool windowfocus --sync "$question" key Return || fail "could not answer No"
window_count Carvalet 1 || fail "the question stayed open"
kill -0 "${pids[0]}" 2>/dev/null || fail "No closed the window"
xdotool windowfocus --sync "$first" key alt+i || fail "could not press Alt+I"
wait_until "the image page, without the text page's red capacity line" \
    capacity_not_red "$first" || fail "Alt+I left the text page's capacity line"
shot "$first" "$out/main-window-image-page.png" || fail "no screenshot of the image page"
xdotool windowfocus --sync "$first" key alt+c || fail "could not press Alt+C"
question=$(message_box "$first") || fail "Alt+C with a message asked nothing"
xdotool windowfocus --sync "$question" key alt+y || fail "could not answer Yes"
process_ended "${pids[0]}" || fail "Yes did not end the program"
pids=()
echo "Esc and Alt+C asked before a loaded message was lost; Yes closed"

# A program folder whose name is not UTF-8 (é written as one Latin-1 byte) starts all the same.
odd="$out/caf$(printf '\351') prog"
rm -rf "$odd"
mkdir -p "$odd/res" || fail "could not make $odd"
bin=$(dirname "$exe")
cp "$exe" "$bin"/lib*.so "$bin/controls.reg" "$odd/" || fail "could not copy the program"
cp "$bin"/res/*.skn "$bin"/res/*.spl "$odd/res/" || fail "could not copy its res folder"
"$odd/$(basename "$exe")" & pids+=($!)
first=$(window_titled Carvalet) || fail "no window from a folder whose name is not UTF-8"
shot "$first" "$out/main-window-odd-folder.png" || fail "no screenshot of the window"
count_titled_is 1 Carvalet || fail "a message box came up (the skin could not be loaded?)"
echo "started from a folder whose name is not UTF-8"

# A second copy starts and opens its own window, whatever the first holds.
"$exe" & pids+=($!)
second=$(window_titled Carvalet 2) || fail "the second copy opened no window"

for window in "$first" "$second"; do
    xdotool windowfocus --sync "$window" key Escape || fail "could not press Esc"
done
for pid in "${pids[@]}"; do
    process_ended "$pid"
    status=$?
    [ "$status" -eq 0 ] || fail "process $pid ended with $status"
done
pids=()
echo "both copies closed with Esc"

# Every access key by keyboard, on a copy that opens the hidden file from its command line.
"$exe" "$out/e2e-hidden.bmp" & pids+=($!)
first=$(window_titled Carvalet) || fail "no window for the access keys"
# press_for KEY TITLE: presses Alt+KEY until a window titled TITLE shows (a page the key before
# switched to may not have shown its buttons yet) and prints its id.
press_for() {
    local try
    for try in $(seq 1 30); do
        xdotool windowfocus --sync "$first" key "alt+$1" || fail "could not press Alt+$1"
        if XDO_TIMEOUT=2 wait_until "a window titled \"$2\"" eval "titled \"$2\" | grep -q ." \
            2>/dev/null; then
            titled "$2" | head -1
            return 0
        fi
    done
    fail "Alt+$1 opened no window titled $2 ($try tries)"
}
escape() { xdotool windowfocus --sync "$1" key Escape && window_gone "$2" || fail "Esc left $2 open"; }
# Alt+R: Reveal asks the password and shows the message, focused, on the text page.
dialog=$(press_for r Password)
xdotool windowfocus --sync "$dialog" type --delay 10 "mill-key" && xdotool key Return ||
    fail "could not type the password"
window_gone Password || fail "the password was refused"
shot "$first" "$out/revealed-by-keys.png" || fail "no screenshot of the revealed message"
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
closed_or_asking() { ! kill -0 "${pids[-1]}" 2>/dev/null || titled Carvalet | grep -qvx "$first"; }
wait_until "Alt+C to close the window or ask first" closed_or_asking ||
    fail "Alt+C neither closed the window nor asked"
if kill -0 "${pids[-1]}" 2>/dev/null; then
    question=$(other_window "$first") || fail "no question before closing"
    xdotool windowfocus --sync "$question" key alt+y || fail "could not answer Yes"
fi
process_ended "${pids[-1]}" || fail "Alt+C did not close the window"
echo "every access key answered by keyboard: Alt+R, Alt+H, Alt+I, Alt+O, Alt+A, Alt+P, Alt+T, Alt+C"

# Seconds since a time taken with date +%s%N, to the millisecond: what the real key derivation
# costs (reported, not checked).
since() { echo "$(date +%s%N) $1" | awk '{ printf "%.3f", ($1 - $2) / 1e9 }'; }

# Stealth, on a copy that opens a PNG from its command line: the password dialog with the
# choice, the PNG saved as a PNG that carvalet-cli reads, the capacity line counting against
# the stealth limit, and Reveal in the window. The key derivation is the real one.
convert -seed 6 -size 480x320 plasma:fractal -depth 8 PNG24:"$out/e2e-garden.png" ||
    fail "could not make a PNG"
rm -f "$out/e2e-stealth.png"
"$exe" "$out/e2e-garden.png" & pids+=($!)
first=$(window_titled Carvalet) || fail "no window for the stealth road"
changed_shot "$first" "$out/main-window.png" "$XDO_GRABS/garden.png" 10000 \
    "the PNG's preview" || fail "the PNG given on the command line did not open"
click_at "$first" 548 140 || fail "could not click the text page button"
click_at "$first" 380 300 || fail "could not click the message edit"
xdotool type --delay 10 "$message" || fail "could not type the message"
shot "$first" "$XDO_GRABS/sealed-line.png" || fail "no screenshot of the text page"
click_at "$first" 58 188 || fail "could not click hide"
password=$(window_titled Password) || fail "no password dialog for stealth"
to_the_choice "$XDO_GRABS/sealed.png"
xdotool key Down || fail "could not choose stealth"
changed_shot "$password" "$XDO_GRABS/sealed.png" "$out/password-stealth.png" 50 \
    "stealth chosen" || fail "the down arrow did not choose stealth"
echo "screenshot of the password dialog, stealth: $out/password-stealth.png"
started=$(date +%s%N)
xdotool key Return || fail "could not press Return"
save=$(window_titled "Save As") || fail "no save dialog for the stealth PNG"
echo "stealth hide, from OK to the save dialog: $(since "$started") s"
enter_path "$save" "$out/e2e-stealth.png" || fail "the save dialog did not take the name"
started=$(date +%s%N)
wait_until "carvalet-cli to read the stealth message out of e2e-stealth.png" \
    reads_back "$cli" "$out/e2e-stealth.png" "$passphrase" "$message" ||
    fail "carvalet-cli could not read the stealth PNG"
echo "read back by carvalet-cli in $(since "$started") s"
[ "$(head -c 4 "$out/e2e-stealth.png" | tail -c 3)" = PNG ] || fail "e2e-stealth.png is no PNG"
"$cli" unhide "$out/e2e-stealth.png" --password-stdin <<<"$passphrase!" >/dev/null 2>&1
[ $? -eq 4 ] || fail "a wrong passphrase found something in the stealth PNG"
echo "stealth PNG saved through the window, read back by carvalet-cli: $message"
changed_shot "$first" "$XDO_GRABS/sealed-line.png" "$out/main-window-stealth.png" 20 \
    "the capacity line counting against the stealth limit" ||
    fail "the capacity line did not change to stealth"
echo "screenshot of the capacity line in stealth mode: $out/main-window-stealth.png"

# Reveal it in the window, from the saved file, into an emptied message box.
empty_message "$out/main-window-stealth.png" "$XDO_GRABS/emptied.png"
click_at "$first" 501 140 || fail "could not click the image page button"
click_at "$first" 58 143 || fail "could not click open image"
dialog=$(window_titled Open) || fail "no file dialog for the stealth PNG"
enter_path "$dialog" "$out/e2e-stealth.png" || fail "the file dialog did not take the PNG"
click_at "$first" 58 188 || fail "could not click unhide"
password=$(window_titled Password) || fail "no password dialog to reveal"
started=$(date +%s%N)
xdotool windowfocus --sync "$password" type --delay 10 "$passphrase" && xdotool key Return ||
    fail "could not type the passphrase"
window_gone Password || fail "the password dialog stayed open"
changed_shot "$first" "$XDO_GRABS/emptied.png" "$out/main-window-stealth-revealed.png" 300 \
    "the revealed stealth message" || fail "no message appeared"
echo "stealth reveal in the window: $(since "$started") s"
count_titled_is 1 Carvalet || fail "a message box appeared after the right passphrase"
echo "revealed in the window: $out/main-window-stealth-revealed.png"
xdotool windowfocus --sync "$first" key Escape || fail "could not press Esc"
process_ended "${pids[-1]}" || fail "Esc did not close the window"
pids=()
