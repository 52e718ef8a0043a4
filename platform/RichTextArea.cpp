#include "RichTextArea.h"

#include "ExactText.h"
#include "Rtf.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>

namespace quenzal {

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
    return rtf::exactText(*document(), from, to);
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
    rtf::insertExactText(cursor, text, &plain);
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
    rtf::insertExactText(cursor, text);
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
    rtf::insertLineBreak(cursor);
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
