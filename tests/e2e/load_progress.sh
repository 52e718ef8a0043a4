# A long Open as a user meets it: after a moment its progress shows, Cancel
# stops it, and the upper area and the file box stay as they were.
. "$E2E_LIB"

e2e_start
# 60 MB of lines of words: it takes many seconds to open, so the progress
# shows and stays long enough to be cancelled.
awk 'BEGIN { for (i = 0; i < 1000000; i++)
    printf "line %07d of a long file, with words to lay out and more.\r\n", i }' \
    >"$E2E_HOME/big.txt"

app_start
win=$(main_window_open)
window_focus "$win"
keys Tab Tab Tab                # the upper area, third in the tab order
type_text "keep"
keys alt+f Return               # File, Open
window_wait Open >/dev/null
type_text "$E2E_HOME/big.txt"
keys Return
progress=$(window_wait 'Opening "big.txt"...')
window_active "$progress"
screenshot progress
keys Escape                     # Cancel
window_gone 'Opening "big.txt"...'
window_active "$win"

keys ctrl+a ctrl+c              # the upper area has the keyboard again
clipboard_wait "keep" "the cancelled Open changed the upper area"
keys shift+Tab shift+Tab shift+Tab ctrl+a ctrl+c
clipboard_wait "No File Specified..." "the cancelled Open changed the file box"

keys alt+F4
app_wait_end
echo PASS
