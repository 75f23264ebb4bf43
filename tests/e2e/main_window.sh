#!/usr/bin/env bash
# Runs inside an X server: main_window.sh <Carvalet executable> <output folder>.
set -u
exe=$1
out=$2
mkdir -p "$out"
unset QT_QPA_PLATFORM

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
xdotool windowfocus --sync "$first" key Tab Tab Tab Tab Tab Return || fail "could not press open"
dialog=""
for _ in $(seq 1 100); do
    dialog=$(xdotool search --onlyvisible --name '^Open$' 2>/dev/null | head -1)
    [ -n "$dialog" ] && break
    sleep 0.2
done
[ -n "$dialog" ] || fail "no file dialog titled Open"
sleep 0.5
xdotool windowfocus --sync "$dialog" type --delay 20 "$out/e2e-sample.bmp" || fail "could not type"
xdotool key Return || fail "could not press Return"
for _ in $(seq 1 50); do
    xdotool search --onlyvisible --name '^Open$' >/dev/null 2>&1 || break
    sleep 0.2
done
sleep 0.5
xwd -id "$first" -silent | convert xwd:- "$out/main-window-preview.png" || fail "no screenshot"
compare -metric AE "$out/main-window.png" "$out/main-window-preview.png" null: 2>"$out/diff.txt"
changed=$(cut -d' ' -f1 <"$out/diff.txt")
[ "${changed%.*}" -gt 10000 ] 2>/dev/null || fail "the preview did not appear ($changed pixels changed)"
echo "screenshot with the preview: $out/main-window-preview.png ($changed pixels changed)"

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
