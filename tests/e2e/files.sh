# Files and the clipboard as a user meets them: a .txt file opened through the
# real dialog by typing its path, scrambled and copied to the X clipboard
# exactly; a scrambled text pasted from the X clipboard and unscrambled back;
# a .rtf file written by another program opened and its text read back.
. "$E2E_LIB"

here=$(dirname "$E2E_LIB")
rtf_sample="$here/../platform/rtf/corpus/wordpad-formatting-01.rtf"
[ -f "$rtf_sample" ] || fail "no $rtf_sample"

# The corpus's lenient comparison: LF line ends, no trailing white space on a
# line, no trailing blank lines.
lenient() {
    tr -d '\r' | sed 's/[[:space:]]*$//' |
        awk '{ line[NR] = $0 } $0 != "" { last = NR } END { for (i = 1; i <= last; i++) print line[i] }'
}

rtf_text_is_reference() {
    [ "$(clipboard | lenient)" = "$(lenient <"${rtf_sample%.rtf}.txt")" ]
}

# Opens a file through the Open dialog that the keys already asked for, and
# waits until the main window has the keyboard again.
open_file() {
    window_wait Open >/dev/null
    type_text "$1"
    keys Return
    window_gone Open
    window_active "$win"
}

e2e_start
# A message in Windows-1252, with CR LF line ends: "Café »3«!" on line two.
printf 'Meet me at noon.\r\nBring the key, Caf\351 \2733\253!\r\n' >"$E2E_HOME/message.txt"
original=$(printf 'Meet me at noon.\r\nBring the key, Café »3«!\r\nX')
# The same scrambled twice without passwords, as UTF-8: control characters,
# C1 codes, a no-break space and typographic quotes among them.
scrambled=$(printf '\117\155\167\342\200\235\122\302\265\303\207\302\240\004\075\023\302\217\303\202\303\270\062\060\121\342\200\235\027\342\200\242\303\236\072\302\215\302\244\133\302\265\035\106\004\164\003\064\302\252\124\303\274\302\220\302\246\163\302\251\302\277\303\232\303\266\302\215\071X')

app_start
win=$(main_window_open)
window_focus "$win"

# FILE (second in the tab order), then the path typed into the dialog.
keys Tab space
open_file "$E2E_HOME/message.txt"
screenshot opened-txt

keys Tab space                  # Scramble, next in the tab order
keys alt+e Return               # Edit, Copy
clipboard_wait "${scrambled%X}" "the clipboard does not hold the scrambled text exactly"

# Back through the X clipboard: Paste over the whole upper area, Unscramble.
printf '%s' "${scrambled%X}" | clipboard_set
keys Tab ctrl+a                 # the upper area, all of it selected
keys alt+e Down Return          # Edit, Paste
keys Tab Tab Tab Tab space      # lower area, both password fields, Unscramble
keys alt+e Return               # Edit, Copy
clipboard_wait "${original%X}" "unscrambling the pasted text did not give the message back"
screenshot unscrambled

# From the upper area (back past both password fields and the lower area),
# File, Open, then the upper area's whole text copied with the keyboard.
keys shift+Tab shift+Tab shift+Tab shift+Tab alt+f Return
open_file "$rtf_sample"
screenshot opened-rtf
keys ctrl+a ctrl+c
(wait_until "" rtf_text_is_reference 2>/dev/null) ||
    fail "the opened .rtf file's text is not its reference text; the upper area holds:
$(clipboard)"

keys alt+F4
app_wait_end
echo PASS
