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

namespace quenzal {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The characters at which QTextDocument starts a new block when text is
// inserted (CR LF counting as one).
constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kBeginningOfFrame = 0xFDD0;
constexpr char16_t kEndOfFrame = 0xFDD1;

bool isBlockBreak(char16_t ch)
{
    return ch == u'\r' || ch == u'\n' || ch == kParagraphSeparator || ch == kBeginningOfFrame ||
           ch == kEndOfFrame;
}

// Calls f(line, breakAfter) for every line of `text`; the last line has an
// empty break.
template <typename F> void forEachLine(QStringView text, F f)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (!isBlockBreak(ch))
            continue;
        const qsizetype breakLength =
            ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
        f(text.sliced(start, i - start), text.sliced(i, breakLength));
        i += breakLength - 1;
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

bool isPicture(const QTextBlock &block, int offset)
{
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + offset + 1); // the format of the character before
    return cursor.charFormat().objectType() != QTextFormat::NoObject;
}

// The plain text of block characters [start, end): a line separator (Shift+
// Enter) reads as CR LF, and pictures, which have no plain text, are left out.
void appendPlain(QString &out, const QTextBlock &block, QStringView chars, int start)
{
    constexpr char16_t kLineSeparator = 0x2028;
    constexpr char16_t kObject = 0xFFFC;
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const char16_t ch = chars[i].unicode();
        if (ch != kLineSeparator && ch != kObject)
            continue;
        if (ch == kObject && !isPicture(block, start + int(i)))
            continue;
        out += chars.sliced(plainFrom, i - plainFrom);
        if (ch == kLineSeparator)
            out += kCrLf;
        plainFrom = i + 1;
    }
    out += chars.sliced(plainFrom);
}

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
        const QString chars = block.text();
        const int position = block.position();
        const int start = qMax(from, position) - position;
        const int end = qMin<int>(to - position, int(chars.size()));
        if (end > start)
            appendPlain(out, block, QStringView(chars).sliced(start, end - start), start);
        // The block's own separator lies at position + chars.size().
        const int separator = position + int(chars.size());
        const QTextBlock next = block.next();
        if (next.isValid() && separator >= from && separator < to)
            out += breakBefore(next);
    }
    return out;
}

void RichTextArea::setText(const QString &text)
{
    // Built line by line in one edit, with each break's kind on its break
    // character, so the document is laid out once; as with setPlainText(),
    // there is nothing to undo afterwards and the caret is at the start.
    clear();
    document()->setUndoRedoEnabled(false);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    const QTextCharFormat plain;
    forEachLine(text, [&](QStringView line, QStringView lineBreak) {
        if (!line.isEmpty())
            cursor.insertText(line.toString(), plain);
        if (!lineBreak.isEmpty())
            insertBlock(cursor, lineBreak);
    });
    cursor.endEditBlock();
    document()->setUndoRedoEnabled(true);
    setTextCursor(QTextCursor(document()));
}

bool RichTextArea::loadRichText(QByteArrayView rtf, QString *error)
{
    rtf::ReadResult result = rtf::read(rtf);
    if (!result.ok()) {
        *error = result.error;
        return false;
    }
    QTextDocument *loaded = result.document.release();
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
    return rtf::write(*document());
}

void RichTextArea::replaceSelection(const QString &text)
{
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    forEachLine(text, [&](QStringView line, QStringView lineBreak) {
        if (!line.isEmpty())
            cursor.insertText(line.toString());
        if (!lineBreak.isEmpty())
            insertBlock(cursor, lineBreak);
    });
    cursor.endEditBlock();
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
    // Every button's press is the area's own, reported above, also where the
    // text has no use for it.
    event->accept();
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
