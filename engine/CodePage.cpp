#include "engine/CodePage.h"

#include "base/VisibleText.h"
#include "engine/CodePageTables.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace quenzal::CodePage {
namespace {

std::size_t indexOf(int number)
{
    const auto *it = std::find(kNumbers.begin(), kNumbers.end(), number);
    return it == kNumbers.end() ? indexOf(kWestern) : std::size_t(it - kNumbers.begin());
}

// Each code page is built when it is first asked for: a run in one code page
// (quenzal-cli's, say) builds only that one.
template <std::size_t Index> const Page &pageAt()
{
    static const Page page(kNumbers[Index]);
    return page;
}

const Page &pageAt(std::size_t index)
{
    static constexpr auto kPages = []<std::size_t... Indexes>(std::index_sequence<Indexes...>)
    {
        return std::array<const Page &(*)(), sizeof...(Indexes)>{&pageAt<Indexes>...};
    }
    (std::make_index_sequence<kNumbers.size()>());
    return kPages[index]();
}

const Page *g_current = nullptr;

// Windows' ANSI code page of each language it does not give Windows-1252, by
// the language's ISO 639 code.
struct Language
{
    const char *code;
    int codePage;
};

constexpr Language kLanguages[] = {
    // Central European
    {"pl", 1250},
    {"cs", 1250},
    {"sk", 1250},
    {"hu", 1250},
    {"sl", 1250},
    {"hr", 1250},
    {"bs", 1250},
    {"ro", 1250},
    {"sq", 1250},
    {"tk", 1250},
    // Cyrillic (Serbian written in Latin letters is Central European)
    {"ru", 1251},
    {"uk", 1251},
    {"be", 1251},
    {"bg", 1251},
    {"sr", 1251},
    {"mk", 1251},
    {"kk", 1251},
    {"ky", 1251},
    {"tt", 1251},
    {"mn", 1251},
    {"ba", 1251},
    {"tg", 1251},
    {"el", 1253},
    {"tr", 1254},
    {"az", 1254},
    {"uz", 1254},
    {"he", 1255},
    {"iw", 1255},
    {"yi", 1255},
    {"ar", 1256},
    {"fa", 1256},
    {"ur", 1256},
    {"ps", 1256},
    {"ug", 1256},
    {"ckb", 1256},
    {"sd", 1256},
    {"et", 1257},
    {"lv", 1257},
    {"lt", 1257},
    {"vi", 1258},
    {"th", 874},
};

} // namespace

Page::Page(int number) : m_number(number)
{
    const auto *table = std::find_if(kCodePageTables.begin(), kCodePageTables.end(),
                                     [number](const auto &t) { return t.number == number; });
    if (table == kCodePageTables.end())
        std::abort(); // made only for the numbers the tables have
    m_characters = &table->characters;
    static const Row kNone = [] {
        Row row;
        row.fill(-1);
        return row;
    }();
    m_rows.fill(&kNone);
    std::size_t used = 0;
    for (int code = 0; code < 256; ++code) {
        const char16_t ch = (*m_characters)[std::size_t(code)];
        const std::size_t high = ch >> 8;
        if (m_rows[high] == &kNone) {
            if (used == m_storage.size())
                std::abort(); // the generated tables never use this many rows
            m_storage[used].fill(-1);
            m_rows[high] = &m_storage[used++];
        }
        const_cast<Row &>(*m_rows[high])[ch & 0xFF] = std::int16_t(code);
    }
}

std::optional<QByteArray> Page::decomposedCodes(char32_t codePoint) const
{
    // The letter and its marks (canonically decomposed), the letter then
    // taking each mark that makes a letter of the code page with it: Windows-
    // 1258 holds "ệ" as "ê" and the dot below, and "ắ" as "ă" and the acute.
    const QString whole = QString::fromUcs4(&codePoint, 1);
    const QString parts = whole.normalized(QString::NormalizationForm_D);
    if (parts == whole || parts.size() < 2 || parts.front().isSurrogate())
        return std::nullopt;
    QChar letter = parts.front();
    QString marks;
    for (const QChar mark : QStringView(parts).sliced(1)) {
        const QString joined = QString(letter) + mark;
        const QString composed = joined.normalized(QString::NormalizationForm_C);
        if (composed.size() == 1 && toCode(composed.front().unicode()))
            letter = composed.front();
        else
            marks += mark;
    }
    QByteArray codes;
    for (const QChar ch : QString(letter) + marks) {
        const auto code = toCode(ch.unicode());
        if (!code)
            return std::nullopt;
        codes += char(*code);
    }
    return codes;
}

bool isKnown(int number)
{
    return std::find(kNumbers.begin(), kNumbers.end(), number) != kNumbers.end();
}

