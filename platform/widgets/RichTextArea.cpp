#include "platform/widgets/RichTextArea.h"

#include "platform/rtf/ExactText.h"
#include "platform/rtf/Rtf.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>
#include <optional>

namespace quenzal {
namespace {

// Qt lays a run of characters with no place to break a line out in time
// that grows with the square of its length: the area gives such runs a soft
// break every kSoftBreakEvery characters, which its text leaves out.
constexpr qsizetype kSoftBreakEvery = 512;
// Qt's layout of nested tables takes about twice as long for each level:
// deeper tables join the cells of the deepest one shown.
constexpr int kShownTableDepth = 2;
// Qt lays a whole table out at once, in time that grows faster than its
// size: cells beyond these show as paragraphs.
constexpr qint64 kShownTableCells = 10'000;
// Qt looks every font family up on the system, at a cost that grows with
// the number looked up: text in further families shows in the area's font.
constexpr int kShownFontFamilies = 64;

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
    return rtf::exactText(*document(), from, to);
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
        rtf::insertExactText(cursor, text, QTextCharFormat(), kSoftBreakEvery);
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
        *error = result.error();
        return false;
    }
    QTextDocument *loaded = result.value().release();
    loaded->setUndoRedoEnabled(false);
    rtf::addSoftBreaks(*loaded, kSoftBreakEvery);
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
    if (!rtf::hasSoftBreaks(*document()))
        return rtf::write(*document());
    const std::unique_ptr<QTextDocument> copy(document()->clone());
    rtf::removeSoftBreaks(*copy);
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
    chars.clearProperty(rtf::kSoftBreakProperty);
    rtf::insertExactText(cursor, text, chars, kSoftBreakEvery);
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
