# The way into the program as a new user meets it: a first start asks for a
# new password, the next start for that password; a wrong one is refused, the
# right one opens the main window, whose File menu changes the password.
. "$E2E_LIB"

# Clicks the middle of a control, given in twips from the client area's top
# left corner of window $1 as left, top, width and height.
click_control() {
    set -- $(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        END {print x, y}') "$2" "$3" "$4" "$5"
    click_at $(($1 + ($3 + $5 / 2) / 15)) $(($2 + ($4 + $6 / 2) / 15))
}

# File, "Change Password" in the main window: the first menu item is active,
# two down is the one. The Change Password window's id is left in $win.
change_password_open() {
    window_focus "$main"
    keys alt+f Down Down Return
    win=$(window_wait "Change Password")
}

e2e_start
conf="$XDG_CONFIG_HOME/Quenzal/Quenzal.conf"

# A first start: only the Set Password window.
app_start_with "Set Password"
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
main_window_close "$main"

# The next start: only the Login window, centred with its frame.
app_start_with "Login"
window_centred "$win"
screenshot login
shown "Set Password" && fail "the Set Password window shows with a password stored"

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
window_active "$win"
type_text "s3cret pass"
keys Return
main=$(window_wait "Quenzal")
window_gone Login

# File, "Change Password".
change_password_open
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

# Change Password again and Cancel there: the Login window beside the main
# window, with the keyboard. A wrong password is refused, and once the Error
# box is closed the Login window has the keyboard again (openbox would hand it
# to the main window), so the next attempt goes into its box.
change_password_open
click_control "$win" 1320 1560 1095 375   # Cancel
win=$(window_wait "Login")
shown Quenzal || fail "the main window went with the Change Password window"
window_active "$win"
screenshot login-beside-main
type_text "wrong"
keys Return
box=$(window_wait "Error")
window_active "$box"
keys Return
window_gone "Error"
window_active "$win"
type_text "n3w"
keys Return
window_gone Login
app_running || fail "the program ended after a login beside the main window"

# Once more, and Cancel in the Login window: the whole program ends.
change_password_open
click_control "$win" 1320 1560 1095 375   # Cancel
win=$(window_wait "Login")
click_control "$win" 1440 960 1140 390    # Cancel
app_wait_end

# The changed password is the one asked for.
app_start_with "Login"
type_text "n3w"
keys Return
main=$(window_wait "Quenzal")
main_window_close "$main"

# A settings file that cannot be written (here a file in place of its
# folder, which refuses also root): Set says so and stays, nothing changes.
rm -r "$XDG_CONFIG_HOME/Quenzal"
: >"$XDG_CONFIG_HOME/Quenzal"
app_start_with "Set Password"
keys Return
box=$(window_wait "Error")
screenshot not-stored
window_active "$box"
keys Return
window_gone "Error"
window_active "$win"
shown Quenzal && fail "Set Password opened the main window without storing the password"
[ -f "$XDG_CONFIG_HOME/Quenzal" ] && [ ! -s "$XDG_CONFIG_HOME/Quenzal" ] ||
    fail "$XDG_CONFIG_HOME/Quenzal was changed"
keys Tab Tab Tab Return                   # Cancel
app_wait_end
echo "PASS"