QString name(int number)
{
    const char *script = "Western European";
    switch (number) {
    case 874:
        script = "Thai";
        break;
    case 1250:
        script = "Central European";
        break;
    case 1251:
        script = "Cyrillic";
        break;
    case 1253:
        script = "Greek";
        break;
    case 1254:
        script = "Turkish";
        break;
    case 1255:
        script = "Hebrew";
        break;
    case 1256:
        script = "Arabic";
        break;
    case 1257:
        script = "Baltic";
        break;
    case 1258:
        script = "Vietnamese";
        break;
    default:
        break;
    }
    return QStringLiteral("Windows-%1 (%2)").arg(number).arg(QLatin1String(script));
}

int ofLocale(QStringView locale)
{
    // language[_TERRITORY][.codeset][@modifier]
    // Every language code is ASCII letters: they are lowered without Qt's
    // Unicode tables, which a plain-text run of quenzal-cli never needs.
    QString language;
    for (const QChar ch : locale) {
        if (!ch.isLetter())
            break;
        language += ch >= u'A' && ch <= u'Z' ? QChar(ch.unicode() + (u'a' - u'A')) : ch;
    }
    if (language == u"sr" && locale.contains(u"@latin", Qt::CaseInsensitive))
        return 1250;
    for (const auto &[code, codePage] : kLanguages) {
        if (language == QLatin1String(code))
            return codePage;
    }
    return kWestern;
}

int ofSystemLanguage()
{
    for (const char *variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return ofLocale(value);
    }
    return ofLocale(QLocale::system().name());
}

const Page &page(int number)
{
    return pageAt(indexOf(number));
}

const Page &currentPage()
{
    return g_current ? *g_current : page(kWestern);
}

int current()
{
    return currentPage().number();
}

void setCurrent(int number)
{
    if (isKnown(number))
        g_current = &page(number);
}

char16_t toUnicode(std::uint8_t code)
{
    return currentPage().toUnicode(code);
}

std::optional<std::uint8_t> toCode(char16_t ch)
{
    return currentPage().toCode(ch);
}

namespace {

char32_t codePointAt(QStringView text, qsizetype i)
{
    const char16_t ch = text[i].unicode();
    if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(ch, text[i + 1].unicode());
    return ch;
}

} // namespace

std::optional<Unrepresentable> firstUnrepresentable(QStringView text)
{
    const Page &codePage = currentPage();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (codePage.toCode(text[i].unicode()))
            continue;
        const char32_t codePoint = codePointAt(text, i);
        if (codePage.decomposedCodes(codePoint)) {
            i += codePoint > 0xFFFF ? 1 : 0;
            continue;
        }
        return Unrepresentable{i, codePoint};
    }
    return std::nullopt;
}

QByteArray encode(QStringView text)
{
    const Page &codePage = currentPage();
    QByteArray codes(text.size(), Qt::Uninitialized);
    char *out = codes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (const auto code = codePage.toCode(text[i].unicode())) {
            *out++ = char(*code);
            continue;
        }
        // A letter held as a letter and marks: the rare slow way.
        const char32_t codePoint = codePointAt(text, i);
        const auto decomposed = codePage.decomposedCodes(codePoint);
        const QByteArray sequence = decomposed ? *decomposed : QByteArray(1, '?');
        const qsizetype done = out - codes.data();
        const qsizetype consumed = codePoint > 0xFFFF ? 2 : 1;
        codes.resize(codes.size() + sequence.size() - consumed);
        out = codes.data() + done;
        out = std::copy(sequence.begin(), sequence.end(), out);
        i += consumed - 1;
    }
    return codes;
}

QString decode(QByteArrayView codes)
{
    const Page &codePage = currentPage();
    QString text(codes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : codes)
        *out++ = QChar(codePage.toUnicode(std::uint8_t(byte)));
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

std::optional<int> holding(char32_t codePoint)
{
    std::array<int, kNumbers.size()> order = kNumbers;
    std::stable_partition(order.begin(), order.end(), [](int n) { return n == kWestern; });
    for (const int number : order) {
        if (number == current())
            continue;
        const Page &other = page(number);
        if ((codePoint <= 0xFFFF && other.toCode(char16_t(codePoint))) ||
            other.decomposedCodes(codePoint))
            return number;
    }
    return std::nullopt;
}

QString notHeld(char32_t codePoint)
{
    QString text =
        QStringLiteral("%1, the code page in force, has no such character").arg(name(current()));
    if (const auto other = holding(codePoint))
        text += QStringLiteral("; %1 has it").arg(name(*other));
    return text + u'.';
}

} // namespace quenzal::CodePage
