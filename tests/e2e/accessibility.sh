# What a screen reader sees: the program on the desktop's accessibility bus
# (AT-SPI, in a D-Bus session of its own). Every focusable or actionable
# control of Set Password, the main window, About, Encrypt for Sending and
# Login has a name, and
# no character typed into a password box goes out in a text event, while
# each change is still announced.
. "$E2E_LIB"

ATSPI="/usr/bin/python3 $(dirname "$E2E_LIB")/atspi.py"

e2e_start
eval "$(dbus-launch --sh-syntax)"
# The test's own status goes on to e2e_stop, past the clean-up.
trap 'status=$?; kill "$LISTENER" "$DBUS_SESSION_BUS_PID" 2>/dev/null; (exit $status); e2e_stop' EXIT
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

heard="$E2E_HOME/heard.txt"
: >"$heard"
$ATSPI listen "$heard" &
LISTENER=$!
wait_until "the listener did not start" test -e "$heard.ready"

heard_at_least() {
    [ "$(wc -l <"$heard")" -ge "$1" ]
}

# Waits until the listener has heard at least $1 events in all.
heard_wait() {
    wait_until "only $(wc -l <"$heard") text events heard, $1 awaited" heard_at_least "$1"
}

# Types $1 into the focused password box, takes one character back and
# clears the box, and waits until every change has been heard.
type_and_clear() {
    before=$(wc -l <"$heard")
    type_text "$1"
    keys BackSpace ctrl+a BackSpace
    heard_wait $((before + ${#1} + 2))
}

names() {
    $ATSPI names "$1" || fail "controls without a name in \"$1\""
}

app_start_with "Set Password"
names "Set Password"
type_and_clear "Kq7vz"
keys Tab
type_and_clear "Kq7vz"
keys shift+Tab
type_text "Kq7vz"
keys Tab
type_text "Kq7vz"
keys Return
main=$(window_wait "Quenzal")
window_focus "$main"
screenshot main
names "Quenzal"

# The two fields below the visible area, from the file-name box backwards.
keys shift+Tab shift+Tab shift+Tab
type_and_clear "Hx9w"
keys shift+Tab
type_and_clear "Hx9w"

# The keyboard's ways to the pop-up menu in the upper area, two back from the
# second field: the Menu key and
# Shift+F10 (Esc closes it again).
keys shift+Tab shift+Tab
keys Menu
$ATSPI popup Paste || fail "the Menu key opened no pop-up menu"
keys Escape
keys shift+F10
$ATSPI popup Paste || fail "Shift+F10 opened no pop-up menu"
keys Escape

# Help, "About Quenzal": the last item of the Help menu.
keys alt+h Up Return
about=$(window_wait "About Quenzal")
window_focus "$about"
names "About Quenzal"
keys Escape

# Message, Encrypt for Sending: the window that asks for a password twice.
window_focus "$main"
keys alt+m e
asking=$(window_wait "Encrypt for Sending")
window_focus "$asking"
names "Encrypt for Sending"
type_and_clear "Pz4d"
keys Tab
type_and_clear "Pz4d"
keys Escape
window_gone "Encrypt for Sending"
main_window_close "$main"

# The next start asks for the password.
app_start_with "Login"
names "Login"
type_and_clear "Kq7vz"
type_text "Kq7vz"
keys Return
main=$(window_wait "Quenzal")
main_window_close "$main"

# Every event came, and none carried a typed character.
[ -s "$heard" ] || fail "no text events heard from the password boxes"
if cut -f 2 "$heard" | grep -q '[^*]'; then
    grep -n '[^*]$' "$heard" | head -n 5 >&2
    fail "a typed character went out on the accessibility bus"
fi
grep -q 'text-changed:insert' "$heard" || fail "no insertion announced"
grep -q 'text-changed:delete' "$heard" || fail "no deletion announced"
echo "$(wc -l <"$heard") text events, every one masked"

grep -v -e '^QStandardPaths' -e 'XDG_RUNTIME_DIR' "$E2E_HOME/app.log" >&2 || true
echo "PASS"
