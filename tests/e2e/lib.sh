# Helpers for the end-to-end tests: the real program on a virtual X display
# with the openbox window manager, driven with xdotool and read with xclip
# and screenshots. Source this file from a test script run by run-e2e.
#
#   QUENZAL        the program to start (set by CTest)
#   E2E_OUT        where screenshots go (set by CTest; kept for looking at)
#   E2E_LIMIT      how long, in seconds, a wait for a state may take (30)
#   E2E_LOG_ALLOW  an extended regular expression of lines the program may
#                  print (none by default): any other line fails the test
#
# Nothing here waits a fixed time: each step polls for the state it needs,
# up to E2E_LIMIT seconds, so the tests pass on a fully loaded machine. Keys
# and clicks need no wait of their own, as the program takes its input in
# order; a step that reads state from outside its input (a window, the
# clipboard, a file) polls for the state it expects.

set -eu

E2E_LIMIT=${E2E_LIMIT:-30}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs the command until it succeeds; fails with the message $1 once
# E2E_LIMIT seconds have gone by.
wait_until() {
    _what=$1
    shift
    _end=$(($(date +%s) + E2E_LIMIT))
    until "$@"; do
        [ "$(date +%s)" -lt "$_end" ] || fail "$_what (waited $E2E_LIMIT s)"
        sleep 0.05
    done
}

# Starts openbox on the display that run-e2e made, and gives the program a
# home of its own, so that it starts as for a new user.
e2e_start() {
    E2E_HOME=$(mktemp -d)
    export HOME="$E2E_HOME" XDG_CONFIG_HOME="$E2E_HOME/.config"
    export XDG_RUNTIME_DIR="$E2E_HOME/runtime"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    : >"$E2E_HOME/app.log"
    # No key repeats itself: on a loaded machine xdotool's release of a key
    # may come later than the server's repeat delay.
    xset r off
    openbox >"$E2E_HOME/openbox.log" 2>&1 &
    E2E_WM=$!
    trap e2e_stop EXIT
    # openbox is ready once it owns the root window's supporting-WM property.
    wait_until "openbox did not start" wm_ready
}

wm_ready() {
    kill -0 "$E2E_WM" 2>/dev/null || fail "openbox ended as it started"
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# Ends what the test started. A test that passed still fails when the
# program printed anything (a Qt warning is a fault).
e2e_stop() {
    _status=$?
    if [ "$_status" -ne 0 ]; then
        # What the screen showed, which windows there were, and what the
        # program printed, to see why.
        screenshot failed 2>/dev/null || true
        echo "windows shown:" >&2
        for _id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            echo "  $_id $(xdotool getwindowname "$_id" 2>/dev/null)" >&2
        done
        app_running 2>/dev/null || echo "the program is not running" >&2
        sed 's/^/program: /' "$E2E_HOME/app.log" >&2
        sed 's/^/openbox: /' "$E2E_HOME/openbox.log" >&2 2>/dev/null || true
    fi
    [ -n "${E2E_APP:-}" ] && kill "$E2E_APP" 2>/dev/null || true
    [ -n "${E2E_WM:-}" ] && kill "$E2E_WM" 2>/dev/null || true
    # The GnuPG agents that gpg or the program started in the test's home.
    for _gnupg in "${GNUPGHOME:-}" "$E2E_HOME/.gnupg"; do
        [ -d "$_gnupg" ] && gpgconf --homedir "$_gnupg" --kill all 2>/dev/null || true
    done
    _printed=$(grep -Ev "${E2E_LOG_ALLOW:-^\$}" "$E2E_HOME/app.log" | grep -v '^$' || true)
    rm -rf "$E2E_HOME"
    if [ "$_status" -eq 0 ] && [ -n "$_printed" ]; then
        printf 'FAIL: the program printed:\n%s\n' "$_printed" >&2
        exit 1
    fi
}

# Gives gpg a home of its own in the test's home (GNUPGHOME), whose agent is
# stopped when the test ends.
gpg_home() {
    export GNUPGHOME="$E2E_HOME/gnupg"
    mkdir -m 700 "$GNUPGHOME"
}

# gpg without a terminal, handed the password $1; the other arguments follow.
gpg_with() {
    _password=$1
    shift
    gpg --batch --quiet --pinentry-mode loopback --passphrase "$_password" "$@"
}

# Starts the program in the background; what it prints is kept for the end.
app_start() {
    "$QUENZAL" >>"$E2E_HOME/app.log" 2>&1 &
    E2E_APP=$!
}

# Starts the program and waits for its window titled $1, and gives that the
# keyboard; the window's id is left in $win.
app_start_with() {
    app_start
    win=$(window_wait "$1")
    window_focus "$win"
}

# Closes the main window $1, which ends the program, and waits for the end.
main_window_close() {
    window_focus "$1"
    keys alt+F4
    app_wait_end
}

# True while the program runs.
app_running() {
    kill -0 "${E2E_APP:-}" 2>/dev/null
}

app_ended() {
    ! app_running
}

# Waits until the program has ended.
app_wait_end() {
    wait_until "the program did not end" app_ended
    wait "$E2E_APP" || fail "the program ended with status $?"
}

# The id of the visible window with exactly this title, or nothing.
window_id() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true
}

