# OpenPGP password messages in the window as a user meets them: a typed text
# encrypted for sending, copied to the X clipboard and decrypted by gpg; a
# message from gpg, quoted in a reply and pasted, decrypted back exactly; a
# wrong password refused with an "Error" box that leaves the lower area as
# it was.
. "$E2E_LIB"

e2e_start
gpg_home

app_start
win=$(main_window_open)
window_focus "$win"

# Two typed lines (a typed line break is CR LF), encrypted for sending.
keys Tab Tab Tab                # the upper area
type_text "Dear Ann,"
keys Return
type_text "the key is under the mat."
keys alt+m e                    # Message, Encrypt for Sending
asking=$(window_wait "Encrypt for Sending")
window_focus "$asking"
screenshot encrypt-window
type_text "a long way"
keys Tab
type_text "a long way"
keys Return
window_gone "Encrypt for Sending"
window_active "$win"
keys alt+e Return               # Edit, Copy: the lower area
armoured() {
    case "$(clipboard)" in
    "-----BEGIN PGP MESSAGE-----"*"-----END PGP MESSAGE-----"*) return 0 ;;
    *) return 1 ;;
    esac
}
wait_until "the lower area holds no armoured message" armoured
clipboard >"$E2E_HOME/sent.asc"
screenshot encrypted
gpg_with "a long way" --decrypt --output "$E2E_HOME/read.txt" "$E2E_HOME/sent.asc"
printf 'Dear Ann,\r\nthe key is under the mat.' | cmp - "$E2E_HOME/read.txt" ||
    fail "gpg did not read the typed text back exactly"

# A reply that quotes a message gpg made: every kind of line break, and
# characters beyond ASCII.
printf 'Caf\303\251 at noon,\nbring \342\200\236the key\342\200\234\r\nand\rthe map.' \
    >"$E2E_HOME/reply.txt"
gpg_with "open sesame" --symmetric --armor --output "$E2E_HOME/reply.asc" "$E2E_HOME/reply.txt"
{
    printf 'On Monday, Bob wrote:\n'
    sed 's/^/> /' "$E2E_HOME/reply.asc"
    printf '\nSee you!\n'
} | clipboard_set
keys ctrl+a ctrl+v              # the upper area (it kept the focus), replaced by the reply
keys alt+m d                    # Message, Decrypt Message
asking=$(window_wait "Decrypt Message")
window_focus "$asking"
screenshot decrypt-window
type_text "open sesame"
keys Return
window_gone "Decrypt Message"
window_active "$win"
keys alt+e Return
expected=$(cat "$E2E_HOME/reply.txt"; printf X)
clipboard_wait "${expected%X}" "the lower area does not hold the quoted message's text exactly"
screenshot decrypted

# A wrong password: an "Error" box, then the password may be typed again;
# Escape gives up, and the lower area keeps the text it had.
keys alt+m d
asking=$(window_wait "Decrypt Message")
window_focus "$asking"
type_text "open says me"
keys Return
error=$(window_wait Error)
screenshot wrong-password
window_focus "$error"
keys Return
window_gone Error
window_focus "$asking"
keys Escape
window_gone "Decrypt Message"
window_active "$win"
printf 'not the lower area' | clipboard_set
keys alt+e Return
clipboard_wait "${expected%X}" "a wrong password changed the lower area"

main_window_close "$win"
echo "PASS"
