# The program on a Wayland desktop: weston (its X11 back end, inside the
# virtual X display, so that xdotool's keys reach it) as the compositor. The
# program runs natively, as a Wayland client, prints nothing about placing its
# windows, and works: a password set, the main window, Scramble's result.
# What it shows is read from the accessibility bus, not from X.
. "$E2E_LIB"

ATSPI="/usr/bin/python3 $(dirname "$E2E_LIB")/atspi.py"

e2e_start
eval "$(dbus-launch --sh-syntax)"
# The test's own status goes on to e2e_stop, past the clean-up.
trap 'status=$?; kill "$WESTON" "$DBUS_SESSION_BUS_PID" 2>/dev/null; (exit $status); e2e_stop' EXIT
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

weston --backend=x11-backend.so --socket=quenzal-e2e --width=900 --height=700 \
    --idle-time=0 --no-config >"$E2E_HOME/weston.log" 2>&1 &
WESTON=$!
wait_until "weston did not start" test -S "$XDG_RUNTIME_DIR/quenzal-e2e"
# Its window on the X display, by its class: xdotool's keys go to it.
compositor_window() {
    _id=$(xdotool search --onlyvisible --class "Weston Compositor" 2>/dev/null | head -n 1) || true
    [ -n "$_id" ] && echo "$_id"
}
wait_until "no weston window" compositor_window >/dev/null
window_focus "$(compositor_window)"

# A Wayland session, as the desktop describes it to its programs.
XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=quenzal-e2e app_start
$ATSPI names "Set Password" || fail "no Set Password window"
[ -z "$(xdotool search --name '^Set Password$' 2>/dev/null)" ] ||
    fail "the program runs on X, not natively on Wayland"
screenshot set-password
type_text "pw"
keys Tab
type_text "pw"
keys Return
$ATSPI names "Quenzal" || fail "no main window"

# The focus starts in the file-name box; Tab reaches the upper area third.
keys Tab Tab Tab
type_text abc
keys shift+Tab Return   # back to Scramble, and press it
$ATSPI text "Quenzal" "Message Contents:" "cju" || fail "Scramble gave the wrong text"
screenshot scrambled

# Help, "About Quenzal", the last item of the Help menu, and Esc closes it.
keys alt+h Up Return
$ATSPI names "About Quenzal" || fail "no About box"
screenshot about
keys Escape
# Ended from outside, as a session's end would; it printed nothing (e2e_stop).
kill "$E2E_APP"
wait_until "the program did not end" app_ended
echo "PASS"
