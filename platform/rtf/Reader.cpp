#include "platform/rtf/Reader.h"

#include "engine/CodePage.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <unordered_map>

namespace quenzal::rtf {
namespace {

// Limits that keep damaged or hostile input from exhausting the machine.
constexpr int kMaxGroupDepth = 1000; // deeper groups share the innermost formatting
// Deeper \itap levels join the deepest table. Qt's layout of nested tables
// takes about twice as long for each level, so this stays small.
constexpr int kMaxTableDepth = 8;
constexpr int kMaxColumns = 63;       // as in Word; further cells join the last one
constexpr qint64 kMaxCells = 200'000; // over all tables; further cells join the last one
constexpr qint64 kMaxPictureBytes = 512LL * 1024 * 1024; // decoded pixels, all pictures
constexpr int kMaxInstruction = 4096;                    // characters of a field code kept
constexpr int kMaxTwips = 31680;                         // 22 inches, Word's largest indent
constexpr int kMaxHalfPoints = 3276;                     // 1638 points, Word's largest size

// A character format property: the hash of the format's font family.
constexpr int kFamilyKeyProperty = QTextFormat::UserProperty + 0x52;

constexpr char16_t kLineSeparator = 0x2028;

// The line breaks, other than a paragraph break, that a document can keep
// before a paragraph: one or two of CR, LF and the other characters at which
// a document starts a new block, but not CR LF, which a paragraph break is.
bool isLineBreakKind(QStringView chars)
{
    const auto isBreak = [](QChar ch) {
        return ch == u'\r' || ch == u'\n' || ch == QChar(0x2029) || ch == QChar(0xFDD0) ||
               ch == QChar(0xFDD1);
    };
    return !chars.isEmpty() && chars.size() <= 2 && chars != u"\r\n" &&
           std::all_of(chars.begin(), chars.end(), isBreak);
}

enum class Word : quint8 {
    Unknown,
    // Destinations.
    SkippedDestination,
    FontTable,
    ColorTable,
    Field,
    FieldInstruction,
    FieldResult,
    Picture,
    ShapePicture,
    NestedTableProps,
    LineBreakKind,
    // Document.
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    // Font and color tables.
    Charset,
    FontCodePage,
    Red,
    Green,
    Blue,
    // Special characters and breaks.
    Par,
    Line,
    Tab,
    EmDash,
    EnDash,
    Bullet,
    LeftQuote,
    RightQuote,
    LeftDoubleQuote,
    RightDoubleQuote,
    EmSpace,
    EnSpace,
    QuarterEmSpace,
    ZeroWidthJoiner,
    ZeroWidthNonJoiner,
    LeftToRightMark,
    RightToLeftMark,
    Section,
    FootnoteMark,
    Unicode,
    UnicodeSkip,
    Binary,
    // Tables.
    Cell,
    NestedCell,
    Row,
    NestedRow,
    InTable,
    TableLevel,
    // Character formatting.
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Font,
    FontSize,
    Foreground,
    Background,
    Superscript,
    Subscript,
    NoSuperSub,
    // Paragraph formatting.
    Pard,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    // Pictures.
    PngBlip,
    JpegBlip,
    OtherPicture,
    PictureWidth,
    PictureHeight,
    PictureGoalWidth,
    PictureGoalHeight,
    PictureScaleX,
    PictureScaleY,
};

const std::unordered_map<std::string_view, Word> &words()
{
    static const std::unordered_map<std::string_view, Word> table = [] {
        std::unordered_map<std::string_view, Word> map = {
            {"fonttbl", Word::FontTable},
            {"colortbl", Word::ColorTable},
            {"field", Word::Field},
            {"fldinst", Word::FieldInstruction},
            {"fldrslt", Word::FieldResult},
            {"pict", Word::Picture},
            {"shppict", Word::ShapePicture},
            {"nesttableprops", Word::NestedTableProps},
            {"quenzalbreak", Word::LineBreakKind},
            {"ansi", Word::Ansi},
            {"mac", Word::Mac},
            {"pc", Word::Pc},
            {"pca", Word::Pca},
            {"ansicpg", Word::AnsiCodePage},
            {"deff", Word::DefaultFont},
            {"fcharset", Word::Charset},
            {"cpg", Word::FontCodePage},
            {"red", Word::Red},
            {"green", Word::Green},
            {"blue", Word::Blue},
            {"par", Word::Par},
            {"line", Word::Line},
            {"tab", Word::Tab},
            {"emdash", Word::EmDash},
            {"endash", Word::EnDash},
            {"bullet", Word::Bullet},
            {"lquote", Word::LeftQuote},
            {"rquote", Word::RightQuote},
            {"ldblquote", Word::LeftDoubleQuote},
            {"rdblquote", Word::RightDoubleQuote},
            {"emspace", Word::EmSpace},
            {"enspace", Word::EnSpace},
            {"qmspace", Word::QuarterEmSpace},
            {"zwj", Word::ZeroWidthJoiner},
            {"zwnj", Word::ZeroWidthNonJoiner},
            {"ltrmark", Word::LeftToRightMark},
            {"rtlmark", Word::RightToLeftMark},
            {"sect", Word::Section},
            {"chftn", Word::FootnoteMark},
            {"u", Word::Unicode},
            {"uc", Word::UnicodeSkip},
            {"bin", Word::Binary},
            {"cell", Word::Cell},
            {"nestcell", Word::NestedCell},
            {"row", Word::Row},
            {"nestrow", Word::NestedRow},
            {"intbl", Word::InTable},
            {"itap", Word::TableLevel},
            {"plain", Word::Plain},
            {"b", Word::Bold},
            {"i", Word::Italic},
            {"ulnone", Word::UnderlineNone},
            {"strike", Word::Strike},
            {"striked", Word::Strike},
            {"f", Word::Font},
            {"fs", Word::FontSize},
            {"cf", Word::Foreground},
            {"cb", Word::Background},
            {"highlight", Word::Background},
            {"chcbpat", Word::Background},
            {"super", Word::Superscript},
            {"sub", Word::Subscript},
            {"nosupersub", Word::NoSuperSub},
            {"pard", Word::Pard},
            {"ql", Word::AlignLeft},
            {"qc", Word::AlignCenter},
            {"qr", Word::AlignRight},
            {"qj", Word::AlignJustify},
            {"qd", Word::AlignJustify},
            {"li", Word::LeftIndent},
            {"lin", Word::LeftIndent},
            {"ri", Word::RightIndent},
            {"rin", Word::RightIndent},
            {"fi", Word::FirstIndent},
            {"sb", Word::SpaceBefore},
            {"sa", Word::SpaceAfter},
            {"pngblip", Word::PngBlip},
            {"jpegblip", Word::JpegBlip},
            {"emfblip", Word::OtherPicture},
            {"wmetafile", Word::OtherPicture},
            {"macpict", Word::OtherPicture},
            {"dibitmap", Word::OtherPicture},
            {"wbitmap", Word::OtherPicture},
            {"pmmetafile", Word::OtherPicture},
            {"picw", Word::PictureWidth},
            {"pich", Word::PictureHeight},
            {"picwgoal", Word::PictureGoalWidth},
            {"pichgoal", Word::PictureGoalHeight},
            {"picscalex", Word::PictureScaleX},
            {"picscaley", Word::PictureScaleY},
        };
        for (const char *underline :
             {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
              "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",
              "ulwave"})
            map.emplace(underline, Word::Underline);
        // Destinations whose text is not part of the body: document
        // information and tables the reader does not use, headers, footers,
        // footnotes and comments, list label templates, drawing objects and
        // the fallbacks for readers that know no shapes or nested tables.
        for (const char *skipped : {"stylesheet",
                                    "info",
                                    "listtable",
                                    "listoverridetable",
                                    "revtbl",
                                    "rsidtbl",
                                    "filetbl",
                                    "pgdsctbl",
                                    "xmlnstbl",
                                    "template",
                                    "header",
                                    "headerl",
                                    "headerr",
                                    "headerf",
                                    "footer",
                                    "footerl",
                                    "footerr",
                                    "footerf",
                                    "footnote",
                                    "annotation",
                                    "atnid",
                                    "atnauthor",
                                    "atndate",
                                    "atnicn",
                                    "atnref",
                                    "atntime",
                                    "ftnsep",
                                    "ftnsepc",
                                    "ftncn",
                                    "aftnsep",
                                    "aftnsepc",
                                    "aftncn",
                                    "pn",
                                    "pntxta",
                                    "pntxtb",
                                    "pnseclvl",
                                    "nonshppict",
                                    "shp",
                                    "shprslt",
                                    "do",
                                    "nonesttables",
                                    "objdata",
                                    "objclass",
                                    "objname",
                                    "bkmkstart",
                                    "bkmkend",
                                    "xe",
                                    "tc",
                                    "txe",
                                    "rxe",
                                    "background",
                                    "author",
                                    "operator",
                                    "title",
                                    "subject",
                                    "keywords",
                                    "comment",
                                    "doccomm",
                                    "company",
                                    "category",
                                    "manager",
                                    "hlinkbase",
                                    "docvar",
                                    "userprops",
                                    "datafield",
                                    "fldtype",
                                    "formfield",
                                    "listpicture",
                                    "themedata",
                                    "list",
                                    "listlevel",
                                    "leveltext",
                                    "levelnumbers",
                                    "listname",
                                    "listoverride",
                                    "lfolevel",
                                    "colorschememapping",
                                    "latentstyles",
                                    "datastore",
                                    "generator",
                                    "mmathPr"})
            map.emplace(skipped, Word::SkippedDestination);
        return map;
    }();
    return table;
}

Word lookUp(std::string_view word)
{
    const auto &table = words();
    const auto it = table.find(word);
    return it == table.end() ? Word::Unknown : it->second;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int twips(int value)
{
    return std::clamp(value, -kMaxTwips, kMaxTwips);
}

// The bytes, after any UTF-8 byte order mark and white space, begin a group
// whose first word is \rtf.
bool hasRtfHeader(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    while (!bytes.isEmpty() && (bytes.front() == ' ' || bytes.front() == '\t' ||
                                bytes.front() == '\r' || bytes.front() == '\n'))
        bytes = bytes.sliced(1);
    return bytes.startsWith("{\\rtf");
}

// The target of a HYPERLINK field code: its first argument, or "#name" for
// the \l switch (a place in the same document).
QString hyperlinkTarget(QStringView instruction)
{
    QStringView rest = instruction.trimmed();
    if (!rest.startsWith(u"HYPERLINK", Qt::CaseInsensitive))
        return {};
    rest = rest.sliced(9);
    QString target;
    QString place;
    bool nextIsPlace = false;
    while (true) {
        rest = rest.trimmed();
        if (rest.isEmpty())
            break;
        QString argument;
        if (rest.front() == u'"') {
            const qsizetype close = rest.indexOf(u'"', 1);
            argument = rest.sliced(1, (close < 0 ? rest.size() : close) - 1).toString();
            rest = close < 0 ? QStringView() : rest.sliced(close + 1);
        } else {
            qsizetype end = 0;
            while (end < rest.size() && !rest[end].isSpace())
                ++end;
            argument = rest.first(end).toString();
            rest = rest.sliced(end);
            if (argument.startsWith(u'\\')) {
                nextIsPlace = argument.compare(u"\\l", Qt::CaseInsensitive) == 0;
                continue;
            }
        }
        if (nextIsPlace)
            place = argument;
        else if (target.isEmpty())
            target = argument;
        nextIsPlace = false;
    }
    if (!place.isEmpty())
        target += u'#' + place;
    return target;
}

} // namespace

int Reader::ParagraphProps::depth() const
{
    const int level = tableLevel > 0 ? tableLevel : (inTable ? 1 : 0);
    return std::min(level, kMaxTableDepth);
}

Reader::Reader(QByteArrayView rtf, const ReadOptions &options)
    : m_pos(rtf.data()), m_end(rtf.data() + rtf.size()),
      m_maxFontFamilies(std::max(options.maxFontFamilies, 0)),
      m_maxTableDepth(std::clamp(options.maxTableDepth, 1, kMaxTableDepth)),
      m_maxCells(std::clamp<qint64>(options.maxTableCells, 1, kMaxCells)), m_begin(m_pos),
      m_nextReport(options.progress ? m_pos : m_end), m_progress(options.progress),
      m_progressEvery(std::max<qint64>(options.progressEvery, 1))
{}

ReadResult Reader::read()
{
    ReadResult result;
    if (!hasRtfHeader(QByteArrayView(m_pos, m_end - m_pos))) {
        result.error = QStringLiteral("The file is not rich text: it does not begin with {\\rtf.");
        return result;
    }
    m_document = std::make_unique<QTextDocument>();
    m_document->setUndoRedoEnabled(false);
    m_cursor = QTextCursor(m_document.get());
    // One edit for the whole document: Qt then finds the tables' frames once
    // at the end instead of scanning the whole document after each cell.
    m_cursor.beginEditBlock();
    m_stack.reserve(64);
    m_stack.emplace_back(); // below the document's own group; never closed

    parse();
    if (m_stopped) {
        result.error = QStringLiteral("The reading was stopped.");
        return result;
    }

    flushBytes();
    flushRun();
    if (m_paragraphOpen || !m_paragraph.empty())
        endParagraph(ParagraphEnd::Document);
    while (!m_tables.empty())
        closeTable();
    if (m_defaultFont >= 0 && !m_fonts.value(m_defaultFont).name.isEmpty()) {
        QFont font = m_document->defaultFont();
        font.setFamilies({m_fonts.value(m_defaultFont).name});
        m_document->setDefaultFont(font);
    }
    m_cursor.endEditBlock();
    m_cursor = QTextCursor();
    m_document->setUndoRedoEnabled(true);
    m_document->setModified(false);
    result.document = std::move(m_document);
    return result;
}

// ---- Tokens ---------------------------------------------------------------

bool Reader::keepReading()
{
    const qint64 done = m_pos - m_begin;
    m_nextReport = m_pos + std::min<qint64>(m_progressEvery, m_end - m_pos);
    m_stopped = !m_progress(done, m_end - m_begin);
    return !m_stopped;
}

void Reader::parse()
{
    while (m_pos < m_end) {
        if (m_pos >= m_nextReport && !keepReading())
            return;
        switch (*m_pos) {
        case '{':
            ++m_pos;
            openGroup();
            break;
        case '}':
            ++m_pos;
            if (!closeGroup())
                return; // the document's own group has ended
            break;
        case '\\':
            ++m_pos;
            readControl();
            break;
        case '\r':
        case '\n':
            ++m_pos;
            break;
        default:
            readText();
            break;
        }
    }
}

// A run of literal bytes up to the next brace, backslash or line end.
void Reader::readText()
{
    const char *begin = m_pos;
    while (m_pos < m_end) {
        const char c = *m_pos;
        if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n')
            break;
        ++m_pos;
    }
    const char *end = m_pos;
    while (m_skip > 0 && begin < end) {
        --m_skip;
        ++begin;
    }
    if (begin < end)
        addBytes(begin, end);
}

bool Reader::consumeSkippedCharacter()
{
    if (m_skip <= 0)
        return false;
    --m_skip;
    return true;
}

void Reader::readControl()
{
    if (m_pos >= m_end)
        return;
    if (!isLetter(*m_pos)) {
        const char symbol = *m_pos++;
        if (symbol == '\'') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && m_pos < m_end && hexValue(*m_pos) >= 0) {
                value = value * 16 + hexValue(*m_pos++);
                ++digits;
            }
            if (digits == 0 || consumeSkippedCharacter())
                return;
            addByte(char(value));
            return;
        }
        if (symbol == '*') {
            // An optional destination: read it when the next word is one the
            // reader knows, skip the whole group otherwise.
            const char *p = m_pos;
            while (p < m_end && (*p == '\r' || *p == '\n' || *p == ' '))
                ++p;
            if (p + 1 < m_end && p[0] == '\\' && isLetter(p[1])) {
                m_pos = p + 1;
                readWord(true);
            } else {
                skipGroup();
            }
            return;
        }
        if (consumeSkippedCharacter())
            return;
        controlSymbol(symbol);
        return;
    }

