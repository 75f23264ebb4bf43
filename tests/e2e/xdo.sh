# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that drive the real window in an X server (main_window.sh,
# missing_skin.sh, tests/install/installed_window.sh). Every wait is for a state (a window shown
# or gone, a process ended, pixels changed or settled, a file readable), polled until a
# generous time-out, and a wait that times out says what it waited for.

# Processes the script started; whatever is still running when the script ends is stopped. A
# script with more to clean sets its own trap and calls xdo_cleanup from it.
pids=()
XDO_GRABS=$(mktemp -d)
xdo_cleanup() {
    [ ${#pids[@]} -eq 0 ] || kill "${pids[@]}" 2>/dev/null
    rm -rf "$XDO_GRABS"
}
trap xdo_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A wait longer than this means the program is stuck, not slow, even on a busy machine.
XDO_TIMEOUT=${XDO_TIMEOUT:-60}

# wait_until DESCRIPTION COMMAND...: runs COMMAND until it succeeds; after XDO_TIMEOUT seconds
# says what it waited for and fails.
wait_until() {
    local what=$1 deadline=$((SECONDS + XDO_TIMEOUT))
    shift
    until "$@"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "timed out after ${XDO_TIMEOUT}s waiting for $what" >&2
            return 1
        fi
        sleep 0.1 # the polling interval, not a guess at how long anything takes
    done
}

# The visible windows titled exactly $1, one id a line.
titled() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null
}
count_titled_is() { [ "$(titled "$2" | grep -c .)" -eq "$1" ]; }
none_titled() { ! titled "$1" | grep -q .; }

# window_titled TITLE [N]: waits for the Nth (first) visible window titled exactly TITLE and
# prints its id.
window_titled() {
    local n=${2:-1}
    wait_until "window $n titled \"$1\"" eval "[ \"\$(titled \"$1\" | grep -c .)\" -ge $n ]" ||
        return 1
    titled "$1" | sed -n "${n}p"
}

# other_window ID [TITLE]: waits for a visible window titled TITLE (Carvalet) other than ID,
# such as a message box over the main window, and prints its id.
other_window() {
    local title=${2:-Carvalet}
    wait_until "a window titled \"$title\" besides $1" eval \
        "titled \"$title\" | grep -qvx \"$1\"" || return 1
    titled "$title" | grep -vx "$1" | head -1
}

# window_count TITLE N: waits until exactly N visible windows are titled TITLE.
window_count() {
    wait_until "exactly $2 windows titled \"$1\"" count_titled_is "$2" "$1"
}

# window_gone TITLE: waits until no visible window is titled TITLE.
window_gone() {
    wait_until "the window titled \"$1\" to close" none_titled "$1"
}

# process_ended PID: waits for PID to end and returns its exit status.
process_ended() {
    wait_until "process $1 to end" eval "! kill -0 $1 2>/dev/null" || return 124
    wait "$1"
}

# Clicks window $1 at the point ($2, $3) of the 644 x 447 layout, scaled to its real size.
click_at() {
    local geometry w h
    geometry=$(xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: //p')
    w=${geometry%x*}
    h=${geometry#*x}
    xdotool mousemove --window "$1" $(($2 * w / 644)) $(($3 * h / 447)) click 1
}

# Screenshots. A picture is taken once the window has settled (three grabs in a row alike and
# more than a blank), so that it shows a finished paint whatever the machine's load.
grab() { xwd -id "$1" -silent >"$2" 2>/dev/null; }
painted() { [ "$(convert "xwd:$1" -format %k info: 2>/dev/null || echo 0)" -gt 2 ]; }
settled_once() {
    grab "$1" "$XDO_GRABS/a" && grab "$1" "$XDO_GRABS/b" && cmp -s "$XDO_GRABS/a" "$XDO_GRABS/b" &&
        grab "$1" "$XDO_GRABS/c" && cmp -s "$XDO_GRABS/a" "$XDO_GRABS/c" && painted "$XDO_GRABS/a"
}
# shot ID PNG: waits until window ID has settled and saves it as PNG.
shot() {
    wait_until "window $1 to finish painting" settled_once "$1" || return 1
    convert "xwd:$XDO_GRABS/a" "$2" || fail "could not write $2"
}
# pixels_changed PNG1 PNG2: how many pixels differ.
pixels_changed() {
    local n
    n=$(compare -metric AE "$1" "$2" null: 2>&1)
    echo "${n%% *}"
}
differs_by() {
    grab "$1" "$XDO_GRABS/d" || return 1
    local n
    n=$(compare -metric AE "$2" "xwd:$XDO_GRABS/d" null: 2>&1)
    n=${n%% *}
    [ "${n%.*}" -gt "$3" ] 2>/dev/null
}
# changed_shot ID REFERENCE PNG MIN WHAT: waits until window ID differs from the picture
# REFERENCE in more than MIN pixels (WHAT has shown), then saves it, settled, as PNG.
changed_shot() {
    wait_until "$5 (more than $4 pixels of window $1 changed)" differs_by "$1" "$2" "$4" || return 1
    shot "$1" "$3"
}

# The file dialog's completer: a list popped up under the name field while a name typed there
# matches files. Enter pressed while it shows only closes it, so a path is typed, the list
# waited for when the path must call it up, dismissed, and only then is Enter pressed. The list
# is one of the process's popups, which the window manager is told to leave alone; a tooltip,
# the other kind that might show under the pointer, does not count.
completer_shown() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' &&
            ! xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP && return 0
    done
    return 1
}
# enter_path DIALOG PATH: types PATH into the name field of file dialog DIALOG (the caret is
# there when it opens) and accepts it; waits until the dialog has closed.
enter_path() {
    local dialog=$1 path=$2 title pid
    title=$(xdotool getwindowname "$dialog")
    pid=$(xdotool getwindowpid "$dialog")
    xdotool windowfocus --sync "$dialog" type --delay 20 "$path" || fail "could not type $path"
    # The list offers every file whose name begins with what was typed.
    if compgen -G "$(printf '%q' "$path")*" >/dev/null; then
        wait_until "the file dialog's completer to offer $path" completer_shown "$pid" ||
            return 1
        xdotool key Escape || fail "could not press Esc"
    fi
    xdotool key Return || fail "could not press Return"
    window_gone "$title"
}

# reads_back CLI FILE PASSWORD MESSAGE: whether carvalet-cli reads MESSAGE out of FILE (a file
# written through the window is complete once this holds).
reads_back() {
    [ -s "$2" ] && [ "$(printf '%s\n' "$3" | "$1" unhide "$2" --password-stdin 2>/dev/null)" = "$4" ]
}
