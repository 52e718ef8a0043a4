#include "platform/rtf/DocumentBuilder.h"

#include "platform/rtf/Constants.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QLoggingCategory>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>
#include <QtEndian>

#include <array>
#include <utility>

namespace quenzal::rtf {
namespace {

constexpr int kMaxColumns = 63;       // as in Word; further cells join the last one
constexpr qint64 kMaxCells = 200'000; // over all tables; further cells join the last one
// The decoded pixels of all pictures: at most 512 MiB, and past the first
// 32 MiB no more than 1,024 bytes for each byte of their data, about as far as
// real pictures compress. Damaged data declaring a huge size would otherwise
// decode to a huge grey area, from a few bytes.
constexpr qint64 kMaxPictureBytes = 512LL * 1024 * 1024;
constexpr qint64 kFreePictureBytes = 32LL * 1024 * 1024;
constexpr qint64 kMaxPictureRatio = 1024;

// A character format property: the hash of the format's font family.
constexpr int kFamilyKeyProperty = QTextFormat::UserProperty + 0x52;

double pixels(double twips)
{
    return twips / kTwipsPerPixel;
}

quint32 crc32(QByteArrayView bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> entries{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    quint32 c = 0xFFFFFFFFU;
    for (const char byte : bytes)
        c = table[(c ^ quint8(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFU;
}

// A PNG with all its chunks, from the header to the end, and the right
// checksum on each that holds the picture. libpng prints each error it meets
// on standard error, where a program that leaves the picture out should
// print nothing: so damaged data never reaches it.
bool isWholePng(QByteArrayView data)
{
    if (!data.startsWith("\x89PNG\r\n\x1a\n"))
        return false;
    for (qsizetype at = 8; data.size() - at >= 12;) {
        const auto length = qFromBigEndian<quint32>(data.data() + at);
        if (length > quint32(data.size() - at - 12))
            return false;
        const QByteArrayView chunk = data.sliced(at + 4, 4 + qsizetype(length));
        const QByteArrayView type = chunk.first(4);
        if ((at == 8) != (type == "IHDR"))
            return false;
        // A critical chunk's type begins with a capital letter.
        const bool critical = (type.front() & 0x20) == 0;
        if (critical && crc32(chunk) != qFromBigEndian<quint32>(chunk.data() + chunk.size()))
            return false;
        if (type == "IEND")
            return true;
        at += 12 + qsizetype(length);
    }
    return false;
}

// Qt's picture readers warn, on standard error, of each fault they meet in
// damaged data (and of pictures past Qt's own limit on their size); while
// this lives, they are quiet, and a damaged picture is left out with nothing
// printed.
class QuietPictureReaders
{
public:
    QuietPictureReaders() { s_previous = QLoggingCategory::installFilter(quieten); }
    ~QuietPictureReaders() { QLoggingCategory::installFilter(std::exchange(s_previous, nullptr)); }
    QuietPictureReaders(const QuietPictureReaders &) = delete;
    QuietPictureReaders &operator=(const QuietPictureReaders &) = delete;

private:
    // Qt calls it for every category before it hands back the filter it
    // replaces: until then, the other categories stay as they are.
    static void quieten(QLoggingCategory *category)
    {
        if (s_previous)
            s_previous(category);
        if (qstrncmp(category->categoryName(), "qt.gui.imageio", 14) == 0) {
            for (const QtMsgType type : {QtDebugMsg, QtInfoMsg, QtWarningMsg})
                category->setEnabled(type, false);
        }
    }
    static inline QLoggingCategory::CategoryFilter s_previous = nullptr;
};

} // namespace

DocumentBuilder::DocumentBuilder(const ReadOptions &options, int looseTablesFrom)
    : m_document(std::make_unique<QTextDocument>()),
      m_maxFontFamilies(std::max(options.maxFontFamilies, 0)),
      m_decodePictures(options.decodePictures),
      m_shownDepth(std::clamp(options.maxTableDepth, 1, kMaxTableDepth)),
      m_shownCells(std::max<qint64>(options.maxTableCells, 0)),
      m_shownText(std::max<qint64>(options.maxTableText, 0)), m_looseFrom(looseTablesFrom)
{
    m_document->setUndoRedoEnabled(false);
    m_cursor = QTextCursor(m_document.get());
    // One edit for the whole document: Qt then finds the tables' frames once
    // at the end instead of scanning the whole document after each cell.
    m_cursor.beginEditBlock();
}

void DocumentBuilder::setFontFamily(int font, const QString &family)
{
    m_families.insert(font, family);
    m_formatValid = false;
}

void DocumentBuilder::addColor(const QColor &color)
{
    m_colors.append(color);
    m_formatValid = false;
}

int DocumentBuilder::addLink(QStringView fieldInstruction)
{
    const QString target = hyperlinkTarget(fieldInstruction);
    if (target.isEmpty())
        return -1;
    m_links.append(target);
    return int(m_links.size() - 1);
}

void DocumentBuilder::startRun(const CharProps &props)
{
    flushRun();
    m_runProps = props;
}

bool DocumentBuilder::addPicture(const Picture &picture)
{
    if (picture.kind == PictureKind::NotShown || picture.data.isEmpty())
        return false;
    flushRun();
    m_paragraphOpen = true;
    if (!m_decodePictures || (picture.kind == PictureKind::Png && !isWholePng(picture.data)))
        return false;
    QByteArray data = picture.data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    const QuietPictureReaders quiet;
    QImageReader reader(&buffer, picture.kind == PictureKind::Png ? "png" : "jpeg");
    const QSize size = reader.size();
    const qint64 budget = std::min(
        kMaxPictureBytes, kFreePictureBytes + kMaxPictureRatio * (m_pictureData + data.size()));
    if (!size.isValid() || qint64(size.width()) * size.height() * 4 > budget - m_pictureBytes)
        return false;
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    m_pictureBytes += image.sizeInBytes();
    m_pictureData += data.size();

    const QString name = QStringLiteral("rtf-picture-%1").arg(++m_pictures);
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    // The shown size: \picwgoal scaled by \picscalex percent.
    const double scaleX = picture.scaleX > 0 ? std::min(picture.scaleX, 10000) / 100.0 : 1.0;
    const double scaleY = picture.scaleY > 0 ? std::min(picture.scaleY, 10000) / 100.0 : 1.0;
    const double width =
        picture.goalWidth > 0 ? pixels(std::min(picture.goalWidth, 10 * kMaxTwips)) : image.width();
    const double height = picture.goalHeight > 0
                              ? pixels(std::min(picture.goalHeight, 10 * kMaxTwips))
                              : image.height();
    format.setWidth(width * scaleX);
    format.setHeight(height * scaleY);
    m_paragraph.push_back({QString(), format});
    return true;
}

void DocumentBuilder::flushRun()
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

void DocumentBuilder::endParagraph(const ParagraphProps &props, ParagraphEnd end)
{
    flushRun();
    int depth = props.depth();
    if (end == ParagraphEnd::Cell)
        depth = std::max(depth, 1);
    enterTableDepth(depth);
    if (!m_tables.empty() && m_tables.front().table) {
        // The paragraph's characters, its end included.
        qint64 length = 1;
        for (const Segment &segment : m_paragraph)
            length += segment.format.isImageFormat() ? 1 : segment.text.size();
        m_shownTextCount += length;
        if (m_shownTextCount > m_shownText)
            showAsParagraphsFrom(m_tables.front().index);
    }

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
    else if (end == ParagraphEnd::Cell)
        m_tables.back().cellEnded = true;
}

void DocumentBuilder::endRow(const ParagraphProps &props, int depth)
{
    flushRun();
    if (m_paragraphOpen)
        endParagraph(props, ParagraphEnd::Cell);
    depth = std::min(depth, kMaxTableDepth);
    if (int(m_tables.size()) < depth)
        return; // a row without cells
    while (int(m_tables.size()) > depth)
        closeTable();
    Table &table = m_tables.back();
    table.cellEnded = false;
    table.rowEnded = true;
}

std::unique_ptr<QTextDocument> DocumentBuilder::finish(const ParagraphProps &props, int defaultFont)
{
    flushRun();
    if (m_paragraphOpen)
        endParagraph(props, ParagraphEnd::Document);
    while (!m_tables.empty())
        closeTable();
    const QString family = m_families.value(defaultFont);
    if (defaultFont >= 0 && !family.isEmpty()) {
        QFont font = m_document->defaultFont();
        font.setFamilies({family});
        m_document->setDefaultFont(font);
    }
    m_cursor.endEditBlock();
    m_cursor = QTextCursor();
    m_document->setUndoRedoEnabled(true);
    m_document->setModified(false);
    return std::move(m_document);
}

// Puts the cursor where a paragraph at table depth `depth` goes: closes the
// tables deeper than that, moves on to the next cell or row where one has
// ended, and opens tables down to that depth.
void DocumentBuilder::enterTableDepth(int depth)
{
    depth = std::min(depth, kMaxTableDepth);
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

// A table is shown as one when the caller's limits leave room for it as it
// begins, and it lies in no table shown as paragraphs.
void DocumentBuilder::openTable()
{
    Table table;
    table.index = m_tablesOpened++;
    const bool shown = (m_tables.empty() || m_tables.back().table) &&
                       int(m_tables.size()) < m_shownDepth && table.index < m_looseFrom &&
                       m_shownCellCount < m_shownCells && m_shownTextCount < m_shownText;
    if (shown) {
        QTextTableFormat format;
        format.setBorder(1);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setCellPadding(2);
        format.setCellSpacing(0);
        format.setBorderCollapse(true);
        table.table = m_cursor.insertTable(1, 1, format);
        ++m_shownCellCount;
    } else {
        startCell();
    }
    m_tables.push_back(std::move(table));
    ++m_cells;
    m_needBlock = false;
}

void DocumentBuilder::closeTable()
{
    Table &table = m_tables.back();
    if (table.table) {
        if (table.allocatedRows > table.rows)
            table.table->removeRows(table.rows, table.allocatedRows - table.rows);
        m_cursor.setPosition(table.table->lastPosition() + 1);
    } else {
        // The rest of the last row, then the line after the table.
        for (int column = table.column + 1; column < table.columns; ++column)
            startCell();
        startCell();
    }
    m_tables.pop_back();
    m_needBlock = false;
}

// A table shown as paragraphs gives each cell a paragraph of its own, as a
// table does: a line break before it.
void DocumentBuilder::startCell()
{
    m_cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
}

void DocumentBuilder::moveOn(Table &table)
{
    Step step = Step::Join;
    if (table.rowEnded) {
        if (m_cells + table.columns <= kMaxCells)
            step = Step::NextRow;
    } else if (table.column + 1 < table.columns) {
        step = Step::NextCell;
    } else if (table.columns < kMaxColumns && m_cells + table.rows <= kMaxCells) {
        step = Step::NewColumn;
    }
    const qint64 made = step == Step::NextRow     ? table.columns
                        : step == Step::NewColumn ? table.rows
                                                  : 0;
    m_cells += made;
    table.rowEnded = false;
    table.cellEnded = false;
    if (table.table) {
        m_shownCellCount += made;
        if (m_shownCellCount > m_shownCells)
            showAsParagraphsFrom(m_tables.front().index);
        moveOnInTable(table, step);
    } else {
        moveOnInParagraphs(table, step);
    }
    switch (step) {
    case Step::NextRow:
        ++table.rows;
        ++table.row;
        table.column = 0;
        break;
    case Step::NextCell:
        ++table.column;
        break;
    case Step::NewColumn:
        ++table.columns;
        ++table.column;
        break;
    case Step::Join:
        break;
    }
    // No room for another cell: its paragraphs join the last one.
    m_needBlock = step == Step::Join;
}

// Qt rebuilds a table's whole grid after every change to its rows or
// columns, so a table grown one row at a time costs the square of its size.
// Rows are added in growing batches instead, and the rows not used are taken
// off when the table ends. Qt takes each cell off in time that grows with
// the table, so a batch holds no more than about a thousand cells.
void DocumentBuilder::moveOnInTable(Table &table, Step step)
{
    QTextTable *t = table.table;
    if (step == Step::NextRow && table.rows == table.allocatedRows) {
        const int more = std::clamp(table.rows, 1, std::max(1, 1024 / table.columns));
        t->appendRows(more);
        table.allocatedRows += more;
    } else if (step == Step::NewColumn) {
        t->appendColumns(1);
    }
    const int row = table.row + (step == Step::NextRow ? 1 : 0);
    const int column = step == Step::NextRow ? 0
                       : step == Step::Join  ? table.column
                                             : table.column + 1;
    const QTextTableCell cell = t->cellAt(row, column);
    m_cursor = step == Step::Join ? cell.lastCursorPosition() : cell.firstCursorPosition();
}

// The same steps in a table shown as paragraphs, with the same text: a row
// ends with an empty paragraph for each cell it lacks, and a new column gives
// every row before an empty paragraph at its end.
void DocumentBuilder::moveOnInParagraphs(Table &table, Step step)
{
    switch (step) {
    case Step::NextRow:
        for (int column = table.column + 1; column < table.columns; ++column)
            startCell();
        table.rowEnds.push_back(m_cursor.position());
        startCell();
        break;
    case Step::NextCell:
        startCell();
        break;
    case Step::NewColumn: {
        // From the last row, so that the ends of those before stay where
        // they are; each row's end then moves past the paragraphs before it.
        QTextCursor cursor(m_document.get());
        for (auto end = table.rowEnds.crbegin(); end != table.rowEnds.crend(); ++end) {
            cursor.setPosition(*end);
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        }
        for (size_t row = 0; row < table.rowEnds.size(); ++row)
            table.rowEnds[row] += int(row) + 1;
        startCell();
        break;
    }
    case Step::Join:
        break;
    }
}

// The table `index` grew past the caller's limits while shown as one: the
// reader starts again, showing the tables from that one on as paragraphs.
void DocumentBuilder::showAsParagraphsFrom(int index)
{
    if (m_restartFrom < 0)
        m_restartFrom = index;
}

QTextCharFormat DocumentBuilder::charFormat(const CharProps &props)
{
    if (m_formatValid && props == m_formatProps)
        return m_format;
    QTextCharFormat format;
    const auto family = m_families.constFind(props.font);
    if (family != m_families.cend() && !family->isEmpty() && isShown(*family)) {
        format.setFontFamilies({*family});
        // Qt 6.4 hashes every list of families alike, so each new format
        // would be compared with every other format that names a family: the
        // family's own hash beside it keeps formats apart.
        format.setProperty(kFamilyKeyProperty, int(qHash(*family)));
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

bool DocumentBuilder::isShown(const QString &family)
{
    if (m_shownFamilies.contains(family))
        return true;
    if (m_shownFamilies.size() >= m_maxFontFamilies)
        return false;
    m_shownFamilies.insert(family);
    return true;
}

QTextBlockFormat DocumentBuilder::blockFormat(const ParagraphProps &props)
{
    QTextBlockFormat format;
    switch (props.alignment) {
    case Alignment::Left:
        break;
    case Alignment::Center:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case Alignment::Right:
        format.setAlignment(Qt::AlignRight);
        break;
    case Alignment::Justify:
        format.setAlignment(Qt::AlignJustify);
        break;
    }
    if (props.leftIndent != 0)
        format.setLeftMargin(pixels(props.leftIndent));
    if (props.rightIndent != 0)
        format.setRightMargin(pixels(props.rightIndent));
    if (props.firstLineIndent != 0)
        format.setTextIndent(pixels(props.firstLineIndent));
    if (props.spaceBefore != 0)
        format.setTopMargin(pixels(props.spaceBefore));
    if (props.spaceAfter != 0)
        format.setBottomMargin(pixels(props.spaceAfter));
    return format;
}

// ---- Links ---------------------------------------------------------------

QString DocumentBuilder::hyperlinkTarget(QStringView instruction)
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

} // namespace quenzal::rtf