    readWord(false);
}

// A control word from its first letter on: letters, an optional signed
// number, and the space that may end it.
void Reader::readWord(bool starred)
{
    const ControlWord read = lexWord();
    controlWord(read.word, read.hasParameter, read.parameter, starred);
}

Reader::ControlWord Reader::lexWord()
{
    const char *wordStart = m_pos;
    while (m_pos < m_end && isLetter(*m_pos))
        ++m_pos;
    ControlWord read;
    // Words are at most 32 letters; longer ones are unknown anyway.
    read.word = std::string_view(wordStart, std::min<size_t>(m_pos - wordStart, 32));
    bool negative = false;
    if (m_pos + 1 < m_end && *m_pos == '-' && isDigit(m_pos[1])) {
        negative = true;
        ++m_pos;
    }
    // Numbers beyond 32 bits are read to their end and clamped.
    qint64 value = 0;
    while (m_pos < m_end && isDigit(*m_pos)) {
        value = std::min<qint64>(value * 10 + (*m_pos++ - '0'), 1LL << 32);
        read.hasParameter = true;
    }
    if (m_pos < m_end && *m_pos == ' ')
        ++m_pos;
    read.parameter = int(std::clamp<qint64>(negative ? -value : value, INT_MIN, INT_MAX));
    return read;
}

