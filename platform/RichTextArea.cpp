#include "RichTextArea.h"

#include "Rtf.h"

#include <QContextMenuEvent>
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

// The line break that precedes a block, when it is not CR LF. A block without
// it (one split off by Enter, or a paragraph read from a document) follows a
// CR LF. QTextDocument keeps this data with the upper block when a block is
// split and drops the lower block's data when two blocks are joined, so the
// data stays with the break it describes while the user edits.
class BreakBefore final : public QTextBlockUserData
{
public:
    explicit BreakBefore(QStringView breakChars) : chars(breakChars.toString()) {}
    const QString chars;
};

void setBreakBefore(QTextBlock block, QStringView chars)
{
    block.setUserData(chars == kCrLf ? nullptr : new BreakBefore(chars));
}

QStringView breakBefore(const QTextBlock &block)
{
    const auto *data = static_cast<const BreakBefore *>(block.userData());
    return data ? QStringView(data->chars) : QStringView(kCrLf);
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
    // QTextDocument turns every kind of break into the same block break, so
    // hand it the text with one break character and note each kind.
    QString lines;
    lines.reserve(text.size());
    QList<QStringView> breaks;
    forEachLine(text, [&](QStringView line, QStringView lineBreak) {
        lines += line;
        if (!lineBreak.isEmpty()) {
            lines += u'\n';
            breaks.append(lineBreak);
        }
    });
    setPlainText(lines);
    QTextBlock block = document()->begin();
    for (const QStringView lineBreak : std::as_const(breaks)) {
        block = block.next();
        if (lineBreak != kCrLf)
            setBreakBefore(block, lineBreak);
    }
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
        if (!lineBreak.isEmpty()) {
            cursor.insertBlock();
            setBreakBefore(cursor.block(), lineBreak);
        }
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
}

void RichTextArea::contextMenuEvent(QContextMenuEvent *event)
{
    // The window decides what a right-button press shows (mouseDown).
    event->accept();
}

} // namespace quenzal
