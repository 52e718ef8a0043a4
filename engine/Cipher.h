#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <span>

namespace quenzal {

// Receives the cipher's progress, a whole percentage 0..100.
using ProgressHook = std::function<void(float)>;

// The password key: the sum of (code + 13) over the password's characters.
// Every character must be representable in the code page.
std::int64_t passwordKey(QStringView password);

// The code that the character with code `code` at 1-based `position` becomes:
// the member of 1..255 congruent modulo 255 to code + (key + position²) when
// scrambling, or to code - (key + position²) when unscrambling. A value already
// inside 1..255 stays as it is. Worked modulo 255, so no key or position
// overflows.
std::uint8_t scrambleCode(std::uint8_t code, std::int64_t key, std::int64_t position,
                          bool scramble);

// The program's cipher. Shifts every character of `text` by the password key and
// the square of its position, adding when `scramble` is true and subtracting
// otherwise. Reports progress once per character, after its code is computed
// (the whole percentage 100 * i / n, halves rounded up), then 0 at the end;
// an empty text reports only the 0. Text and password must be representable in
// the code page in force; a letter it holds only as a letter and marks goes
// through as those, so the result has a character for each of them. 64-bit
// arithmetic: no length or password overflows.
QString ScrambleText(const QString &text, const QString &password, bool scramble,
                     const ProgressHook &progress = {});

// Why `value` cannot go through the cipher: "The text contains a character
// that cannot be scrambled: "😀" (U+1F600)." for its first character that the
// code page cannot represent, or an empty string when there is none. `what`
// names the value ("The text", "The first password"). With `position`, the
// sentence also says where the character is, counting characters (a
// surrogate pair as one) from 1: "... (U+1F600) at character 12.". A second
// sentence names the code page in force and one that holds the character
// (CodePage::notHeld()).
QString cipherRefusal(const QString &what, QStringView value, bool scramble, bool position = false);

// Scramble refuses code 0 (U+0000), which Unscramble can never give back (it
// becomes code 255). Why a text's run of codes is refused for it: "The text
// contains a character that cannot be scrambled: U+0000 at character 12.",
// for the first one, counting from `firstPosition` for the run's first code
// (a long text goes through block by block), or an empty string when there
// is none. A text of code-page characters has one code per character.
QString codeZeroRefusal(QByteArrayView codes, std::int64_t firstPosition = 1);

// The same transformation on raw codes, without progress, for long inputs.
// `in` and `out` have the same size; they may be the same buffer. The first
// code is at 1-based `firstPosition`, so a long text can go through block by
// block: each block starts where the one before ended.
void scrambleCodes(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, std::int64_t key,
                   bool scramble, std::int64_t firstPosition = 1);

// Both passes of Scramble or Unscramble in one: the same codes as
// scrambleCodes() with `firstKey` and then with `secondKey`, in half the time.
void scrambleCodesTwice(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                        std::int64_t firstKey, std::int64_t secondKey, bool scramble,
                        std::int64_t firstPosition = 1);

} // namespace quenzal