void Reader::controlSymbol(char symbol)
{
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        addByte(symbol);
        break;
    case '~':
        addText(u"\u00A0");
        break;
    case '-':
        addText(u"\u00AD");
        break;
    case '_':
        addText(u"\u2011");
        break;
    case '\t':
        addText(u"\t");
        break;
    case '\r':
    case '\n':
        if (state().destination == Destination::Body)
            endParagraph(ParagraphEnd::Paragraph);
        break;
    default: // \| \: and unknown symbols
        break;
    }
}

void Reader::controlWord(std::string_view word, bool hasParameter, int parameter, bool starred)
{
    const Word kind = lookUp(word);
    if (starred && kind != Word::FieldInstruction && kind != Word::ShapePicture &&
        kind != Word::NestedTableProps && kind != Word::LineBreakKind) {
        skipGroup();
        return;
    }
    if (kind == Word::Binary) {
        const bool skipped = consumeSkippedCharacter();
        skipBinary(hasParameter ? parameter : 0,
                   !skipped && state().destination == Destination::Picture);
        return;
    }
    if (consumeSkippedCharacter())
        return;
    flushBytes();

    State &s = state();
    CharProps &chars = s.chars;
    ParagraphProps &paragraph = s.paragraph;
    const bool on = !hasParameter || parameter != 0;
    const bool body = s.destination == Destination::Body;
    switch (kind) {
    case Word::Unknown:
        break;
    case Word::SkippedDestination:
        skipGroup();
        break;
    case Word::FontTable:
        beginDestination(Destination::FontTable);
        break;
    case Word::ColorTable:
        beginDestination(Destination::ColorTable);
        m_red = m_green = m_blue = -1;
        break;
    case Word::Field:
        if (body) {
            s.field = int(m_fields.size());
            m_fields.emplace_back();
        }
        break;
    case Word::FieldInstruction:
        if (s.field >= 0 && body)
            beginDestination(Destination::FieldInstruction);
        else
            skipGroup();
        break;
    case Word::FieldResult:
        if (s.field >= 0 && m_fields[s.field].link >= 0)
            chars.link = m_fields[s.field].link;
        break;
    case Word::Picture:
        if (body) {
            beginDestination(Destination::Picture);
            m_picture = Picture();
        } else {
            skipGroup();
        }
        break;
    case Word::ShapePicture:
    case Word::NestedTableProps:
        break;
    case Word::LineBreakKind:
        if (body) {
            beginDestination(Destination::LineBreak);
            m_lineBreak.clear();
        } else {
            skipGroup();
        }
        break;
    case Word::Ansi:
        m_documentCodePage = CodePageDecoder::kWindows1252;
        break;
    case Word::Mac:
        m_documentCodePage = 10000;
        break;
    case Word::Pc:
        m_documentCodePage = 437;
        break;
    case Word::Pca:
        m_documentCodePage = 850;
        break;
    case Word::AnsiCodePage:
        if (parameter > 0)
            m_documentCodePage = parameter;
        break;
    case Word::DefaultFont:
        m_defaultFont = parameter;
        chars.font = parameter;
        break;
    case Word::Charset:
        if (s.destination == Destination::FontTable)
            m_fontCharset = parameter;
        break;
    case Word::FontCodePage:
        if (s.destination == Destination::FontTable)
            m_fontCodePage = parameter;
        break;
    case Word::Red:
        m_red = std::clamp(parameter, 0, 255);
        break;
    case Word::Green:
        m_green = std::clamp(parameter, 0, 255);
        break;
    case Word::Blue:
        m_blue = std::clamp(parameter, 0, 255);
        break;
    case Word::Par:
        if (body)
            endParagraph(ParagraphEnd::Paragraph);
        break;
    case Word::Section:
        // A section break ends the paragraph it is in, but after a \par it
        // makes no empty paragraph of its own.
        if (body && (m_paragraphOpen || !m_run.isEmpty() || !m_bytes.isEmpty()))
            endParagraph(ParagraphEnd::Paragraph);
        break;
    case Word::Line:
        addText(QStringView(&kLineSeparator, 1));
        break;
    case Word::Tab:
        addText(u"\t");
        break;
    case Word::EmDash:
        addText(u"\u2014");
        break;
    case Word::EnDash:
        addText(u"\u2013");
        break;
    case Word::Bullet:
        addText(u"\u2022");
        break;
    case Word::LeftQuote:
        addText(u"\u2018");
        break;
    case Word::RightQuote:
        addText(u"\u2019");
        break;
    case Word::LeftDoubleQuote:
        addText(u"\u201C");
        break;
    case Word::RightDoubleQuote:
        addText(u"\u201D");
        break;
    case Word::EmSpace:
        addText(u"\u2003");
        break;
    case Word::EnSpace:
        addText(u"\u2002");
        break;
    case Word::QuarterEmSpace:
        addText(u"\u2005");
        break;
    case Word::ZeroWidthJoiner:
        addText(u"\u200D");
        break;
    case Word::ZeroWidthNonJoiner:
        addText(u"\u200C");
        break;
    case Word::LeftToRightMark:
        addText(u"\u200E");
        break;
    case Word::RightToLeftMark:
        addText(u"\u200F");
        break;
    case Word::FootnoteMark:
        if (body)
            addText(QString::number(++m_footnotes));
        break;
    case Word::Unicode:
        if (hasParameter)
            addUnicode(parameter);
        break;
    case Word::UnicodeSkip:
        s.unicodeSkip = std::clamp(parameter, 0, 16);
        break;
    case Word::Binary:
        break; // handled above
    case Word::Cell:
    case Word::NestedCell:
        if (body)
            endParagraph(ParagraphEnd::Cell);
        break;
    case Word::Row:
        if (body)
            endRow(std::max(1, paragraph.depth()));
        break;
    case Word::NestedRow:
        if (body)
            endRow(std::max(2, paragraph.depth()));
        break;
    case Word::InTable:
        paragraph.inTable = true;
        break;
    case Word::TableLevel:
        paragraph.tableLevel = std::clamp(parameter, 0, kMaxTableDepth);
        break;
    case Word::Plain: {
        const int link = chars.link;
        chars = CharProps();
        chars.font = m_defaultFont;
        chars.link = link;
        break;
    }
    case Word::Bold:
        chars.bold = on;
        break;
    case Word::Italic:
        chars.italic = on;
        break;
    case Word::Underline:
        chars.underline = on;
        break;
    case Word::UnderlineNone:
        chars.underline = false;
        break;
    case Word::Strike:
        chars.strike = on;
        break;
    case Word::Font:
        if (s.destination == Destination::FontTable) {
            commitFont();
            m_fontNumber = parameter;
            m_fontCharset = -1;
            m_fontCodePage = 0;
            m_fontName.clear();
            m_fontPending = true;
        } else {
            chars.font = parameter;
        }
        break;
    case Word::FontSize:
        chars.halfPoints = parameter > 0 ? std::min(parameter, kMaxHalfPoints) : 24;
        break;
    case Word::Foreground:
        chars.foreground = parameter;
        break;
    case Word::Background:
        chars.background = parameter;
        break;
    case Word::Superscript:
        chars.verticalAlignment = on ? 1 : 0;
        break;
    case Word::Subscript:
        chars.verticalAlignment = on ? -1 : 0;
        break;
    case Word::NoSuperSub:
        chars.verticalAlignment = 0;
        break;
    case Word::Pard:
        paragraph = ParagraphProps();
        break;
    case Word::AlignLeft:
        paragraph.alignment = 0;
        break;
    case Word::AlignCenter:
        paragraph.alignment = 1;
        break;
    case Word::AlignRight:
        paragraph.alignment = 2;
        break;
    case Word::AlignJustify:
        paragraph.alignment = 3;
        break;
    case Word::LeftIndent:
        paragraph.leftIndent = twips(parameter);
        break;
    case Word::RightIndent:
        paragraph.rightIndent = twips(parameter);
        break;
    case Word::FirstIndent:
        paragraph.firstLineIndent = twips(parameter);
        break;
    case Word::SpaceBefore:
        paragraph.spaceBefore = std::clamp(parameter, 0, kMaxTwips);
        break;
    case Word::SpaceAfter:
        paragraph.spaceAfter = std::clamp(parameter, 0, kMaxTwips);
        break;
    case Word::PngBlip:
        m_picture.kind = 1;
        break;
    case Word::JpegBlip:
        m_picture.kind = 2;
        break;
    case Word::OtherPicture:
        m_picture.kind = 0;
        break;
    case Word::PictureWidth:
        m_picture.width = parameter;
        break;
    case Word::PictureHeight:
        m_picture.height = parameter;
        break;
    case Word::PictureGoalWidth:
        m_picture.goalWidth = parameter;
        break;
    case Word::PictureGoalHeight:
        m_picture.goalHeight = parameter;
        break;
    case Word::PictureScaleX:
        m_picture.scaleX = parameter;
        break;
    case Word::PictureScaleY:
        m_picture.scaleY = parameter;
        break;
    }
}

