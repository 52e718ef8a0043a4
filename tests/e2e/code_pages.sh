# The code page of the system's language as a user meets it: under a Russian
# and a Hebrew locale, a sentence typed in the language scrambles to the
# cipher's bytes in Windows-1251 and Windows-1255, as Save writes them; the
# Message menu shows the code page in force. The screenshots show the text
# (Hebrew right to left) and the menu.
. "$E2E_LIB"

# The cipher worked out on a text's bytes, with no passwords: the code at
# 1-based position i becomes the member of 1..255 congruent to code + i²,
# twice.
reference() {
    python3 -c '
import sys
codes = bytearray(sys.stdin.buffer.read())
for _ in range(2):
    for i in range(len(codes)):
        codes[i] = (codes[i] + (i + 1) ** 2 - 1) % 255 + 1
sys.stdout.buffer.write(codes)'
}

saved_is() {
    [ -f "$1" ] && cmp -s "$1" "$2"
}

# Makes the locale $1 (ru_RU.UTF-8) for this test alone, so that the program,
# Qt's input and xdotool run in it whichever locales the system has.
make_locale() {
    mkdir -p "$E2E_HOME/locales"
    localedef -i "${1%.*}" -f UTF-8 "$E2E_HOME/locales/$1" 2>/dev/null ||
        [ -d "$E2E_HOME/locales/$1" ] || fail "could not make the locale $1"
}

# language <locale> <code page> <sentence> <name> <keyboard layout>
language() {
    make_locale "$1"
    export LOCPATH="$E2E_HOME/locales" LANG="$1"
    unset LC_ALL LC_CTYPE
    app_start
    win=$(main_window_open)
    window_focus "$win"

    keys Tab Tab Tab             # the upper area
    # The language's own keyboard, as its users type: xdotool then presses
    # its keys, rather than remapping a spare key for each letter.
    setxkbmap -layout "$5"
    type_text "$3"
    setxkbmap -layout us
    keys shift+Tab space         # Scramble
    screenshot "$4-scrambled"
    keys alt+m p                 # Message, Code Page
    screenshot "$4-code-page-menu"
    keys Escape Escape

    printf '%s' "$3" | iconv -f UTF-8 -t "CP$2" | reference >"$E2E_HOME/expected.txt"
    keys alt+f Down Return       # File, Save
    window_wait "Save As" >/dev/null
    type_text "$E2E_HOME/$4.txt"
    keys Return
    wait_until "Save did not write the cipher's bytes in Windows-$2" \
        saved_is "$E2E_HOME/$4.txt" "$E2E_HOME/expected.txt"

    window_focus "$win"
    keys alt+F4
    app_wait_end
}

e2e_start
language ru_RU.UTF-8 1251 "Съешь же ещё этих мягких французских булок" russian ru
language he_IL.UTF-8 1255 "דג סקרן שט בים מאוכזב ולפתע מצא חברה" hebrew il
echo PASS
