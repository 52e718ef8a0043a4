# The main window as a user meets it: centred with its frame, Scramble on
# typed text, the result copied with the keyboard to the X clipboard, and
# closing through the frame ends the program without a question.
. "$E2E_LIB"

e2e_start
app_start
win=$(main_window_open)
window_focus "$win"

# Centred by its outer size (openbox's frame included) on the 1024 x 768 screen.
window_centred "$win"
screenshot main-window

# The focus starts in the file-name box; Tab reaches the upper area third.
keys Tab Tab Tab
type_text abc
keys shift+Tab space    # back to Scramble, and press it
keys Tab Tab            # through the upper area to the lower one
keys ctrl+a ctrl+c
clipboard_wait cju "the lower area did not copy \"cju\""
screenshot scrambled

keys alt+F4
app_wait_end
echo "PASS"