// Skips the rest of the current group, whatever it holds, and closes it.
void Reader::skipGroup()
{
    flushBytes();
    if (m_stack.size() <= 2 && m_overflowDepth == 0)
        return; // never the document's own group
    int depth = 1;
    while (m_pos < m_end) {
        const char c = *m_pos++;
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0) {
                closeGroup();
                return;
            }
        } else if (c == '\\' && m_pos < m_end) {
            if (!isLetter(*m_pos)) {
                ++m_pos; // \{ \} \\ and the other symbols
                continue;
            }
            // Read as outside a skipped group, so that \bin skips the same
            // bytes here as there.
            const ControlWord read = lexWord();
            if (read.word == "bin")
                m_pos += std::clamp<qint64>(read.parameter, 0, m_end - m_pos);
        }
    }
}

void Reader::skipBinary(int length, bool keep)
{
    const qint64 count = std::clamp<qint64>(length, 0, m_end - m_pos);
    if (keep && m_picture.kind != 0)
        m_picture.data.append(m_pos, count);
    m_pos += count;
}

// ---- Groups ---------------------------------------------------------------

void Reader::openGroup()
{
    flushBytes();
    m_skip = 0;
    if (m_stack.size() >= kMaxGroupDepth) {
        // Deeper groups share the innermost state, but each keeps what
        // decides where its text goes, so that a destination in it ends with
        // it.
        State &s = state();
        const OuterState saved{s.destination, s.ownsDestination, s.unicodeSkip, s.field};
        if (!m_outerStates.empty() && m_outerStates.back().first == saved)
            ++m_outerStates.back().second;
        else
            m_outerStates.emplace_back(saved, 1);
        s.ownsDestination = false;
        ++m_overflowDepth;
        return;
    }
    m_stack.push_back(m_stack.back());
    m_stack.back().ownsDestination = false;
}

