#include "platform/rtf/CodePageDecoder.h"

#include "engine/CodePage.h"

#include <QByteArray>
#include <QList>

namespace quenzal::rtf {
namespace {

// One of the program's own code pages, one to one on 0..255 as the program
// reads and writes them.
void fillFrom(const CodePage::Page &page, std::array<char16_t, 256> &table)
{
    for (int i = 0; i < 256; ++i)
        table[std::size_t(i)] = page.toUnicode(std::uint8_t(i));
}

void fillWindows1252(std::array<char16_t, 256> &table)
{
    fillFrom(CodePage::page(CodePageDecoder::kWindows1252), table);
}

// The Symbol font's letters and signs that documents use (list bullets,
// Greek letters, arrows, maths); its other bytes read as Windows-1252.
void fillSymbol(std::array<char16_t, 256> &table)
{
    fillWindows1252(table);
    const char16_t upper[] = u"\u0391\u0392\u03A7\u0394\u0395\u03A6\u0393\u0397\u0399\u03D1\u039A"
                             u"\u039B\u039C\u039D\u039F\u03A0\u0398\u03A1\u03A3\u03A4\u03A5\u03C2"
                             u"\u03A9\u039E\u03A8\u0396";
    const char16_t lower[] = u"\u03B1\u03B2\u03C7\u03B4\u03B5\u03C6\u03B3\u03B7\u03B9\u03D5\u03BA"
                             u"\u03BB\u03BC\u03BD\u03BF\u03C0\u03B8\u03C1\u03C3\u03C4\u03C5\u03D6"
                             u"\u03C9\u03BE\u03C8\u03B6";
    for (int i = 0; i < 26; ++i) {
        table[0x41 + i] = upper[i];
        table[0x61 + i] = lower[i];
    }
    const std::pair<unsigned char, char16_t> signs[] = {
        {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212},
        {0x40, 0x2245}, {0x5C, 0x2234}, {0x5E, 0x22A5}, {0x7E, 0x223C}, {0xA1, 0x03D2},
        {0xA2, 0x2032}, {0xA3, 0x2264}, {0xA4, 0x2044}, {0xA5, 0x221E}, {0xA6, 0x0192},
        {0xA7, 0x2663}, {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAB, 0x2194},
        {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192}, {0xAF, 0x2193}, {0xB0, 0x00B0},
        {0xB1, 0x00B1}, {0xB2, 0x2033}, {0xB3, 0x2265}, {0xB4, 0x00D7}, {0xB5, 0x221D},
        {0xB6, 0x2202}, {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260}, {0xBA, 0x2261},
        {0xBB, 0x2248}, {0xBC, 0x2026}, {0xC5, 0x2295}, {0xC6, 0x2205}, {0xD2, 0x00AE},
        {0xD3, 0x00A9}, {0xD4, 0x2122}, {0xD7, 0x22C5}, {0xD8, 0x00AC}, {0xE0, 0x25CA}};
    for (const auto &[byte, ch] : signs)
        table[byte] = ch;
}

// The Wingdings glyphs that list bullets use.
void fillWingdings(std::array<char16_t, 256> &table)
{
    fillWindows1252(table);
    const std::pair<unsigned char, char16_t> glyphs[] = {
        {0x6C, 0x25CF}, {0x6E, 0x25A0}, {0x6F, 0x25A1}, {0x71, 0x2751}, {0x75, 0x25C6},
        {0x76, 0x2756}, {0x9F, 0x2022}, {0xA7, 0x25AA}, {0xA8, 0x25FB}, {0xD8, 0x27A2},
        {0xE0, 0x27A2}, {0xFB, 0x2717}, {0xFC, 0x2713}, {0xFE, 0x2611}};
    for (const auto &[byte, ch] : glyphs)
        table[byte] = ch;
}

bool isMultiByte(int number)
{
    switch (number) {
    case 932:
    case 936:
    case 949:
    case 950:
    case 1361:
    case 20932:
    case 54936:
    case 65001:
        return true;
    default:
        return false;
    }
}

// The names under which ICU may know a Windows code page, most exact first.
QList<QByteArray> decoderNames(int number)
{
    switch (number) {
    case 932:
        return {"windows-31j", "Shift_JIS"};
    case 936:
        return {"GBK", "windows-936"};
    case 949:
        return {"windows-949", "EUC-KR"};
    case 950:
        return {"windows-950", "Big5"};
    case 1361:
        return {"ibm-1361", "johab"};
    case 10000:
        return {"macintosh"};
    case 10006:
        return {"x-mac-greek"};
    case 10007:
        return {"x-mac-cyrillic"};
    case 10029:
        return {"x-mac-centraleurroman"};
    case 20127:
        return {"US-ASCII"};
    case 20866:
        return {"KOI8-R"};
    case 21866:
        return {"KOI8-U"};
    case 20932:
        return {"EUC-JP"};
    case 54936:
        return {"GB18030"};
    case 65001:
        return {"UTF-8"};
    default:
        break;
    }
    if (number >= 28591 && number <= 28606)
        return {"ISO-8859-" + QByteArray::number(number - 28590)};
    const QByteArray digits = QByteArray::number(number);
    return {"windows-" + digits, "cp" + digits, "IBM" + digits};
}

} // namespace

CodePageDecoder::CodePageDecoder(int number) : m_number(number)
{
    if (CodePage::isKnown(number)) {
        fillFrom(CodePage::page(number), m_table);
        return;
    }
    if (number == kSymbol) {
        fillSymbol(m_table);
        return;
    }
    if (number == kWingdings) {
        fillWingdings(m_table);
        return;
    }
    if (number > 0) {
        for (const QByteArray &name : decoderNames(number)) {
            m_decoder = QStringDecoder(name.constData(), QStringConverter::Flag::Stateless);
            if (m_decoder.isValid())
                break;
        }
    }
    if (!m_decoder.isValid()) {
        // Qt (built without ICU, or an ICU without this code page) has no
        // decoder for it: read the bytes as Windows-1252, which keeps ASCII
        // right and every other byte distinct.
        fillWindows1252(m_table);
        return;
    }
    if (isMultiByte(number)) {
        m_singleByte = false;
        return;
    }
    // A single-byte code page: ask the decoder once for each byte.
    for (int i = 0; i < 256; ++i) {
        const char byte = char(i);
        m_decoder.resetState();
        const QString one = m_decoder.decode(QByteArrayView(&byte, 1));
        m_table[i] = one.size() == 1 ? one.at(0).unicode() : char16_t(0xFFFD);
    }
}

void CodePageDecoder::appendText(QByteArrayView bytes, QString &out)
{
    if (m_singleByte) {
        const qsizetype start = out.size();
        out.resize(start + bytes.size());
        char16_t *dst = reinterpret_cast<char16_t *>(out.data()) + start;
        for (const char byte : bytes)
            *dst++ = m_table[static_cast<unsigned char>(byte)];
        return;
    }
    m_decoder.resetState();
    const qsizetype start = out.size();
    out += m_decoder.decode(bytes);
    // ICU writes SUB (U+001A) for a byte pair that is no character; a lead
    // byte at the very end it drops. Both become U+FFFD, so that a damaged
    // character shows as one.
    if (!bytes.contains('\x1a')) {
        for (qsizetype i = start; i < out.size(); ++i) {
            if (out.at(i) == u'\x1a')
                out[i] = QChar::ReplacementCharacter;
        }
    }
    if (endsInLeadByte(bytes))
        out += QChar::ReplacementCharacter;
}

bool CodePageDecoder::endsInLeadByte(QByteArrayView bytes) const
{
    const auto isLead = [this](unsigned char byte) {
        switch (m_number) {
        case 932:
            return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        case 936:
        case 949:
        case 950:
            return byte >= 0x81 && byte <= 0xFE;
        default:
            return false;
        }
    };
    bool lead = false;
    for (const char byte : bytes)
        lead = !lead && isLead(static_cast<unsigned char>(byte));
    return lead;
}

int CodePageDecoder::forCharset(int charset, int documentCodePage, bool wingdings)
{
    switch (charset) {
    case 0:
        return kWindows1252;
    case 2:
        return wingdings ? kWingdings : kSymbol;
    case 77:
        return 10000;
    case 78:
        return 932;
    case 79:
        return 949;
    case 80:
        return 936;
    case 81:
        return 950;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default: // 1 (default charset) and anything unknown
        return documentCodePage;
    }
}

int CodePageDecoder::charsetOf(int codePage)
{
    switch (codePage) {
    case 874:
        return 222;
    case 1250:
        return 238;
    case 1251:
        return 204;
    case 1253:
        return 161;
    case 1254:
        return 162;
    case 1255:
        return 177;
    case 1256:
        return 178;
    case 1257:
        return 186;
    case 1258:
        return 163;
    default:
        return 0;
    }
}

CodePageDecoder &CodePageDecoders::get(int number)
{
    if (m_last && m_last->number() == number)
        return *m_last;
    // A damaged file could name thousands of code pages; past a few dozen
    // the rest read as Windows-1252.
    if (m_pages.size() >= 64 && !m_pages.count(number))
        number = CodePageDecoder::kWindows1252;
    auto &page = m_pages[number];
    if (!page)
        page = std::make_unique<CodePageDecoder>(number);
    m_last = page.get();
    return *page;
}

} // namespace quenzal::rtf