# True when a window with exactly this title is shown.
shown() {
    [ -n "$(window_id "$1")" ]
}

not_shown() {
    ! shown "$1"
}

# Prints the id of the visible window with exactly this title, waiting for it.
window_wait() {
    wait_until "no window titled \"$1\"" shown "$1"
    window_id "$1"
}

# Waits until no window with this title is shown.
window_gone() {
    wait_until "the window \"$1\" is still shown" not_shown "$1"
}

# True when the window manager's active window is $1.
is_active() {
    [ "$(xdotool getactivewindow 2>/dev/null || true)" = "$1" ]
}

# Waits until window $1 is the active window, which has the keyboard.
window_active() {
    wait_until "window $1 ($(xdotool getwindowname "$1" 2>/dev/null || true)) is not active" \
        is_active "$1"
}

# Activates a window and waits until it has the keyboard.
window_focus() {
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" || true
    window_active "$1"
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

# True when the window's outer frame is centred on the 1024 x 768 screen
# (to a pixel).
is_centred() {
    set -- $(window_frame "$1")
    [ $((2 * $1 - (1024 - $3))) -ge -1 ] && [ $((2 * $1 - (1024 - $3))) -le 1 ] &&
        [ $((2 * $2 - (768 - $4))) -ge -1 ] && [ $((2 * $2 - (768 - $4))) -le 1 ]
}

# Waits until the window is centred with its frame (the program moves it once
# the window manager has framed it).
window_centred() {
    wait_until "window $1 is not centred: frame $(window_frame "$1")" is_centred "$1"
}

# Types text into the focused control.
type_text() {
    xdotool type --delay 20 -- "$1"
}

# Sends keys (xdotool names, e.g. ctrl+a Return Tab) to the focused control.
keys() {
    xdotool key --delay 60 "$@"
}

pointer_at() {
    [ "$(xdotool getmouselocation | sed 's/^x:\([0-9]*\) y:\([0-9]*\) .*/\1 \2/')" = "$1 $2" ]
}

# Clicks the left button at x y of the screen. (mousemove --sync would wait
# for a motion that never comes when the pointer is there already.)
click_at() {
    xdotool mousemove "$1" "$2"
    wait_until "the pointer did not reach $1 $2" pointer_at "$1" "$2"
    xdotool click 1
}

# Prints the X clipboard's text, exactly (no newline is added).
clipboard() {
    xclip -o -selection clipboard 2>/dev/null || true
}

clipboard_holds() {
    [ "$(clipboard; printf X)" = "${1}X" ]
}

# Waits until the X clipboard holds exactly $1 (a program copies it there).
# $2 says what failed.
clipboard_wait() {
    _end=$(($(date +%s) + E2E_LIMIT))
    until clipboard_holds "$1"; do
        [ "$(date +%s)" -lt "$_end" ] || fail "$2; the clipboard holds \"$(clipboard)\""
        sleep 0.05
    done
}

# Puts exact text (from standard input) on the X clipboard.
clipboard_set() {
    cat >"$E2E_HOME/clipboard-in"
    xclip -i -selection clipboard "$E2E_HOME/clipboard-in" >/dev/null 2>&1
    _want=$(cat "$E2E_HOME/clipboard-in"; printf X)
    clipboard_wait "${_want%X}" "xclip did not set the clipboard"
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
    _end=$(($(date +%s) + E2E_LIMIT))
    while :; do
        id=$(window_id Quenzal)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        set_id=$(window_id "Set Password")
        if [ -n "$set_id" ]; then
            window_focus "$set_id"
            keys Return
            window_wait Quenzal
            return 0
        fi
        [ "$(date +%s)" -lt "$_end" ] || fail "the main window did not open"
        sleep 0.05
    done
}