bool Reader::closeGroup()
{
    flushBytes();
    m_skip = 0;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        auto &[saved, count] = m_outerStates.back();
        State &s = state();
        const State closed = s;
        s.destination = saved.destination;
        s.ownsDestination = saved.ownsDestination;
        s.unicodeSkip = saved.unicodeSkip;
        s.field = saved.field;
        if (--count == 0)
            m_outerStates.pop_back();
        finishGroup(closed);
        return true;
    }
    if (m_stack.size() <= 2)
        return false; // the document's own group: the end of the document
    const State closed = m_stack.back();
    m_stack.pop_back();
    finishGroup(closed);
    return true;
}

void Reader::finishGroup(const State &closed)
{
    if (closed.ownsDestination)
        endDestination(closed);
    else if (closed.destination == Destination::FontTable)
        commitFont(); // {\f1 Name} without the closing ;
}

void Reader::beginDestination(Destination destination)
{
    if (m_stack.size() <= 2)
        return; // not for the document's own group
    state().destination = destination;
    state().ownsDestination = true;
}

void Reader::endDestination(const State &closed)
{
    switch (closed.destination) {
    case Destination::FontTable:
        commitFont();
        break;
    case Destination::ColorTable:
        break;
    case Destination::FieldInstruction:
        if (closed.field >= 0)
            finishField(m_fields[closed.field]);
        break;
    case Destination::Picture:
        finishPicture();
        break;
    case Destination::LineBreak:
        if (isLineBreakKind(m_lineBreak))
            m_pendingLineBreak = m_lineBreak;
        break;
    case Destination::Body:
    case Destination::Ignored:
        break;
    }
}

