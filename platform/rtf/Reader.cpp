#include "platform/rtf/Reader.h"

#include "engine/CodePage.h"
#include "platform/rtf/Constants.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace quenzal::rtf {
namespace {

// Limits that keep damaged or hostile input from exhausting the machine.
constexpr int kMaxGroupDepth = 1000;  // deeper groups share the innermost formatting
constexpr int kMaxInstruction = 4096; // characters of a field code kept

// The line breaks, other than a paragraph break, that a document can keep
// before a paragraph: one or two of the characters at which a document
// starts a new block, but not CR LF, which a paragraph break is.
bool isLineBreakKind(QStringView chars)
{
    return !chars.isEmpty() && chars.size() <= 2 && chars != u"\r\n" &&
           std::all_of(chars.begin(), chars.end(),
                       [](QChar ch) { return isBlockBreak(ch.unicode()); });
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

} // namespace

Reader::Reader(QByteArrayView rtf, const ReadOptions &options, int looseTablesFrom)
    : m_lexer(rtf), m_builder(options, looseTablesFrom), m_progress(options.progress),
      m_progressEvery(std::max<qint64>(options.progressEvery, 1)),
      m_nextReport(options.progress ? 0 : std::numeric_limits<qint64>::max())
{}

std::unique_ptr<QTextDocument> Reader::read()
{
    m_stack.reserve(64);
    m_stack.emplace_back(); // below the document's own group; never closed
    parse();
    if (m_stopped || restartFrom() >= 0)
        return nullptr;
    flushBytes();
    return m_builder.finish(state().paragraph, m_defaultFont);
}

// ---- Tokens ---------------------------------------------------------------

bool Reader::keepReading()
{
    m_nextReport = m_lexer.consumed() + m_progressEvery;
    m_reported = m_lexer.consumed();
    m_stopped = !m_progress(m_lexer.consumed(), m_lexer.total());
    return !m_stopped;
}

void Reader::parse()
{
    while (m_builder.restartFrom() < 0) {
        if (m_lexer.consumed() >= m_nextReport && !keepReading())
            return;
        const Token token = m_lexer.next();
        switch (token.kind) {
        case Token::Kind::End:
            return;
        case Token::Kind::GroupOpen:
            openGroup();
            break;
        case Token::Kind::GroupClose:
            if (!closeGroup())
                return; // the document's own group has ended
            break;
        case Token::Kind::Text:
            readText(token.text);
            break;
        case Token::Kind::Word:
            controlWord(token, false);
            break;
        case Token::Kind::Symbol:
            if (token.symbol == '*')
                readStarred();
            else if (!consumeSkippedCharacter())
                controlSymbol(token.symbol);
            break;
        case Token::Kind::Byte:
            if (token.hasParameter && !consumeSkippedCharacter())
                addByte(char(token.parameter));
            break;
        case Token::Kind::Binary:
            if (!consumeSkippedCharacter() && state().destination == Destination::Picture &&
                m_picture.kind != PictureKind::NotShown)
                m_picture.data.append(token.text.data(), qsizetype(token.text.size()));
            break;
        }
    }
}

// A run of literal bytes, less the \uN fallback characters still to skip.
void Reader::readText(std::string_view text)
{
    const qsizetype skipped = std::min<qsizetype>(m_skip, qsizetype(text.size()));
    m_skip -= int(skipped);
    if (qsizetype(text.size()) > skipped)
        addBytes(text.data() + skipped, text.data() + text.size());
}

bool Reader::consumeSkippedCharacter()
{
    if (m_skip <= 0)
        return false;
    --m_skip;
    return true;
}

// An optional destination: read it when the next word is one the reader
// knows, skip the whole group otherwise.
void Reader::readStarred()
{
    if (!m_lexer.skipBlanksBeforeWord()) {
        skipGroup();
        return;
    }
    const Token token = m_lexer.next();
    if (token.kind == Token::Kind::Word)
        controlWord(token, true);
    else
        skipGroup(); // \*\bin
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
            endParagraph(DocumentBuilder::ParagraphEnd::Paragraph);
        break;
    default: // \| \: and unknown symbols
        break;
    }
}

