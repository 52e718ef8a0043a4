#include "RichTextArea.h"

#include "Rtf.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <memory>
#include <optional>

namespace quenzal {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The characters at which QTextDocument starts a new block when text is
// inserted (CR LF counting as one).
constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kBeginningOfFrame = 0xFDD0;
constexpr char16_t kEndOfFrame = 0xFDD1;

// Qt lays a run of characters with no place to break a line out in time
// that grows with the square of its length (each shown line looks for a
// break to the run's end). The area gives such runs a zero-width space every
// kSoftBreakEvery characters, marked as its own with kSoftBreakProperty;
// text() and richText() leave those out.
constexpr char16_t kZeroWidthSpace = 0x200B;
constexpr qsizetype kSoftBreakEvery = 512;
constexpr int kSoftBreakProperty = QTextFormat::UserProperty + 0x53;
// Qt's layout of nested tables takes about twice as long for each level:
// deeper tables join the cells of the deepest one shown.
constexpr int kShownTableDepth = 2;
// Qt lays a whole table out at once, in time that grows faster than its
// size: cells beyond these show as paragraphs.
constexpr qint64 kShownTableCells = 10'000;
// Qt looks every font family up on the system, at a cost that grows with
// the number looked up: text in further families shows in the area's font.
constexpr int kShownFontFamilies = 64;

bool endsRun(char16_t ch)
{
    return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n' || ch == 0x2028 ||
           ch == 0x2029 || ch == kZeroWidthSpace;
}

bool isBlockBreak(char16_t ch)
{
    return ch == u'\r' || ch == u'\n' || ch == kParagraphSeparator || ch == kBeginningOfFrame ||
           ch == kEndOfFrame;
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

// The line break that precedes a block, when it is not CR LF, is a property
// of the break character itself: QTextDocument deletes, moves and restores it
// with the character, undo and redo included. A break without it (one typed
// with Enter, or a paragraph break read from a document) is a CR LF.
QString breakBefore(const QTextBlock &block)
{
    const QVariant chars = block.charFormat().property(rtf::kLineBreakProperty);
    return chars.isValid() ? chars.toString() : kCrLf;
}

// Starts a new block at the cursor after a line break of the given kind.
// Text typed at the start of a line takes the format of the break before it,
// kind included, so the new break character's format is set afresh.
void insertBlock(QTextCursor &cursor, QStringView lineBreak = kCrLf)
{
    QTextCharFormat chars = cursor.charFormat();
    if (lineBreak == kCrLf)
        chars.clearProperty(rtf::kLineBreakProperty);
    else
        chars.setProperty(rtf::kLineBreakProperty, lineBreak.toString());
    cursor.insertBlock(cursor.blockFormat(), chars);
}

// The plain text of block characters [from, to): a line separator (Shift+
// Enter) reads as CR LF, and pictures, which have no plain text, and the
// area's own soft breaks are left out. Each character's format is its
// fragment's, so the block is walked once.
void appendPlain(QString &out, const QTextBlock &block, int from, int to)
{
    constexpr char16_t kLineSeparator = 0x2028;
    constexpr char16_t kObject = 0xFFFC;
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
            if (ch != kLineSeparator && !(ch == kObject && picture) &&
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
// in every kSoftBreakEvery characters of a run with no place to break.
// `run` is the length of the run before the cursor.
void insertWithSoftBreaks(QTextCursor &cursor, QStringView piece, const QTextCharFormat &chars,
                          qsizetype &run)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < piece.size(); ++i) {
        if (endsRun(piece[i].unicode())) {
            run = 0;
            continue;
        }
        if (++run < kSoftBreakEvery)
            continue;
        cursor.insertText(piece.sliced(from, i + 1 - from).toString(), chars);
        cursor.insertText(QString(QChar(kZeroWidthSpace)), softBreakFormat(chars));
        from = i + 1;
        run = 0;
    }
    if (from < piece.size())
        cursor.insertText(piece.sliced(from).toString(), chars);
}

// Inserts `text` at the cursor in `chars`, each line break as its own kind.
void insertPieces(QTextCursor &cursor, QStringView text, const QTextCharFormat &chars)
{
    qsizetype run = 0;
    forEachPiece(text, [&](QStringView piece, QStringView lineBreak) {
        if (!piece.isEmpty())
            insertWithSoftBreaks(cursor, piece, chars, run);
        if (!lineBreak.isEmpty()) {
            insertBlock(cursor, lineBreak);
            run = 0;
        }
    });
}

// Gives the long runs of a document read from elsewhere their soft breaks.
void addSoftBreaks(QTextDocument *document)
{
    QTextCursor cursor(document);
    // In an edit, a cursor that moves does not lay its line out.
    cursor.beginEditBlock();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString chars = block.text();
        if (chars.size() < kSoftBreakEvery)
            continue;
        qsizetype run = 0;
        int added = 0;
        for (qsizetype i = 0; i < chars.size(); ++i) {
            if (endsRun(chars[i].unicode())) {
                run = 0;
                continue;
            }
            if (++run < kSoftBreakEvery)
                continue;
            cursor.setPosition(block.position() + int(i) + 1 + added);
            cursor.insertText(QString(QChar(kZeroWidthSpace)),
                              softBreakFormat(cursor.charFormat()));
            ++added;
            run = 0;
        }
    }
    cursor.endEditBlock();
}

// The soft breaks of a document, last first.
QList<int> softBreaks(const QTextDocument &document)
{
    QList<int> positions;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
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

// Qt lays out the part of an attached document that one edit changed at once
// and in time that grows faster than its size; a whole document it lays out
// lazily, a screenful first and the rest while the program waits for input.
// While this lives, the document has no page size, so an edit is not laid
// out; when it ends, the page size comes back and the whole document is laid
// out anew.
class LayoutWholeAfterwards
{
public:
    explicit LayoutWholeAfterwards(QTextDocument *document)
        : m_document(document), m_pageSize(document->pageSize())
    {
        m_document->setPageSize(QSizeF(0, 0));
    }
    ~LayoutWholeAfterwards() { m_document->setPageSize(m_pageSize); }
    LayoutWholeAfterwards(const LayoutWholeAfterwards &) = delete;
    LayoutWholeAfterwards &operator=(const LayoutWholeAfterwards &) = delete;

private:
    QTextDocument *m_document;
    QSizeF m_pageSize;
};

// Text longer than this is laid out with the whole document when it is
// pasted.
constexpr qsizetype kLargeEdit = 16 * 1024;

} // namespace

RichTextArea::RichTextArea(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(false);
    // Tab moves the focus on, as between the other controls of a window.
    setTabChangesFocus(true);
}

QString RichTextArea::text() const
{
    return textBetween(0, document()->characterCount() - 1);
}

QString RichTextArea::textBetween(int from, int to) const
{
    QString out;
    out.reserve(qMax(0, to - from));
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() < to;
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

void RichTextArea::setText(const QString &text)
{
    // Built in one edit, with each break's kind on its break character, so
    // the document is laid out once; as with setPlainText(), there is
    // nothing to undo afterwards and the caret is at the start.
    clear();
    document()->setUndoRedoEnabled(false);
    {
        const LayoutWholeAfterwards layout(document());
        QTextCursor cursor(document());
        cursor.beginEditBlock();
        insertPieces(cursor, text, QTextCharFormat());
        cursor.endEditBlock();
    }
    document()->setUndoRedoEnabled(true);
    setTextCursor(QTextCursor(document()));
}

bool RichTextArea::loadRichText(QByteArrayView rtf, QString *error)
{
    rtf::ReadOptions options;
    options.maxTableDepth = kShownTableDepth;
    options.maxFontFamilies = kShownFontFamilies;
    options.maxTableCells = kShownTableCells;
    rtf::ReadResult result = rtf::read(rtf, options);
    if (!result.ok()) {
        *error = result.error;
        return false;
    }
    QTextDocument *loaded = result.document.release();
    loaded->setUndoRedoEnabled(false);
    addSoftBreaks(loaded);
    loaded->setUndoRedoEnabled(true);
    loaded->setParent(this);
    // Text that names no font of its own shows in the area's font.
    loaded->setDefaultFont(font());
    // The area's first document belongs to Qt's text control, which deletes it
    // when it is replaced; a document loaded before belongs to the area.
    const QPointer<QTextDocument> previous = document();
    setDocument(loaded);
    if (previous && previous->parent() == this)
        delete previous;
    return true;
}

QByteArray RichTextArea::richText() const
{
    const QList<int> soft = softBreaks(*document());
    if (soft.isEmpty())
        return rtf::write(*document());
    const std::unique_ptr<QTextDocument> copy(document()->clone());
    QTextCursor cursor(copy.get());
    // In an edit, a cursor that moves does not lay its line out; and a
    // selection, unlike deleteChar(), needs no line layout to be removed.
    cursor.beginEditBlock();
    for (const int position : soft) {
        cursor.setPosition(position);
        cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    cursor.endEditBlock();
    return rtf::write(*copy);
}

void RichTextArea::replaceSelection(const QString &text)
{
    std::optional<LayoutWholeAfterwards> layout;
    if (text.size() > kLargeEdit)
        layout.emplace(document());
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    // Text at the start of a line would take the kind of the break before
    // it; the new text's own breaks have their own.
    QTextCharFormat chars = cursor.charFormat();
    chars.clearProperty(rtf::kLineBreakProperty);
    chars.clearProperty(kSoftBreakProperty);
    insertPieces(cursor, text, chars);
    cursor.endEditBlock();
    layout.reset();
    setTextCursor(cursor);
    ensureCursorVisible();
}

QMimeData *RichTextArea::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    if (cursor.hasComplexSelection()) // a rectangle of table cells
        return QTextEdit::createMimeDataFromSelection();
    auto *mime = new QMimeData;
    mime->setText(textBetween(cursor.selectionStart(), cursor.selectionEnd()));
    return mime;
}

void RichTextArea::insertFromMimeData(const QMimeData *source)
{
    if (source && source->hasText())
        replaceSelection(source->text());
}

void RichTextArea::mousePressEvent(QMouseEvent *event)
{
    emit mouseDown(event->button(), event->modifiers(), event->position().toPoint());
    QTextEdit::mousePressEvent(event);
}

void RichTextArea::keyPressEvent(QKeyEvent *event)
{
    // Enter starts a new line with a CR LF before it (Shift+Enter, a line
    // separator inside the block, reads as CR LF by itself).
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || (event->modifiers() & Qt::ShiftModifier) || isReadOnly()) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    insertBlock(cursor);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
    event->accept();
}

void RichTextArea::contextMenuEvent(QContextMenuEvent *event)
{
    // The window decides what a right-button press shows (mouseDown).
    event->accept();
}

} // namespace quenzal