// ---- Text -----------------------------------------------------------------

void Reader::addBytes(const char *begin, const char *end)
{
    switch (state().destination) {
    case Destination::Body:
        // Line ends are not text; other control bytes in the text are noise.
        for (const char *p = begin; p < end; ++p) {
            if (static_cast<unsigned char>(*p) < 0x20 && *p != '\t') {
                m_bytes.append(begin, p - begin);
                begin = p + 1;
            }
        }
        m_bytes.append(begin, end - begin);
        break;
    case Destination::FieldInstruction:
        m_bytes.append(begin, end - begin);
        break;
    case Destination::FontTable:
        for (const char *p = begin; p < end; ++p) {
            if (*p == ';') {
                m_bytes.append(begin, p - begin);
                flushBytes();
                commitFont();
                begin = p + 1;
            }
        }
        if (m_fontPending)
            m_bytes.append(begin, end - begin);
        break;
    case Destination::ColorTable:
        for (const char *p = begin; p < end; ++p) {
            if (*p == ';')
                commitColor();
        }
        break;
    case Destination::Picture:
        if (m_picture.kind == 0)
            return;
        for (const char *p = begin; p < end; ++p) {
            const int nibble = hexValue(*p);
            if (nibble < 0)
                continue;
            if (m_picture.highNibble < 0) {
                m_picture.highNibble = nibble;
            } else {
                m_picture.data.append(char(m_picture.highNibble * 16 + nibble));
                m_picture.highNibble = -1;
            }
        }
        break;
    case Destination::LineBreak: // its characters come as \'hh and \uN only
    case Destination::Ignored:
        break;
    }
}

void Reader::addByte(char byte)
{
    const Destination destination = state().destination;
    if (destination == Destination::Body || destination == Destination::FieldInstruction ||
        (destination == Destination::FontTable && m_fontPending)) {
        m_bytes.append(byte);
    } else if (destination == Destination::ColorTable && byte == ';') {
        commitColor();
    } else if (destination == Destination::LineBreak && m_lineBreak.size() < 2) {
        m_lineBreak += QChar(CodePage::toUnicode(static_cast<std::uint8_t>(byte)));
    }
}

void Reader::addText(QStringView text)
{
    State &s = state();
    switch (s.destination) {
    case Destination::Body:
        flushBytes();
        if (!(s.chars == m_runProps)) {
            flushRun();
            m_runProps = s.chars;
        }
        m_run += text;
        break;
    case Destination::FieldInstruction:
        flushBytes();
        if (s.field >= 0 && m_fields[s.field].instruction.size() < kMaxInstruction)
            m_fields[s.field].instruction += text;
        break;
    case Destination::FontTable:
        if (m_fontPending) {
            flushBytes();
            m_fontName += text;
        }
        break;
    case Destination::LineBreak:
        m_lineBreak += text.first(qMin(text.size(), 2 - m_lineBreak.size()));
        break;
    default:
        break;
    }
}

void Reader::addUnicode(int code)
{
    m_skip = state().unicodeSkip;
    // \uN is a signed 16-bit number: -4064 is U+F020. Other numbers name
    // no UTF-16 unit; their fallback is skipped all the same.
    if (code < -32768 || code > 65535)
        return;
    const char16_t unit = char16_t(code < 0 ? code + 65536 : code);
    if (unit == 0)
        return;
    addText(QStringView(&unit, 1));
}

void Reader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    State &s = state();
    switch (s.destination) {
    case Destination::Body: {
        if (!(s.chars == m_runProps)) {
            flushRun();
            m_runProps = s.chars;
        }
        const qsizetype from = m_run.size();
        m_codePages.get(codePageOf(s.chars.font)).appendText(m_bytes, m_run);
        // \'00 and the like: text has no NULs. Only the new text is looked
        // at, so a long run with many of them costs no more than its length.
        const auto kept = std::remove(m_run.begin() + from, m_run.end(), QChar(0));
        m_run.truncate(kept - m_run.begin());
        break;
    }
    case Destination::FieldInstruction:
        if (s.field >= 0 && m_fields[s.field].instruction.size() < kMaxInstruction)
            m_codePages.get(codePageOf(s.chars.font))
                .appendText(m_bytes, m_fields[s.field].instruction);
        break;
    case Destination::FontTable: {
        const int codePage = m_fontCodePage > 0 ? m_fontCodePage
                             : m_fontCharset >= 0
                                 ? CodePageDecoder::forCharset(m_fontCharset, m_documentCodePage)
                                 : m_documentCodePage;
        m_codePages
            .get(codePage == CodePageDecoder::kSymbol ? int(CodePageDecoder::kWindows1252)
                                                      : codePage)
            .appendText(m_bytes, m_fontName);
        break;
    }
    default:
        break;
    }
    m_bytes.clear();
}

