#include "platform/widgets/RichTextArea.h"

#include "platform/rtf/ExactText.h"
#include "platform/rtf/Rtf.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>

namespace quenzal {
namespace {

// Qt lays a run of characters with no place to break a line out in time
// that grows with the square of its length: the area gives such runs a soft
// break every kSoftBreakEvery characters, which its text leaves out.
constexpr qsizetype kSoftBreakEvery = 512;
// Qt lays a whole block out at once, however long: the area splits a block
// longer than this many characters with soft block breaks, which its text
// leaves out too, so that a screenful is laid out in a moment.
constexpr qsizetype kSoftBlockEvery = 64 * 1024;
// Qt's layout of nested tables takes about twice as long for each level:
// deeper tables show as paragraphs in the cells of the deepest one shown.
constexpr int kShownTableDepth = 2;
// Qt lays a whole table out at once, in time that grows faster than its
// size: tables that take cells beyond these, or text in tables beyond these
// characters, show as paragraphs, and so do the tables after them.
constexpr qint64 kShownTableCells = 10'000;
constexpr qint64 kShownTableText = 100'000;
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

// Qt gives a text edit's document pages of no height, which its layout takes
// as pages 8,388,607 pixels tall (some 600,000 lines) with no next page:
// a layout step that reaches the foot of the first one never ends, and the
// window stops. The area's document has pages this tall, which the layout
// moves past like any page, with what would straddle a foot on the next page.
constexpr qreal kPageHeight = 16'000'000;

// Text longer than this is laid out with the whole document when it is
// pasted.
constexpr qsizetype kLargeEdit = 16 * 1024;

// Large text goes into a document in pieces of about this many characters,
// with the progress told after each.
constexpr qsizetype kPiece = 64 * 1024;

// Where the piece of `text` that starts at `from` ends: after a line break or
// a space, where a run with no place to break ends anyway, when there is one
// soon after kPiece characters, else at kPiece characters, where such a run's
// soft breaks start afresh (its text is the same); never inside a CR LF, and
// always between two graphemes, where a soft block break may go. A piece
// starts between two.
qsizetype pieceEnd(QStringView text, qsizetype from)
{
    if (text.size() - from <= kPiece)
        return text.size();
    const qsizetype at = from + kPiece;
    const qsizetype last = qMin(text.size(), at + kPiece);
    for (qsizetype i = at; i < last; ++i) {
        // A grapheme starts after a control character always, after a space
        // unless a mark follows it.
        const char16_t ch = text[i - 1].unicode();
        const bool control = ch == u'\n' || ch == u'\t' || (ch == u'\r' && text[i] != u'\n');
        if (control || (ch == u' ' && rtf::startsGrapheme(text, i - 1, i)))
            return i;
    }
    qsizetype end = at;
    while (end < last && !rtf::startsGrapheme(text, from, end))
        ++end;
    return end;
}

// Inserts `text` at the cursor piece by piece, with soft breaks, telling
// `progress` after each piece; false when it stopped the insertion.
bool insertInPieces(QTextCursor &cursor, const QString &text, const QTextCharFormat &format,
                    const RichTextArea::Progress &progress)
{
    for (qsizetype from = 0; from < text.size();) {
        const qsizetype to = pieceEnd(text, from);
        rtf::insertExactText(cursor, QStringView(text).sliced(from, to - from), format,
                             kSoftBreakEvery);
        from = to;
        if (from < text.size() && cursor.block().length() > kSoftBlockEvery)
            rtf::insertSoftBlockBreak(cursor);
        if (progress && !progress(from, text.size()))
            return false;
    }
    return true;
}

// Whether a key press types its text, as Qt's text control decides.
bool typesText(const QKeyEvent *event)
{
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const QChar ch = text.front();
    if (ch.category() == QChar::Other_Format)
        return true;
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return false;
    return ch.isPrint() || ch.category() == QChar::Other_PrivateUse || ch.isHighSurrogate() ||
           ch == u'\t';
}

// The presses that move the caret, or the selection's end, by a character or
// a word.
bool movesByText(const QKeyEvent *event)
{
    constexpr QKeySequence::StandardKey kMoves[] = {
        QKeySequence::MoveToNextChar, QKeySequence::MoveToPreviousChar,
        QKeySequence::SelectNextChar, QKeySequence::SelectPreviousChar,
        QKeySequence::MoveToNextWord, QKeySequence::MoveToPreviousWord,
        QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord};
    return std::any_of(std::begin(kMoves), std::end(kMoves),
                       [&](QKeySequence::StandardKey key) { return event->matches(key); });
}

// Which way a press deletes from the caret: 1 forward, -1 back, 0 not at all.
int deletesToward(const QKeyEvent *event)
{
    if (event->matches(QKeySequence::Delete) || event->matches(QKeySequence::DeleteEndOfWord) ||
        event->matches(QKeySequence::DeleteEndOfLine))
        return 1;
    const bool backspace =
        event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier);
    if (backspace || event->matches(QKeySequence::Backspace) ||
        event->matches(QKeySequence::DeleteStartOfWord))
        return -1;
    return 0;
}

// Typed text takes the format of the character before it, which may be a
// soft break, mark and all: takes the mark off `typed`, just put in at `from`,
// and off any break typed with it, as part of the edit that typed it.
void unmarkTyped(QTextDocument *document, int from, const QString &typed)
{
    // A CR LF is one block break in the document.
    const int to = from + int(typed.size() - typed.count(QLatin1String("\r\n")));
    struct Marked
    {
        int from, to;
        QTextCharFormat format;
    };
    QList<Marked> marked;
    for (QTextBlock block = document->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.position() > from && block.charFormat().boolProperty(rtf::kSoftBreakProperty))
            marked.append({block.position() - 1, block.position(), block.charFormat()});
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = qMax(from, fragment.position());
            const int end = qMin(to, fragment.position() + fragment.length());
            if (start < end && fragment.charFormat().boolProperty(rtf::kSoftBreakProperty))
                marked.append({start, end, fragment.charFormat()});
        }
    }
    if (marked.isEmpty())
        return;
    QTextCursor cursor(document);
    cursor.joinPreviousEditBlock();
    for (Marked &text : marked) {
        text.format.clearProperty(rtf::kSoftBreakProperty);
        cursor.setPosition(text.from);
        cursor.setPosition(text.to, QTextCursor::KeepAnchor);
        cursor.setCharFormat(text.format);
    }
    cursor.endEditBlock();
}

} // namespace

