# The main window as a user meets it: centred with its frame, Scramble on
# typed text, the result copied with the keyboard to the X clipboard, and
# closing through the frame ends the program without a question.
. "$E2E_LIB"

e2e_start
app_start
win=$(main_window_open)
window_focus "$win"
screenshot main-window

# Centred by its outer size (openbox's frame included) on the 1024 x 768 screen.
set -- $(window_frame "$win")
left=$1 top=$2 width=$3 height=$4
[ $((2 * left - (1024 - width))) -ge -1 ] && [ $((2 * left - (1024 - width))) -le 1 ] ||
    fail "not centred across: left $left, outer width $width"
[ $((2 * top - (768 - height))) -ge -1 ] && [ $((2 * top - (768 - height))) -le 1 ] ||
    fail "not centred down: top $top, outer height $height"

# The focus starts in the file-name box; Tab reaches the upper area third.
keys Tab Tab Tab
type_text abc
keys shift+Tab space    # back to Scramble, and press it
keys Tab Tab            # through the upper area to the lower one
keys ctrl+a ctrl+c
got=$(clipboard)
[ "$got" = "cju" ] || fail "the lower area copied \"$got\", not \"cju\""
screenshot scrambled

keys alt+F4
app_wait_end 10
grep -v -e '^QStandardPaths' -e 'XDG_RUNTIME_DIR' "$E2E_HOME/app.log" >&2 || true
echo "PASS"
