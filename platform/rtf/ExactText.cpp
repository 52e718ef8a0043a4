#include "platform/rtf/ExactText.h"

#include "platform/rtf/Constants.h"
#include "platform/rtf/Rtf.h"

#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>

namespace quenzal::rtf {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A place where a line may break, which ends a run.
bool endsRun(char16_t ch)
{
    return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n' || ch == kLineSeparator ||
           ch == kParagraphSeparator || ch == kZeroWidthSpace;
}

// Calls f(piece, breakAfter) for every piece of `text` that ends at a line
// break other than CR LF; the last piece has an empty break. A piece holds no
// other block break than CR LF, which QTextCursor::insertText() turns into a
// block break of its own: a block without a kind of its own reads as CR LF,
// so a text of CR LF lines goes in with one call.
template <typename F> void forEachPiece(QStringView text, F f)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (!isBlockBreak(ch))
            continue;
        if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            ++i;
            continue;
        }
        f(text.sliced(start, i - start), text.sliced(i, 1));
        start = i + 1;
    }
    f(text.sliced(start), QStringView());
}

// A block that only continues the one before it, split off by a soft break.
bool isSoftBlockBreak(const QTextBlock &block)
{
    return block.charFormat().boolProperty(kSoftBreakProperty);
}

// The line break that precedes a block, when it is not CR LF, is a property
// of the break character itself: QTextDocument deletes, moves and restores it
// with the character, undo and redo included. A break without it (one typed
// with Enter, or a paragraph break read from a document) is a CR LF.
QString breakBefore(const QTextBlock &block)
{
    if (isSoftBlockBreak(block))
        return QString();
    const QVariant chars = block.charFormat().property(kLineBreakProperty);
    return chars.isValid() ? chars.toString() : kCrLf;
}

// The plain text of block characters [from, to): a line separator (Shift+
// Enter) reads as CR LF, and pictures and soft breaks are left out. Each
// character's format is its fragment's, so the block is walked once.
void appendPlain(QString &out, const QTextBlock &block, int from, int to)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int start = fragment.position() - block.position();
        const int first = qMax(from, start);
        const int last = qMin(to, start + fragment.length());
        if (first >= last)
            continue;
        const QString text = fragment.text();
        const QStringView chars = QStringView(text).sliced(first - start, last - first);
        const QTextCharFormat format = fragment.charFormat();
        const bool picture = format.objectType() != QTextFormat::NoObject;
        const bool soft = format.boolProperty(kSoftBreakProperty);
        qsizetype plainFrom = 0;
        for (qsizetype i = 0; i < chars.size(); ++i) {
            const char16_t ch = chars[i].unicode();
            if (ch != kLineSeparator && !(ch == kObjectReplacement && picture) &&
                !(ch == kZeroWidthSpace && soft))
                continue;
            out += chars.sliced(plainFrom, i - plainFrom);
            if (ch == kLineSeparator)
                out += kCrLf;
            plainFrom = i + 1;
        }
        out += chars.sliced(plainFrom);
    }
}

QTextCharFormat softBreakFormat(QTextCharFormat chars)
{
    chars.setProperty(kSoftBreakProperty, true);
    return chars;
}

// Inserts a piece of text with no block break but CR LF, with a soft break
// after every `every` characters of a run with no place to break (or soon
// after, between two graphemes; never at the piece's end, which the text
// after it may continue). `run` is the length of the run before the cursor.
void insertWithSoftBreaks(QTextCursor &cursor, QStringView piece, const QTextCharFormat &chars,
                          qsizetype every, qsizetype &run)
{
    qsizetype from = 0;
    for (qsizetype i = 0; every > 0 && i < piece.size(); ++i) {
        if (endsRun(piece[i].unicode())) {
            run = 0;
            continue;
        }
        if (++run < every || i + 1 == piece.size() || !startsGrapheme(piece, from, i + 1))
            continue;
        cursor.insertText(piece.sliced(from, i + 1 - from).toString(), chars);
        cursor.insertText(QString(QChar(kZeroWidthSpace)), softBreakFormat(chars));
        from = i + 1;
        run = 0;
    }
    if (from < piece.size())
        cursor.insertText(piece.sliced(from).toString(), chars);
}

// The positions of a document's soft breaks, last first.
QList<int> softBreaks(const QTextDocument &document)
{
    QList<int> positions;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin() && isSoftBlockBreak(block))
            positions.append(block.position() - 1);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().boolProperty(kSoftBreakProperty))
                continue;
            const QString text = fragment.text();
            for (qsizetype i = text.indexOf(QChar(kZeroWidthSpace)); i >= 0;
                 i = text.indexOf(QChar(kZeroWidthSpace), i + 1))
                positions.append(fragment.position() + int(i));
        }
    }
    std::reverse(positions.begin(), positions.end());
    return positions;
}

} // namespace

QString exactText(const QTextDocument &document, int from, int to)
{
    QString out;
    out.reserve(qMax(0, to - from));
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        const int position = block.position();
        const int length = block.length() - 1; // without the separator
        const int start = qMax(from, position) - position;
        const int end = qMin(to - position, length);
        if (end > start)
            appendPlain(out, block, start, end);
        // The block's own separator lies at position + length.
        const int separator = position + length;
        const QTextBlock next = block.next();
        if (next.isValid() && separator >= from && separator < to)
            out += breakBefore(next);
    }
    return out;
}

QString exactText(const QTextDocument &document)
{
    return exactText(document, 0, document.characterCount() - 1);
}