RichTextArea::RichTextArea(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(false);
    // The vertical scroll bar always shows, as in a word processor: text is
    // laid out at one width, and a long text that makes the bar appear is not
    // laid out a second time at a narrower one.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setAccessibleName(QStringLiteral("Vertical scroll bar"));
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

bool RichTextArea::setText(const QString &text, const Progress &progress)
{
    // Made apart, so that the area shows its old content until the new one
    // is whole and a stop leaves it untouched; in one edit, with each break's
    // kind on its break character. As with setPlainText(), there is nothing
    // to undo afterwards and the caret is at the start.
    auto made = std::make_unique<QTextDocument>();
    made->setUndoRedoEnabled(false);
    QTextCursor cursor(made.get());
    cursor.beginEditBlock();
    if (!insertInPieces(cursor, text, QTextCharFormat(), progress))
        return false;
    cursor.endEditBlock();
    made->setUndoRedoEnabled(true);
    adopt(made.release());
    return true;
}

Result<bool> RichTextArea::loadRichText(QByteArrayView rtf, const Progress &progress)
{
    rtf::ReadOptions options;
    options.maxTableDepth = kShownTableDepth;
    options.maxFontFamilies = kShownFontFamilies;
    options.maxTableCells = kShownTableCells;
    options.maxTableText = kShownTableText;
    bool stopped = false;
    if (progress) {
        options.progress = [&](qint64 done, qint64 total) {
            stopped = !progress(done, total);
            return !stopped;
        };
    }
    rtf::ReadResult result = rtf::read(rtf, options);
    if (stopped)
        return false;
    if (!result)
        return Result<bool>::failure(result.error());
    QTextDocument *loaded = result.value().get();
    loaded->setUndoRedoEnabled(false);
    rtf::addSoftBreaks(*loaded, kSoftBreakEvery, kSoftBlockEvery);
    loaded->setUndoRedoEnabled(true);
    if (progress && !progress(rtf.size(), rtf.size()))
        return false;
    adopt(result.value().release());
    return true;
}

void RichTextArea::adopt(QTextDocument *document)
{
    document->setParent(this);
    // A document made apart has a page of no fixed size, at which Qt would
    // lay it all out at once when the area takes it; with no page, the area
    // lays it out once, at its own width, a screenful first.
    document->setPageSize(QSizeF(0, 0));
    // Text that names no font of its own shows in the area's font.
    document->setDefaultFont(font());
    // The area's first document belongs to Qt's text control, which deletes it
    // when it is replaced; a document made before belongs to the area.
    const QPointer<QTextDocument> previous = this->document();
    setDocument(document);
    keepPagesFinite();
    if (previous && previous->parent() == this)
        delete previous;
    setTextCursor(QTextCursor(document));
}

void RichTextArea::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    keepPagesFinite();
}

