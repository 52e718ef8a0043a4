#pragma once

#include <QString>
#include <QStringView>

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
namespace quenzal::rtf {

// The plain text between document positions `from` and `to`. Pictures have
// no plain text and are left out.
QString exactText(const QTextDocument &document, int from, int to);
// The whole document's plain text.
QString exactText(const QTextDocument &document);

// Inserts `text` at the cursor, a new block for each line break with the
// kind of the break on its break character; each line takes `format`, or the
// cursor's format when there is none.
void insertExactText(QTextCursor &cursor, QStringView text,
                     const QTextCharFormat *format = nullptr);

// Starts a new block at the cursor after a line break of the given kind.
void insertLineBreak(QTextCursor &cursor, QStringView lineBreak = u"\r\n");

} // namespace quenzal::rtf