QString exactText(const QTextCursor &selection)
{
    const QTextDocument &document = *selection.document();
    if (!selection.hasComplexSelection())
        return exactText(document, selection.selectionStart(), selection.selectionEnd());
    // A rectangle of cells of the innermost table that holds both ends: each
    // cell's text with the break that ends it, row by row, a cell that spans
    // several rows or columns once.
    QTextTable *table = selection.currentTable();
    while (table && (table->firstPosition() > selection.selectionStart() ||
                     table->lastPosition() < selection.selectionEnd()))
        table = qobject_cast<QTextTable *>(table->parentFrame());
    int firstRow = 0, rows = 0, firstColumn = 0, columns = 0;
    selection.selectedTableCells(&firstRow, &rows, &firstColumn, &columns);
    QString out;
    for (int row = firstRow; table && row < firstRow + rows; ++row) {
        for (int column = firstColumn; column < firstColumn + columns; ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            if (cell.isValid() && row == qMax(cell.row(), firstRow) &&
                column == qMax(cell.column(), firstColumn))
                out += exactText(document, cell.firstPosition(), cell.lastPosition() + 1);
        }
    }
    return out;
}

void insertExactText(QTextCursor &cursor, QStringView text, const QTextCharFormat &format,
                     qsizetype softBreakEvery)
{
    qsizetype run = 0;
    forEachPiece(text, [&](QStringView piece, QStringView lineBreak) {
        if (!piece.isEmpty())
            insertWithSoftBreaks(cursor, piece, format, softBreakEvery, run);
        if (!lineBreak.isEmpty()) {
            insertLineBreak(cursor, lineBreak);
            run = 0;
        }
    });
}

// Text typed at the start of a line takes the format of the break before it,
// kind and softness included, so the new break character's format is set
// afresh.
void insertLineBreak(QTextCursor &cursor, QStringView lineBreak)
{
    QTextCharFormat chars = cursor.charFormat();
    chars.clearProperty(kSoftBreakProperty);
    if (lineBreak == kCrLf)
        chars.clearProperty(kLineBreakProperty);
    else
        chars.setProperty(kLineBreakProperty, lineBreak.toString());
    cursor.insertBlock(cursor.blockFormat(), chars);
}

bool startsGrapheme(QStringView text, qsizetype from, qsizetype at)
{
    if (at <= from || at >= text.size())
        return true;
    // Below U+0300 there are no marks, joiners or the like: only a CR LF
    // holds together.
    const char16_t before = text[at - 1].unicode();
    const char16_t ch = text[at].unicode();
    if (before < 0x300 && ch < 0x300)
        return before != u'\r' || ch != u'\n';
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text.data() + from,
                                  qMin(text.size(), at + 2) - from);
    graphemes.setPosition(at - from);
    return graphemes.isAtBoundary();
}

void addSoftBreaks(QTextDocument &document, qsizetype every, qsizetype blockEvery)
{
    QTextCursor cursor(&document);
    // In an edit, a cursor that moves does not lay its line out.
    cursor.beginEditBlock();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QString chars = block.text();
        if (chars.size() < every)
            continue;
        qsizetype run = 0;
        qsizetype last = 0; // where the last soft break went, between two graphemes
        int added = 0;
        for (qsizetype i = 0; i < chars.size(); ++i) {
            if (endsRun(chars[i].unicode())) {
                run = 0;
                continue;
            }
            if (++run < every || !startsGrapheme(chars, last, i + 1))
                continue;
            cursor.setPosition(block.position() + int(i) + 1 + added);
            cursor.insertText(QString(QChar(kZeroWidthSpace)),
                              softBreakFormat(cursor.charFormat()));
            ++added;
            run = 0;
            last = i + 1;
        }
    }
    // A long block is split where a line may break; from the last place
    // back, so that the places found stay where they are.
    for (QTextBlock block = document.begin(); blockEvery > 0 && block.isValid();
         block = block.next()) {
        const QString chars = block.text();
        if (chars.size() <= blockEvery)
            continue;
        QList<int> splits;
        qsizetype line = 0;
        for (qsizetype i = 0; i + 1 < chars.size(); ++i) {
            if (++line >= blockEvery && endsRun(chars[i].unicode()) &&
                startsGrapheme(chars, i, i + 1)) {
                splits.append(block.position() + int(i) + 1);
                line = 0;
            }
        }
        for (auto at = splits.crbegin(); at != splits.crend(); ++at) {
            cursor.setPosition(*at);
            insertSoftBlockBreak(cursor);
        }
    }
    cursor.endEditBlock();
}

void insertSoftBlockBreak(QTextCursor &cursor)
{
    // The block goes on: no space above it and no first-line indent.
    QTextBlockFormat block = cursor.blockFormat();
    block.clearProperty(QTextFormat::BlockTopMargin);
    block.clearProperty(QTextFormat::TextIndent);
    QTextCharFormat chars = cursor.charFormat();
    chars.clearProperty(kLineBreakProperty);
    cursor.insertBlock(block, softBreakFormat(chars));
}

bool hasSoftBreaks(const QTextDocument &document)
{
    return !softBreaks(document).isEmpty();
}

bool isSoftBreak(const QTextDocument &document, int position)
{
    const QTextBlock block = document.findBlock(position);
    if (!block.isValid())
        return false;
    if (position == block.position() + block.length() - 1)
        return block.next().isValid() && isSoftBlockBreak(block.next());
    if (document.characterAt(position) != QChar(kZeroWidthSpace))
        return false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.contains(position))
            return fragment.charFormat().boolProperty(kSoftBreakProperty);
    }
    return false;
}

bool removeSoftBreaks(QTextDocument &document)
{
    const QList<int> soft = softBreaks(document);
    QTextCursor cursor(&document);
    // In an edit, a cursor that moves does not lay its line out; and a
    // selection, unlike deleteChar(), needs no line layout to be removed.
    cursor.beginEditBlock();
    for (const int position : soft) {
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    cursor.endEditBlock();
    return !soft.isEmpty();
}

} // namespace quenzal::rtf