void RichTextArea::keepPagesFinite()
{
    QSizeF page = document()->pageSize();
    if (page.height() >= 0)
        return;
    page.setHeight(kPageHeight);
    document()->setPageSize(page);
}

QByteArray RichTextArea::richText() const
{
    if (!rtf::hasSoftBreaks(*document()))
        return rtf::write(*document());
    const std::unique_ptr<QTextDocument> copy(document()->clone());
    rtf::removeSoftBreaks(*copy);
    return rtf::write(*copy);
}

bool RichTextArea::replaceSelection(const QString &text, const Progress &progress)
{
    std::optional<LayoutWholeAfterwards> layout;
    if (text.size() > kLargeEdit)
        layout.emplace(document());
    const int anchor = textCursor().anchor();
    const int position = textCursor().position();
    // Without undo there is no taking it back: such a paste goes on.
    const bool mayStop = progress && document()->isUndoRedoEnabled();
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    // Text at the start of a line would take the kind of the break before
    // it; the new text's own breaks have their own.
    QTextCharFormat chars = cursor.charFormat();
    chars.clearProperty(rtf::kLineBreakProperty);
    chars.clearProperty(rtf::kSoftBreakProperty);
    const bool stopped = !insertInPieces(cursor, text, chars, mayStop ? progress : Progress());
    cursor.endEditBlock();
    if (stopped) {
        document()->undo();
        document()->clearUndoRedoStacks(QTextDocument::RedoStack);
        layout.reset();
        QTextCursor before(document());
        before.setPosition(anchor);
        before.setPosition(position, QTextCursor::KeepAnchor);
        setTextCursor(before);
        return false;
    }
    layout.reset();
    setTextCursor(cursor);
    ensureCursorVisible();
    return true;
}

QMimeData *RichTextArea::createMimeDataFromSelection() const
{
    auto *mime = new QMimeData;
    mime->setText(rtf::exactText(textCursor()));
    return mime;
}

void RichTextArea::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText())
        return;
    const QString text = source->text();
    if (m_pasteRunner)
        m_pasteRunner([&](const Progress &progress) { replaceSelection(text, progress); });
    else
        replaceSelection(text);
}

void RichTextArea::mousePressEvent(QMouseEvent *event)
{
    emit mouseDown(event->button(), event->modifiers(), event->position().toPoint());
    const QTextCursor before = textCursor();
    QTextEdit::mousePressEvent(event);
    // A press that selects, without Shift, is a triple click: a whole line.
    const QTextCursor after = textCursor();
    if (after.hasSelection() && !(event->modifiers() & Qt::ShiftModifier) &&
        (after.anchor() != before.anchor() || after.position() != before.position()))
        selectWholeLines();
    // Every button's press is the area's own, reported above, also where the
    // text has no use for it.
    event->accept();
}

