# The way into the program as a new user meets it: a first start asks for a
# new password, the next start for that password; a wrong one is refused, the
# right one opens the main window, whose File menu changes the password.
. "$E2E_LIB"

# True when a window with exactly this title is shown.
shown() {
    [ -n "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ]
}

# Waits until no window with this title is shown.
window_gone() {
    for _ in $(seq 100); do
        shown "$1" || return 0
        sleep 0.1
    done
    fail "the window \"$1\" is still shown"
}

# Clicks the middle of a control, given in twips from the client area's top
# left corner of window $1 as left, top, width and height.
click_control() {
    set -- $(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        END {print x, y}') "$2" "$3" "$4" "$5"
    click_at $(($1 + ($3 + $5 / 2) / 15)) $(($2 + ($4 + $6 / 2) / 15))
}

e2e_start
conf="$XDG_CONFIG_HOME/Quenzal/Quenzal.conf"

# A first start: only the Set Password window.
app_start
win=$(window_wait "Set Password")
window_focus "$win"
screenshot set-password
shown Login && fail "a Login window shows on a first start"
type_text "s3cret pass"
keys Tab
type_text "s3cret pass"
keys Return
main=$(window_wait "Quenzal")
window_gone "Set Password"

# Stored as a hash, in a file that only its owner can read.
grep -qF 'PassSet="$argon2id$v=19$m=65536,t=2,p=1$' "$conf" || fail "no hash in $conf"
grep -q s3cret "$conf" && fail "the password is in $conf"
[ "$(stat -c %a "$conf")" = 600 ] || fail "$conf has mode $(stat -c %a "$conf")"
window_focus "$main"
keys alt+F4
app_wait_end 10

# The next start: only the Login window, centred with its frame.
app_start
win=$(window_wait "Login")
window_focus "$win"
screenshot login
shown "Set Password" && fail "the Set Password window shows with a password stored"
set -- $(window_frame "$win")
[ $((2 * $1 - (1024 - $3))) -ge -1 ] && [ $((2 * $1 - (1024 - $3))) -le 1 ] ||
    fail "Login not centred across: left $1, outer width $3"
[ $((2 * $2 - (768 - $4))) -ge -1 ] && [ $((2 * $2 - (768 - $4))) -le 1 ] ||
    fail "Login not centred down: top $2, outer height $4"

# A wrong password is refused; the box keeps it selected, so the right one
# typed next replaces it.
type_text "S3cret pass"
keys Return
box=$(window_wait "Error")
screenshot invalid-password
window_focus "$box"
keys Return
window_gone "Error"
shown Quenzal && fail "a wrong password opened the main window"
type_text "s3cret pass"
keys Return
main=$(window_wait "Quenzal")
window_gone Login

# File, "Change Password": the first menu item is active, two down is the one.
window_focus "$main"
keys alt+f Down Down Return
win=$(window_wait "Change Password")
window_focus "$win"
screenshot change-password
type_text "s3cret pass"
keys Tab
type_text "n3w"
keys Tab
type_text "n3w"
keys Return
window_gone "Change Password"
app_running || fail "the program ended after a change"

# Change Password again, Cancel there and in the Login window beside the
# main window: the whole program ends.
window_focus "$main"
keys alt+f Down Down Return
win=$(window_wait "Change Password")
click_control "$win" 1320 1560 1095 375   # Cancel
win=$(window_wait "Login")
shown Quenzal || fail "the main window went with the Change Password window"
screenshot login-beside-main
click_control "$win" 1440 960 1140 390    # Cancel
app_wait_end 10

# The changed password is the one asked for.
app_start
win=$(window_wait "Login")
window_focus "$win"
type_text "n3w"
keys Return
main=$(window_wait "Quenzal")
window_focus "$main"
keys alt+F4
app_wait_end 10

grep -v -e '^QStandardPaths' -e 'XDG_RUNTIME_DIR' "$E2E_HOME/app.log" >&2 || true
echo "PASS"
