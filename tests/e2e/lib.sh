# Helpers for the end-to-end tests: the real program on a virtual X display
# with the openbox window manager, driven with xdotool and read with xclip
# and screenshots. Source this file from a test script run by run-e2e.
#
#   QUENZAL      the program to start (set by CTest)
#   E2E_OUT      where screenshots go (set by CTest; kept for looking at)

set -eu

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Starts openbox on the display that xvfb-run made, and gives the program a
# home of its own, so that it starts as for a new user.
e2e_start() {
    E2E_HOME=$(mktemp -d)
    export HOME="$E2E_HOME" XDG_CONFIG_HOME="$E2E_HOME/.config"
    export XDG_RUNTIME_DIR="$E2E_HOME/runtime"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    openbox >/dev/null 2>&1 &
    E2E_WM=$!
    trap e2e_stop EXIT
    # openbox is ready once it owns the root window's supporting-WM property.
    for _ in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    fail "openbox did not start"
}

e2e_stop() {
    [ -n "${E2E_APP:-}" ] && kill "$E2E_APP" 2>/dev/null || true
    [ -n "${E2E_WM:-}" ] && kill "$E2E_WM" 2>/dev/null || true
    rm -rf "$E2E_HOME"
}

# Starts the program in the background.
app_start() {
    "$QUENZAL" >"$E2E_HOME/app.log" 2>&1 &
    E2E_APP=$!
}

# True while the program runs.
app_running() {
    kill -0 "$E2E_APP" 2>/dev/null
}

# Waits until the program has ended; fails after $1 seconds (default 10).
app_wait_end() {
    for _ in $(seq $((${1:-10} * 10))); do
        app_running || return 0
        sleep 0.1
    done
    fail "the program did not end"
}

# Prints the id of the visible window with exactly this title, waiting up to
# 15 seconds for it.
window_wait() {
    for _ in $(seq 150); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    fail "no window titled \"$1\""
}

# Activates a window and waits until it has the keyboard focus.
window_focus() {
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
    sleep 0.3
}

# The outer frame of a window, as "x y width height": the client's geometry
# widened by the frame extents that the window manager reports.
window_frame() {
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    xwininfo -id "$1" | awk -v e="$extents" '
        BEGIN {split(e, f, " ")}
        /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF}
        END {print x - f[1], y - f[3], w + f[1] + f[2], h + f[3] + f[4]}'
}

# Types text into the focused control.
type_text() {
    xdotool type --delay 20 -- "$1"
}

# Sends keys (xdotool names, e.g. ctrl+a Return Tab) to the focused control.
keys() {
    xdotool key --delay 60 "$@"
    sleep 0.2
}

# Clicks the left button at x y of the screen.
click_at() {
    xdotool mousemove --sync "$1" "$2" click 1
    sleep 0.3
}

# Prints the X clipboard's text, exactly (no newline is added).
clipboard() {
    xclip -o -selection clipboard 2>/dev/null
}

# Puts exact text (from standard input) on the X clipboard.
clipboard_set() {
    xclip -i -selection clipboard
    sleep 0.2
}

# Saves a screenshot of the whole screen as $E2E_OUT/$1.png.
screenshot() {
    mkdir -p "$E2E_OUT"
    import -window root "$E2E_OUT/$1.png"
}

# Gets past the access windows to the main window, whatever this build shows
# first: an empty password typed twice opens the main window, and it leaves
# the program without a stored password.
main_window_open() {
    for _ in $(seq 150); do
        id=$(xdotool search --onlyvisible --name '^Quenzal$' 2>/dev/null | head -n 1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        set_id=$(xdotool search --onlyvisible --name '^Set Password$' 2>/dev/null | head -n 1) || true
        if [ -n "$set_id" ]; then
            window_focus "$set_id"
            keys Return
        fi
        sleep 0.1
    done
    fail "the main window did not open"
}
