#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace quenzal {

// The program's single-byte code pages: the ANSI code pages of Windows, each
// one to one on codes 0..255. A byte a code page leaves unassigned stands for
// the character Windows gives it, which no assigned byte uses (the C1 control
// of the same value, or a private-use character), so that every code has one
// character and back.
//
// One of them is in force for the whole program (Windows-1252 until the
// program chooses): the functions without a code page use it.
namespace CodePage {

// The code pages, by Windows' numbers.
inline constexpr std::array<int, 10> kNumbers = {874,  1250, 1251, 1252, 1253,
                                                 1254, 1255, 1256, 1257, 1258};
inline constexpr int kWestern = 1252;

bool isKnown(int number);

// "Windows-1251 (Cyrillic)".
QString name(int number);

// The code page of a locale's language ("ru_RU.UTF-8", "sr_RS@latin", "C"),
// as Windows gives each language its ANSI code page: Windows-1252 for C,
// POSIX, English, the Western European languages and every language it does
// not list.
int ofLocale(QStringView locale);
// The code page of the system's language: the locale of LC_ALL, LC_CTYPE or
// LANG, the first that is set, or else Qt's system locale.
int ofSystemLanguage();

// The code page in force.
int current();
// Puts a known code page in force; an unknown number changes nothing.
void setCurrent(int number);

// One code page.
class Page
{
public:
    explicit Page(int number);
    // Its rows point into itself.
    Page(const Page &) = delete;
    Page &operator=(const Page &) = delete;

    int number() const { return m_number; }

    // The character of a code.
    char16_t toUnicode(std::uint8_t code) const { return (*m_characters)[code]; }

    // The code of a character, or nothing when the code page has none.
    std::optional<std::uint8_t> toCode(char16_t ch) const
    {
        const std::int16_t code = (*m_rows[ch >> 8])[ch & 0xFF];
        if (code < 0)
            return std::nullopt;
        return std::uint8_t(code);
    }

    // The codes of a character that the code page holds only as a letter
    // and combining marks (Windows-1258's Vietnamese letters), or nothing.
    std::optional<QByteArray> decomposedCodes(char32_t codePoint) const;

private:
    using Row = std::array<std::int16_t, 256>;
    int m_number;
    const std::array<char16_t, 256> *m_characters = nullptr;
    std::array<const Row *, 256> m_rows{};
    std::array<Row, 16> m_storage{};
};

// A known code page (Windows-1252 for an unknown number), and the one in force.
const Page &page(int number);
const Page &currentPage();

// In the code page in force:

// The character of a code.
char16_t toUnicode(std::uint8_t code);

// The code of a character, or nothing when the code page cannot represent it.
std::optional<std::uint8_t> toCode(char16_t ch);

// A character (a whole code point: a surrogate pair counts as one) that the
// code page cannot represent, and where it starts in the text. A letter the
// code page holds as a letter and combining marks is represented by them.
struct Unrepresentable
{
    qsizetype index;
    char32_t codePoint;
};

std::optional<Unrepresentable> firstUnrepresentable(QStringView text);

// The codes of a text, a letter held as a letter and marks taken as that
// sequence. Every character must be representable: check with
// firstUnrepresentable() first.
QByteArray encode(QStringView text);

// The text of a run of codes; every byte decodes.
QString decode(QByteArrayView codes);

// "😀" (U+1F600): how messages name a character; one that would not show as
// itself (isHiddenCharacter(): U+0000, U+202E, ...) by its code alone.
QString describe(char32_t codePoint);

// Another code page that holds a character, or nothing: Windows-1252 first,
// then by number.
std::optional<int> holding(char32_t codePoint);

// What a refusal adds about a character the code page in force lacks:
// "Windows-1252 (Western European), the code page in force, has no such
// character; Windows-1251 (Cyrillic) has it."
QString notHeld(char32_t codePoint);

} // namespace CodePage
} // namespace quenzal
