# The About box as a user meets it: opened from Help over the main window,
# centred by its outer size, a fixed dialog without an owner, one box at a
# time that stays where the user put it, closed by Enter, Esc or its frame,
# and gone with the program. The web address is never clicked here: that
# would start a browser.
. "$E2E_LIB"

# Counts the visible windows with this title.
window_count() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l
}

active_is_about() {
    [ "$(xdotool getactivewindow getwindowname 2>/dev/null || true)" = "About Quenzal" ]
}

# Help, "About Quenzal" (the last item of the Help menu), from the main window;
# prints the box, once it has the keyboard.
about_open() {
    window_focus "$main"
    keys alt+h Up Return
    wait_until "the About box did not come to the front" active_is_about
    xdotool getactivewindow
}

frame_is_not() {
    [ "$(window_frame "$1")" != "$2" ]
}

e2e_start
app_start
main=$(main_window_open)

about=$(about_open)
window_centred "$about"
screenshot about-over-main

# Client area 4125 x 3015 twips, and the frame keeps it so (minimum = maximum).
xwininfo -id "$about" | grep -q 'Width: 275$' || fail "About box is not 275 pixels wide"
xwininfo -id "$about" | grep -q 'Height: 201$' || fail "About box is not 201 pixels high"
hints=$(xprop -id "$about" WM_NORMAL_HINTS)
echo "$hints" | grep -q 'minimum size: 275 by 201' &&
    echo "$hints" | grep -q 'maximum size: 275 by 201' || fail "About box can be resized: $hints"

# A dialog that no window of the program owns (it is transient only for the
# program's hidden group leader, which keeps it off the task bar).
xprop -id "$about" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_DIALOG ||
    fail "About box is not a dialog"
owner=$(xprop -id "$about" WM_TRANSIENT_FOR | sed -n 's/.*window id # //p')
[ -n "$owner" ] || fail "About box has no WM_TRANSIENT_FOR"
[ "$((owner))" -ne "$main" ] || fail "About box is owned by the main window"

# Moved by the user, then opened again: still one box, where it was.
centred=$(window_frame "$about")
xdotool windowmove --sync "$about" 40 60
wait_until "the About box did not move" frame_is_not "$about" "$centred"
moved=$(window_frame "$about")
again=$(about_open)
[ "$(window_count "About Quenzal")" -eq 1 ] || fail "a second About box opened"
[ "$again" = "$about" ] || fail "opening again made a new About box"
[ "$(window_frame "$about")" = "$moved" ] || fail "opening again moved the About box"

# Enter presses OK; the next opening is a new box, centred again.
window_focus "$about"
keys Return
window_gone "About Quenzal"
about=$(about_open)
window_centred "$about"

# Esc presses OK too.
window_focus "$about"
keys Escape
window_gone "About Quenzal"

# The frame's close closes the box only.
about=$(about_open)
window_focus "$about"
keys alt+F4
window_gone "About Quenzal"
app_running || fail "closing the About box ended the program"
[ "$(window_count Quenzal)" -eq 1 ] || fail "the main window went with the About box"

# Closing the main window while the box is open ends the program, box and all.
about=$(about_open)
window_focus "$main"
keys alt+F4
app_wait_end
echo "PASS"
