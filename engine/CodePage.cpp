#include "engine/CodePage.h"

#include "base/VisibleText.h"

#include <algorithm>
#include <array>

namespace quenzal::CodePage {
namespace {

// Windows-1252 0x80..0x9F; the five unassigned bytes keep their own value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

struct ReverseTable
{
    // Codes of U+0000..U+00FF (-1 where the code page has none) ...
    std::array<std::int16_t, 256> latin{};
    // ... and of the few characters above U+00FF, sorted by character.
    std::array<std::pair<char16_t, std::uint8_t>, 27> others{};
};

constexpr ReverseTable makeReverseTable()
{
    ReverseTable t;
    for (int c = 0; c < 256; ++c)
        t.latin[std::size_t(c)] = std::int16_t(c < 0x80 || c >= 0xA0 ? c : -1);
    std::size_t n = 0;
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        const char16_t ch = kHighControls[i];
        const auto code = std::uint8_t(0x80 + i);
        if (ch < 0x100)
            t.latin[ch] = code;
        else
            t.others[n++] = {ch, code};
    }
    // Insertion sort: constexpr and tiny.
    for (std::size_t i = 1; i < n; ++i)
        for (std::size_t j = i; j > 0 && t.others[j - 1].first > t.others[j].first; --j) {
            const auto tmp = t.others[j];
            t.others[j] = t.others[j - 1];
            t.others[j - 1] = tmp;
        }
    return t;
}

constexpr ReverseTable kReverse = makeReverseTable();

} // namespace

char16_t toUnicode(std::uint8_t code)
{
    return code >= 0x80 && code < 0xA0 ? kHighControls[code - 0x80] : char16_t(code);
}

std::optional<std::uint8_t> toCode(char16_t ch)
{
    if (ch < 0x100) {
        const auto code = kReverse.latin[ch];
        if (code < 0)
            return std::nullopt;
        return std::uint8_t(code);
    }
    const auto &others = kReverse.others;
    const auto *it =
        std::lower_bound(others.begin(), others.end(), ch,
                         [](const auto &entry, char16_t c) { return entry.first < c; });
    if (it != others.end() && it->first == ch)
        return it->second;
    return std::nullopt;
}

std::optional<Unrepresentable> firstUnrepresentable(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (toCode(ch))
            continue;
        char32_t codePoint = ch;
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            codePoint = QChar::surrogateToUcs4(ch, text[i + 1].unicode());
        return Unrepresentable{i, codePoint};
    }
    return std::nullopt;
}

QByteArray encode(QStringView text)
{
    QByteArray codes(text.size(), Qt::Uninitialized);
    char *out = codes.data();
    for (const QChar ch : text)
        *out++ = char(toCode(ch.unicode()).value_or('?'));
    return codes;
}

QString decode(QByteArrayView codes)
{
    QString text(codes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : codes)
        *out++ = QChar(toUnicode(std::uint8_t(byte)));
    return text;
}

QString describe(char32_t codePoint)
{
    // A character that would not show, or would reorder the message, by its code alone.
    if (isHiddenCharacter(codePoint))
        return codePointName(codePoint);
    return QStringLiteral("\"%1\" (%2)")
        .arg(QString::fromUcs4(&codePoint, 1), codePointName(codePoint));
}

} // namespace quenzal::CodePage
