#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace quenzal {

// The program's single-byte code page: Windows-1252, with its five unassigned
// bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) standing for the C1 controls of the same
// value, so that codes 0..255 and their characters are one-to-one.
namespace CodePage {

// The character of a code.
char16_t toUnicode(std::uint8_t code);

// The code of a character, or nothing when the code page cannot represent it.
std::optional<std::uint8_t> toCode(char16_t ch);

// A character (a whole code point: a surrogate pair counts as one) that the
// code page cannot represent, and where it starts in the text.
struct Unrepresentable
{
    qsizetype index;
    char32_t codePoint;
};

std::optional<Unrepresentable> firstUnrepresentable(QStringView text);

// The codes of a text. Every character must be representable: check with
// firstUnrepresentable() first.
QByteArray encode(QStringView text);

// The text of a run of codes; every byte decodes.
QString decode(QByteArrayView codes);

// "😀" (U+1F600): how messages name a character; one that would not show as
// itself (isHiddenCharacter(): U+0000, U+202E, ...) by its code alone.
QString describe(char32_t codePoint);

} // namespace CodePage
} // namespace quenzal
