#pragma once

#include <QString>
#include <QStringView>
#include <QTextFormat>

class QTextCharFormat;
class QTextCursor;
class QTextDocument;

// A document's exact plain text, and plain text into a document exactly.
//
// QTextDocument::toPlainText() is lossy: it turns U+00A0 into a space and
// every kind of line break into one paragraph break. These functions keep the
// kind of each break on the document's break character (kLineBreakProperty),
// so that the text read back is exactly the text put in, every code 1..255,
// lone CR, lone LF, CR LF, tab and other control codes included. A break
// without the property (a paragraph break read from a file, one typed with
// Enter) and a line separator inside a block (Shift+Enter) read as CR LF.
//
// Qt lays a run of characters with no place to break a line out in time that
// grows with the square of its length, and a whole block out at once. A text
// area may therefore give such runs soft breaks: zero-width spaces marked
// with kSoftBreakProperty, which are its own and have no plain text; and
// split long blocks with soft block breaks, block breaks whose character is
// marked the same way and that have no plain text either. Both go only
// between two graphemes; the area's editing passes over them.
namespace quenzal::rtf {

constexpr int kSoftBreakProperty = QTextFormat::UserProperty + 0x53;

// The plain text between document positions `from` and `to`. Pictures and
// soft breaks have no plain text and are left out.
QString exactText(const QTextDocument &document, int from, int to);
// The whole document's plain text.
QString exactText(const QTextDocument &document);
// The plain text of a cursor's selection; of a rectangle of table cells, each
// selected cell's text followed by the break that ends the cell, row by row.
QString exactText(const QTextCursor &selection);

// Inserts `text` at the cursor in `format`, a new block for each line break
// with the kind of the break on its break character. With `softBreakEvery`,
// a run of that many characters with no place to break gets a soft break.
void insertExactText(QTextCursor &cursor, QStringView text, const QTextCharFormat &format,
                     qsizetype softBreakEvery = 0);

// Starts a new block at the cursor after a line break of the given kind.
void insertLineBreak(QTextCursor &cursor, QStringView lineBreak = u"\r\n");

// Whether text[at] starts a grapheme, given that text[from] starts one: a
// soft break goes only between two graphemes, never inside a surrogate pair
// nor between a letter and its marks.
bool startsGrapheme(QStringView text, qsizetype from, qsizetype at);

// Gives every run of `every` characters with no place to break a soft break,
// and splits every block longer than `blockEvery` characters with soft block
// breaks, each after a place where a line may break.
void addSoftBreaks(QTextDocument &document, qsizetype every, qsizetype blockEvery);
// Starts a new block at the cursor with a soft block break.
void insertSoftBlockBreak(QTextCursor &cursor);
// Takes every soft break and soft block break out again; true when there was
// any.
bool removeSoftBreaks(QTextDocument &document);
bool hasSoftBreaks(const QTextDocument &document);
// Whether the character at document position `position` is a soft break, or
// the break character of a soft block break.
bool isSoftBreak(const QTextDocument &document, int position);

} // namespace quenzal::rtf
