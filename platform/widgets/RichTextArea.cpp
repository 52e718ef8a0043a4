#include "platform/widgets/RichTextArea.h"

#include "platform/rtf/ExactText.h"
#include "platform/rtf/Rtf.h"

#include <QAbstractTextDocumentLayout>
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

// Qt takes about this many times as long to lay a character out as to put
// it into a document: a large paste's progress counts each position it lays
// out that many times.
constexpr qint64 kLayoutCost = 3;

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

// Puts plain text into a document at a cursor in pieces (see pieceEnd), with
// soft breaks, and soft block breaks between the pieces of a long block. The
// text may come in parts of any size: what does not make a whole piece yet
// waits for the next part, or for the end.
class PieceWriter
{
public:
    PieceWriter(QTextCursor &cursor, QTextCharFormat format)
        : m_cursor(cursor), m_format(std::move(format))
    {}

    // The next part of the text.
    void add(QStringView text)
    {
        m_waiting += text;
        write(false);
    }
    // The text is whole: what waits goes in.
    void finish() { write(true); }

private:
    void write(bool whole)
    {
        qsizetype from = 0;
        // Where a piece ends may be seen up to two pieces on.
        while (from < m_waiting.size() && (whole || m_waiting.size() - from > 2 * kPiece)) {
            const qsizetype to = pieceEnd(m_waiting, from);
            rtf::insertExactText(m_cursor, QStringView(m_waiting).sliced(from, to - from), m_format,
                                 kSoftBreakEvery);
            from = to;
            if (from < m_waiting.size() && m_cursor.block().length() > kSoftBlockEvery)
                rtf::insertSoftBlockBreak(m_cursor);
        }
        m_waiting.remove(0, from);
    }

    QTextCursor &m_cursor;
    QTextCharFormat m_format;
    QString m_waiting;
};

// Hands `text` to `add` in parts of kPiece characters, telling `progress`
// after each; false when it stopped.
template <typename Add>
bool inParts(QStringView text, const RichTextArea::Progress &progress, Add add)
{
    for (qsizetype from = 0; from < text.size();) {
        const qsizetype to = qMin(text.size(), from + kPiece);
        add(text.sliced(from, to - from));
        from = to;
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

// Lays `document` out from its start up to `position`, a piece at a time,
// telling `laidOut` how far after each; false when it answered false.
bool layOutUpTo(QTextDocument &document, int position, const std::function<bool(int at)> &laidOut)
{
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    for (int at = 0; at < position;) {
        at = int(qMin<qint64>(position, qint64(at) + kPiece));
        layout->blockBoundingRect(document.findBlock(at));
        if (!laidOut(at))
            return false;
    }
    return true;
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

void RichTextArea::replaceCharacters(const std::function<char16_t(char16_t)> &map)
{
    struct Run
    {
        int position;
        QString text;
        QTextCharFormat format;
    };
    // Found first and replaced after, as replacing joins and splits fragments.
    QList<Run> runs;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat() || format.hasProperty(rtf::kSoftBreakProperty))
                continue;
            QString text = fragment.text();
            bool changed = false;
            for (QChar &ch : text) {
                const char16_t mapped = map(ch.unicode());
                changed = changed || mapped != ch.unicode();
                ch = QChar(mapped);
            }
            if (changed)
                runs.append({fragment.position(), text, format});
        }
    }
    if (runs.isEmpty())
        return;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (const Run &run : std::as_const(runs)) {
        cursor.setPosition(run.position);
        cursor.setPosition(run.position + int(run.text.size()), QTextCursor::KeepAnchor);
        cursor.insertText(run.text, run.format);
    }
    cursor.endEditBlock();
}

// Made apart, so that the area shows its old content until the new one is
// whole and a stop leaves it untouched; in one edit, with each break's kind
// on its break character.
struct RichTextArea::NewText::Made
{
    Made()
    {
        document->setUndoRedoEnabled(false);
        cursor.beginEditBlock();
    }

    std::unique_ptr<QTextDocument> document = std::make_unique<QTextDocument>();
    QTextCursor cursor{document.get()};
    PieceWriter writer{cursor, QTextCharFormat()};
};

RichTextArea::NewText::NewText(RichTextArea &area) : m_area(area), m_made(std::make_unique<Made>())
{}

RichTextArea::NewText::~NewText() = default;

void RichTextArea::NewText::append(QStringView text)
{
    m_made->writer.add(text);
}

void RichTextArea::NewText::show()
{
    m_made->writer.finish();
    m_made->cursor.endEditBlock();
    m_made->document->setUndoRedoEnabled(true);
    m_area.adopt(m_made->document.release());
}

bool RichTextArea::setText(const QString &text, const Progress &progress)
{
    NewText made(*this);
    if (!inParts(text, progress, [&](QStringView part) { made.append(part); }))
        return false;
    made.show();
    return true;
}

Result<Completion> RichTextArea::loadRichText(QByteArrayView rtf, const Progress &progress)
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
        return Completion::Stopped;
    if (!result)
        return Result<Completion>::failure(result.error());
    QTextDocument *loaded = result.value().get();
    loaded->setUndoRedoEnabled(false);
    rtf::addSoftBreaks(*loaded, kSoftBreakEvery, kSoftBlockEvery);
    loaded->setUndoRedoEnabled(true);
    if (progress && !progress(rtf.size(), rtf.size()))
        return Completion::Stopped;
    adopt(result.value().release());
    return Completion::Whole;
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
    const bool large = text.size() > kLargeEdit;
    std::optional<LayoutWholeAfterwards> layout;
    if (large)
        layout.emplace(document());
    const int anchor = textCursor().anchor();
    const int position = textCursor().position();
    // Without undo there is no taking it back: such a paste goes on.
    const bool mayStop = progress && document()->isUndoRedoEnabled();
    // The work: the text put in, then, for a large one, the document laid
    // out up to the caret after it (about as many positions as there are
    // before the selection and in the text), each position counting
    // kLayoutCost times.
    const qint64 toLayOut = large ? qMin(anchor, position) + text.size() : 0;
    const qint64 total = text.size() + kLayoutCost * toLayOut;
    const auto tell = [&](qint64 done) { return progress(done, total); };
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    // Text at the start of a line would take the kind of the break before
    // it; the new text's own breaks have their own.
    QTextCharFormat chars = cursor.charFormat();
    chars.clearProperty(rtf::kLineBreakProperty);
    chars.clearProperty(rtf::kSoftBreakProperty);
    PieceWriter writer(cursor, chars);
    bool stopped =
        !inParts(text, mayStop ? [&](qint64 done, qint64) { return tell(done); } : Progress(),
                 [&](QStringView part) { writer.add(part); });
    if (!stopped)
        writer.finish();
    cursor.endEditBlock();
    if (!stopped && large) {
        // Showing the caret would lay it all out at once, where nothing
        // could tell or stop it.
        layout.reset();
        const int caret = cursor.position();
        stopped = !layOutUpTo(*document(), caret, [&](int at) {
            return !mayStop || tell(text.size() + toLayOut * at / qMax(caret, 1) * kLayoutCost);
        });
    }
    if (stopped) {
        if (large && !layout)
            layout.emplace(document());
        document()->undo();
        document()->clearUndoRedoStacks(QTextDocument::RedoStack);
        layout.reset();
        QTextCursor before(document());
        before.setPosition(anchor);
        before.setPosition(position, QTextCursor::KeepAnchor);
        setTextCursor(before);
        return false;
    }
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
