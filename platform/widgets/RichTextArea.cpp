#include "platform/widgets/RichTextArea.h"

#include "platform/rtf/ExactText.h"
#include "platform/rtf/Rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
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
// Qt lays a whole block out at once, however long: the area splits a block
// longer than this many characters with soft block breaks, which its text
// leaves out too, so that a screenful is laid out in a moment.
constexpr qsizetype kSoftBlockEvery = 64 * 1024;
// Qt's layout of nested tables takes about twice as long for each level:
// deeper tables join the cells of the deepest one shown.
constexpr int kShownTableDepth = 2;
// Qt lays a whole table out at once, in time that grows faster than its
// size: cells beyond these, and text in tables beyond these characters, show
// as paragraphs.
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
// soft breaks start afresh (its text is the same); never inside a CR LF or a
// surrogate pair.
qsizetype pieceEnd(QStringView text, qsizetype from)
{
    if (text.size() - from <= kPiece)
        return text.size();
    const qsizetype at = from + kPiece;
    const qsizetype last = qMin(text.size(), at + kPiece);
    for (qsizetype i = at; i < last; ++i) {
        const char16_t ch = text[i - 1].unicode();
        if (ch == u'\n' || ch == u' ' || ch == u'\t' || (ch == u'\r' && text[i] != u'\n'))
            return i;
    }
    const bool splitsPair = (text[at - 1] == u'\r' && text[at] == u'\n') ||
                            (text[at - 1].isHighSurrogate() && text[at].isLowSurrogate());
    return splitsPair ? at + 1 : at;
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
    bool stopped =
        !insertInPieces(cursor, text, chars,
                        mayStop ? [&](qint64 done, qint64) { return tell(done); } : Progress());
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
    const QTextCursor cursor = textCursor();
    if (cursor.hasComplexSelection()) // a rectangle of table cells
        return QTextEdit::createMimeDataFromSelection();
    auto *mime = new QMimeData;
    mime->setText(textBetween(cursor.selectionStart(), cursor.selectionEnd()));
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