int Reader::codePageOf(int font) const
{
    const auto it = m_fonts.constFind(font);
    return it == m_fonts.cend() ? m_documentCodePage : it->codePage;
}

void Reader::flushRun()
{
    if (m_run.isEmpty())
        return;
    // A \uN surrogate without its partner would be broken UTF-16.
    for (qsizetype i = 0; i < m_run.size(); ++i) {
        const QChar ch = m_run.at(i);
        if (!ch.isSurrogate())
            continue;
        if (ch.isHighSurrogate() && i + 1 < m_run.size() && m_run.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        m_run[i] = QChar::ReplacementCharacter;
    }
    m_paragraph.push_back({m_run, charFormat(m_runProps)});
    m_run.clear();
    m_paragraphOpen = true;
}

// ---- Paragraphs and tables ------------------------------------------------

void Reader::endParagraph(ParagraphEnd end)
{
    flushBytes();
    flushRun();
    const ParagraphProps &props = state().paragraph;
    int depth = props.depth();
    if (end == ParagraphEnd::Cell)
        depth = std::max(depth, 1);
    enterTableDepth(depth);

    const QTextBlockFormat format = blockFormat(props);
    if (m_needBlock) {
        QTextCharFormat breakChar;
        if (!m_pendingLineBreak.isEmpty())
            breakChar.setProperty(kLineBreakProperty, m_pendingLineBreak);
        m_cursor.insertBlock(format, breakChar);
    } else {
        m_cursor.setBlockFormat(format);
    }
    m_needBlock = false;
    m_pendingLineBreak.clear();
    for (const Segment &segment : m_paragraph) {
        if (segment.format.isImageFormat())
            m_cursor.insertImage(segment.format.toImageFormat());
        else
            m_cursor.insertText(segment.text, segment.format);
    }
    m_paragraph.clear();
    m_paragraphOpen = false;

    if (end == ParagraphEnd::Paragraph)
        m_needBlock = true;
    else if (end == ParagraphEnd::Cell && !m_tables.empty())
        m_tables.back().cellEnded = true;
    else if (end == ParagraphEnd::Cell)
        m_needBlock = true; // a cell read as a paragraph
}

void Reader::endRow(int depth)
{
    flushBytes();
    flushRun();
    if (m_paragraphOpen)
        endParagraph(ParagraphEnd::Cell);
    depth = std::min(depth, m_maxTableDepth);
    if (int(m_tables.size()) < depth)
        return; // a row without cells
    while (int(m_tables.size()) > depth)
        closeTable();
    Table &table = m_tables.back();
    table.cellEnded = false;
    table.rowEnded = true;
}

// Puts the cursor where a paragraph at table depth `depth` goes: closes the
// tables deeper than that, moves on to the next cell or row where one has
// ended, and opens tables down to that depth.
void Reader::enterTableDepth(int depth)
{
    depth = std::min(depth, m_maxTableDepth);
    // Past the cells the caller wants shown as tables, the rest are
    // paragraphs.
    if (m_cells >= m_maxCells && m_maxCells < kMaxCells)
        depth = 0;
    while (int(m_tables.size()) > depth)
        closeTable();
    for (size_t level = 0; level < m_tables.size(); ++level) {
        if (!m_tables[level].cellEnded && !m_tables[level].rowEnded)
            continue;
        while (m_tables.size() > level + 1)
            closeTable();
        moveOn(m_tables[level]);
        break;
    }
    while (int(m_tables.size()) < depth)
        openTable();
}

void Reader::openTable()
{
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setCellPadding(2);
    format.setCellSpacing(0);
    format.setBorderCollapse(true);
    Table table;
    table.table = m_cursor.insertTable(1, 1, format);
    m_tables.push_back(table);
    ++m_cells;
    m_needBlock = false;
}

void Reader::closeTable()
{
    const Table &table = m_tables.back();
    if (table.allocatedRows > table.rows)
        table.table->removeRows(table.rows, table.allocatedRows - table.rows);
    m_cursor.setPosition(table.table->lastPosition() + 1);
    m_tables.pop_back();
    m_needBlock = false;
}

// Qt rebuilds a table's whole grid after every change to its rows or
// columns, so a table grown one row at a time costs the square of its size.
// Rows are added in growing batches instead, and the rows not used are taken
// off when the table ends.
void Reader::moveOn(Table &table)
{
    QTextTable *t = table.table;
    bool moved = false;
    if (table.rowEnded) {
        if (m_cells + table.columns <= m_maxCells) {
            if (table.rows == table.allocatedRows) {
                const int more = std::clamp(table.rows, 1, std::max(1, 65536 / table.columns));
                t->appendRows(more);
                table.allocatedRows += more;
            }
            ++table.rows;
            m_cells += table.columns;
            ++table.row;
            table.column = 0;
            moved = true;
        }
    } else if (table.column + 1 < table.columns) {
        ++table.column;
        moved = true;
    } else if (table.columns < kMaxColumns && m_cells + table.rows <= m_maxCells) {
        t->appendColumns(1);
        ++table.columns;
        m_cells += table.rows;
        ++table.column;
        moved = true;
    }
    table.rowEnded = false;
    table.cellEnded = false;
    const QTextTableCell cell = t->cellAt(table.row, table.column);
    if (moved) {
        m_cursor = cell.firstCursorPosition();
        m_needBlock = false;
    } else {
        // No room for another cell: its paragraphs join the last one.
        m_cursor = cell.lastCursorPosition();
        m_needBlock = true;
    }
}

QTextCharFormat Reader::charFormat(const CharProps &props)
{
    if (m_formatValid && props == m_formatProps)
        return m_format;
    QTextCharFormat format;
    const auto font = m_fonts.constFind(props.font);
    if (font != m_fonts.cend() && !font->name.isEmpty() && isShown(font->name)) {
        format.setFontFamilies({font->name});
        // Qt 6.4 hashes every list of families alike, so each new format
        // would be compared with every other format that names a family: the
        // family's own hash beside it keeps formats apart.
        format.setProperty(kFamilyKeyProperty, int(qHash(font->name)));
    }
    format.setFontPointSize(props.halfPoints / 2.0);
    if (props.bold)
        format.setFontWeight(QFont::Bold);
    if (props.italic)
        format.setFontItalic(true);
    if (props.underline)
        format.setFontUnderline(true);
    if (props.strike)
        format.setFontStrikeOut(true);
    if (props.foreground >= 0 && props.foreground < m_colors.size() &&
        m_colors.at(props.foreground).isValid())
        format.setForeground(m_colors.at(props.foreground));
    if (props.background >= 0 && props.background < m_colors.size() &&
        m_colors.at(props.background).isValid())
        format.setBackground(m_colors.at(props.background));
    if (props.verticalAlignment > 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (props.verticalAlignment < 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (props.link >= 0 && props.link < m_links.size()) {
        format.setAnchor(true);
        format.setAnchorHref(m_links.at(props.link));
    }
    m_formatProps = props;
    m_format = format;
    m_formatValid = true;
    return format;
}

bool Reader::isShown(const QString &family)
{
    if (m_shownFamilies.contains(family))
        return true;
    if (m_shownFamilies.size() >= m_maxFontFamilies)
        return false;
    m_shownFamilies.insert(family);
    return true;
}

QTextBlockFormat Reader::blockFormat(const ParagraphProps &props) const
{
    QTextBlockFormat format;
    switch (props.alignment) {
    case 1:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case 2:
        format.setAlignment(Qt::AlignRight);
        break;
    case 3:
        format.setAlignment(Qt::AlignJustify);
        break;
    default:
        break;
    }
    // 15 twips are one logical pixel.
    if (props.leftIndent != 0)
        format.setLeftMargin(props.leftIndent / 15.0);
    if (props.rightIndent != 0)
        format.setRightMargin(props.rightIndent / 15.0);
    if (props.firstLineIndent != 0)
        format.setTextIndent(props.firstLineIndent / 15.0);
    if (props.spaceBefore != 0)
        format.setTopMargin(props.spaceBefore / 15.0);
    if (props.spaceAfter != 0)
        format.setBottomMargin(props.spaceAfter / 15.0);
    return format;
}

// ---- Destinations with content of their own -------------------------------

void Reader::commitFont()
{
    if (!m_fontPending)
        return;
    flushBytes();
    m_fontPending = false;
    Font font;
    font.name = m_fontName.trimmed();
    if (m_fontCodePage > 0)
        font.codePage = m_fontCodePage;
    else if (m_fontCharset >= 0)
        font.codePage =
            CodePageDecoder::forCharset(m_fontCharset, m_documentCodePage,
                                        font.name.contains(u"Wingdings", Qt::CaseInsensitive));
    else
        font.codePage = m_documentCodePage;
    m_fonts.insert(m_fontNumber, font);
    m_fontName.clear();
    m_formatValid = false;
}

void Reader::commitColor()
{
    if (m_red < 0 && m_green < 0 && m_blue < 0)
        m_colors.append(QColor()); // "auto"
    else
        m_colors.append(QColor(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0)));
    m_red = m_green = m_blue = -1;
    m_formatValid = false;
}

void Reader::finishField(Field &field)
{
    const QString target = hyperlinkTarget(field.instruction);
    if (target.isEmpty())
        return;
    field.link = int(m_links.size());
    m_links.append(target);
}

void Reader::finishPicture()
{
    Picture picture = std::move(m_picture);
    m_picture = Picture();
    if (picture.kind == 0 || picture.data.isEmpty() || state().destination != Destination::Body)
        return;
    QBuffer buffer(&picture.data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, picture.kind == 1 ? "png" : "jpeg");
    const QSize size = reader.size();
    if (!size.isValid() ||
        qint64(size.width()) * size.height() * 4 + m_pictureBytes > kMaxPictureBytes)
        return;
    const QImage image = reader.read();
    if (image.isNull())
        return;
    m_pictureBytes += image.sizeInBytes();

    const QString name = QStringLiteral("rtf-picture-%1").arg(++m_pictures);
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    // The shown size in twips: \picwgoal scaled by \picscalex percent.
    const double scaleX = picture.scaleX > 0 ? std::min(picture.scaleX, 10000) / 100.0 : 1.0;
    const double scaleY = picture.scaleY > 0 ? std::min(picture.scaleY, 10000) / 100.0 : 1.0;
    const double width =
        picture.goalWidth > 0 ? std::min(picture.goalWidth, 10 * kMaxTwips) / 15.0 : image.width();
    const double height = picture.goalHeight > 0
                              ? std::min(picture.goalHeight, 10 * kMaxTwips) / 15.0
                              : image.height();
    format.setWidth(width * scaleX);
    format.setHeight(height * scaleY);

    flushRun();
    m_paragraph.push_back({QString(), format});
    m_paragraphOpen = true;
}

ReadResult read(QByteArrayView rtf, const ReadOptions &options)
{
    return Reader(rtf, options).read();
}

} // namespace quenzal::rtf
