#include "ExactText.h"

#include "Rtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace quenzal::rtf {
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
    const QVariant chars = block.charFormat().property(kLineBreakProperty);
    return chars.isValid() ? chars.toString() : kCrLf;
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

QString exactText(const QTextDocument &document, int from, int to)
{
    QString out;
    out.reserve(qMax(0, to - from));
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to;
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

QString exactText(const QTextDocument &document)
{
    return exactText(document, 0, document.characterCount() - 1);
}

void insertExactText(QTextCursor &cursor, QStringView text, const QTextCharFormat *format)
{
    forEachLine(text, [&](QStringView line, QStringView lineBreak) {
        if (!line.isEmpty()) {
            if (format)
                cursor.insertText(line.toString(), *format);
            else
                cursor.insertText(line.toString());
        }
        if (!lineBreak.isEmpty())
            insertLineBreak(cursor, lineBreak);
    });
}

// Text typed at the start of a line takes the format of the break before it,
// kind included, so the new break character's format is set afresh.
void insertLineBreak(QTextCursor &cursor, QStringView lineBreak)
{
    QTextCharFormat chars = cursor.charFormat();
    if (lineBreak == kCrLf)
        chars.clearProperty(kLineBreakProperty);
    else
        chars.setProperty(kLineBreakProperty, lineBreak.toString());
    cursor.insertBlock(cursor.blockFormat(), chars);
}

} // namespace quenzal::rtf