void Reader::controlWord(const Token &token, bool starred)
{
    const WordMeaning meaning = lookUp(token.text);
    if (starred && meaning.word != Word::FieldInstruction && meaning.word != Word::ShapePicture &&
        meaning.word != Word::NestedTableProps && meaning.word != Word::LineBreakKind &&
        meaning.word != Word::CodeZero) {
        skipGroup();
        return;
    }
    if (consumeSkippedCharacter())
        return;
    flushBytes();

    State &s = state();
    const int parameter = token.parameter;
    const bool body = s.destination == Destination::Body;
    switch (meaning.word) {
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
            s.chars.link = m_fields[s.field].link;
        break;
    case Word::Picture:
        if (body) {
            beginDestination(Destination::Picture);
            m_picture = Picture();
        } else {
            skipGroup();
        }
        break;
    case Word::LineBreakKind:
        if (body) {
            beginDestination(Destination::LineBreak);
            m_lineBreak.clear();
        } else {
            skipGroup();
        }
        break;
    case Word::CodeZero:
        if (body) {
            const char16_t nul = 0;
            addText(QStringView(&nul, 1));
        }
        break;
    case Word::CharacterSet:
        m_documentCodePage = meaning.value;
        break;
    case Word::AnsiCodePage:
        if (parameter > 0)
            m_documentCodePage = parameter;
        break;
    case Word::DefaultFont:
        m_defaultFont = parameter;
        s.chars.font = parameter;
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
    case Word::Character: {
        const auto character = char16_t(meaning.value);
        addText(QStringView(&character, 1));
        break;
    }
    case Word::Par:
        if (body)
            endParagraph(DocumentBuilder::ParagraphEnd::Paragraph);
        break;
    case Word::Section:
        // A section break ends the paragraph it is in, but after a \par it
        // makes no empty paragraph of its own.
        if (body && m_builder.hasParagraph())
            endParagraph(DocumentBuilder::ParagraphEnd::Paragraph);
        break;
    case Word::FootnoteMark:
        if (body)
            addText(QString::number(++m_footnotes));
        break;
    case Word::Unicode:
        if (token.hasParameter)
            addUnicode(parameter);
        break;
    case Word::UnicodeSkip:
        s.unicodeSkip = std::clamp(parameter, 0, 16);
        break;
    case Word::Cell:
        if (body)
            endParagraph(DocumentBuilder::ParagraphEnd::Cell);
        break;
    case Word::Row:
    case Word::NestedRow:
        if (body)
            m_builder.endRow(s.paragraph,
                             std::max(meaning.word == Word::Row ? 1 : 2, s.paragraph.depth()));
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
            s.chars.font = parameter;
        }
        break;
    default: // formatting words, unknown words, and those that need no more than their group
        applyFormatting(meaning, token.hasParameter, parameter, m_defaultFont, s.chars, s.paragraph,
                        m_picture);
        break;
    }
}

// Skips the rest of the current group, whatever it holds, and closes it.
void Reader::skipGroup()
{
    flushBytes();
    if (m_stack.size() <= 2 && m_overflowDepth == 0)
        return; // never the document's own group
    if (m_lexer.skipGroup())
        closeGroup();
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
        if (closed.field >= 0) {
            Field &field = m_fields[closed.field];
            if (const int link = m_builder.addLink(field.instruction); link >= 0)
                field.link = link;
        }
        break;
    case Destination::Picture:
        finishPicture();
        break;
    case Destination::LineBreak:
        if (isLineBreakKind(m_lineBreak))
            m_builder.setLineBreakBefore(m_lineBreak);
        break;
    case Destination::Body:
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
        if (m_picture.kind == PictureKind::NotShown)
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
        m_builder.addText(text, s.chars);
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
    const auto unit = char16_t(code < 0 ? code + 65536 : code);
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
        QString &run = m_builder.runFor(s.chars);
        const qsizetype from = run.size();
        m_codePages.get(codePageOf(s.chars.font)).appendText(m_bytes, run);
        // \'00 and the like: text has no NULs. Only the new text is looked
        // at, so a long run with many of them costs no more than its length.
        const auto kept = std::remove(run.begin() + from, run.end(), QChar(0));
        run.truncate(kept - run.begin());
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
    return m_fontCodePages.value(font, m_documentCodePage);
}

void Reader::endParagraph(DocumentBuilder::ParagraphEnd end)
{
    flushBytes();
    m_builder.endParagraph(state().paragraph, end);
}

// ---- Destinations with content of their own -------------------------------

void Reader::commitFont()
{
    if (!m_fontPending)
        return;
    flushBytes();
    m_fontPending = false;
    const QString name = m_fontName.trimmed();
    int codePage = m_documentCodePage;
    if (m_fontCodePage > 0)
        codePage = m_fontCodePage;
    else if (m_fontCharset >= 0)
        codePage = CodePageDecoder::forCharset(m_fontCharset, m_documentCodePage,
                                               name.contains(u"Wingdings", Qt::CaseInsensitive));
    m_fontCodePages.insert(m_fontNumber, codePage);
    m_builder.setFontFamily(m_fontNumber, name);
    m_fontName.clear();
}

void Reader::commitColor()
{
    if (m_red < 0 && m_green < 0 && m_blue < 0)
        m_builder.addColor(QColor()); // "auto"
    else
        m_builder.addColor(QColor(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0)));
    m_red = m_green = m_blue = -1;
}

void Reader::finishPicture()
{
    const Picture picture = std::exchange(m_picture, Picture());
    if (state().destination == Destination::Body)
        m_builder.addPicture(picture);
}

ReadResult read(QByteArrayView rtf, const ReadOptions &options)
{
    if (!hasRtfHeader(rtf)) {
        return ReadResult::failure(
            QStringLiteral("The file is not rich text: it does not begin with {\\rtf."));
    }
    Reader reader(rtf, options);
    std::unique_ptr<QTextDocument> document = reader.read();
    if (const int looseFrom = reader.restartFrom(); looseFrom >= 0) {
        // Once more, with the progress going on from where it was.
        ReadOptions again = options;
        if (options.progress) {
            again.progress = [&options, reached = reader.reported()](qint64 done, qint64 total) {
                return done <= reached || options.progress(done, total);
            };
        }
        document = Reader(rtf, again, looseFrom).read();
    }
    if (!document)
        return ReadResult::failure(QStringLiteral("The reading was stopped."));
    return document;
}

} // namespace quenzal::rtf