void RichTextArea::keyPressEvent(QKeyEvent *event)
{
    // The soft breaks have no text, so no press stops at one, deletes one
    // alone, or types text that takes its mark.
    if (movesByText(event)) {
        for (int from = -1; from != textCursor().position() &&
                            (from < 0 || onlySoftBreaksBetween(from, textCursor().position()));) {
            from = textCursor().position();
            QTextEdit::keyPressEvent(event);
        }
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReadOnly() || (enter && (event->modifiers() & Qt::ShiftModifier))) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    if (const int toward = deletesToward(event); toward != 0 && !textCursor().hasSelection())
        stepOverSoftBreaks(toward);
    if (typesText(event)) {
        placeForTyping(event->text());
        const int at = textCursor().selectionStart();
        QTextEdit::keyPressEvent(event);
        unmarkTyped(document(), at, event->text());
        return;
    }
    if (!enter) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    // Enter starts a new line with a CR LF before it (Shift+Enter, a line
    // separator inside the block, reads as CR LF by itself).
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    rtf::insertLineBreak(cursor);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
    event->accept();
}

void RichTextArea::inputMethodEvent(QInputMethodEvent *event)
{
    if (!isReadOnly() && event->preeditString().isEmpty() && event->replacementLength() == 0 &&
        textCursor().block().layout()->preeditAreaText().isEmpty())
        placeForTyping(event->commitString());
    // The commit goes in place of the selection, or of the text it replaces.
    const int at = textCursor().selectionStart() + event->replacementStart();
    QTextEdit::inputMethodEvent(event);
    if (!isReadOnly())
        unmarkTyped(document(), at, event->commitString());
}

bool RichTextArea::onlySoftBreaksBetween(int from, int to) const
{
    for (int position = qMin(from, to); position < qMax(from, to); ++position) {
        if (!rtf::isSoftBreak(*document(), position))
            return false;
    }
    return true;
}

void RichTextArea::stepOverSoftBreaks(int toward)
{
    QTextCursor cursor = textCursor();
    int position = cursor.position();
    while (toward > 0 && rtf::isSoftBreak(*document(), position))
        ++position;
    while (toward < 0 && position > 0 && rtf::isSoftBreak(*document(), position - 1))
        --position;
    if (position == cursor.position())
        return;
    cursor.setPosition(position);
    setTextCursor(cursor);
}

void RichTextArea::placeForTyping(const QString &typed)
{
    QTextCursor cursor = textCursor();
    int position = cursor.position();
    if (typed.isEmpty() || cursor.hasSelection())
        return;
    const QTextBlock block = cursor.block();
    while (position > block.position() && rtf::isSoftBreak(*document(), position - 1))
        --position;
    if (position == cursor.position() || position == block.position())
        return;
    // The character before the soft breaks, a surrogate pair whole.
    const int before =
        position - 1 > block.position() && document()->characterAt(position - 1).isLowSurrogate()
            ? position - 2
            : position - 1;
    QString text;
    for (int i = before; i < position; ++i)
        text += document()->characterAt(i);
    if (rtf::startsGrapheme(text + typed, 0, text.size()))
        return;
    cursor.setPosition(position);
    setTextCursor(cursor);
}

void RichTextArea::selectWholeLines()
{
    QTextCursor cursor = textCursor();
    int start = cursor.selectionStart();
    int end = cursor.selectionEnd();
    const QTextBlock first = document()->findBlock(start);
    const QTextBlock last = document()->findBlock(end - 1);
    // To the end of a line, or past its break.
    const int lineEnd = last.position() + last.length() - 1;
    if (start == end || start != first.position() || (end != lineEnd && end != lineEnd + 1))
        return;
    while (start > 0 && rtf::isSoftBreak(*document(), start - 1))
        start = document()->findBlock(start - 1).position();
    while (end < document()->characterCount() && rtf::isSoftBreak(*document(), end - 1)) {
        const QTextBlock next = document()->findBlock(end);
        end = next.position() + next.length();
    }
    if (start == cursor.selectionStart() && end == cursor.selectionEnd())
        return;
    cursor.setPosition(start);
    cursor.setPosition(qMin(end, document()->characterCount() - 1), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void RichTextArea::contextMenuEvent(QContextMenuEvent *event)
{
    // The window decides what a right-button press shows (mouseDown).
    event->accept();
}

} // namespace quenzal
