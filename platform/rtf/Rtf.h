#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QTextDocument>
#include <QTextFormat>

#include <functional>
#include <limits>
#include <memory>

// Rich Text Format to QTextDocument and back.
namespace quenzal::rtf {

// What read() made of some bytes: a document, or why there is none.
using ReadResult = Result<std::unique_ptr<QTextDocument>>;

// A character format property of a block's break character (the format that
// QTextBlock::charFormat() gives): the characters of the line break that
// precedes the block when it is not a paragraph break (CR LF), such as a lone
// CR or LF of a scrambled text. The writer keeps it in an ignorable group
// that other programs skip, and the reader gives it back.
inline constexpr int kLineBreakProperty = QTextFormat::UserProperty + 0x51;

// How read() builds its document. The limits on tables change only how the
// document shows, never its text: a table past them shows as the paragraphs
// it holds, each cell and each cell a row lacks beginning a new line as in a
// table.
struct ReadOptions
{
    // Tables nested deeper than this (at most 8) show as paragraphs in the
    // cell of the deepest table kept: Qt's layout of nested tables takes
    // about twice as long for each level. (Deeper than 8, whatever the
    // limit, paragraphs join the cells of the tables 8 deep.)
    int maxTableDepth = 8;
    // The table that takes the cells shown as tables past this many, and
    // every table after it, show as paragraphs: Qt lays a table out at once,
    // in time that grows faster than its size. (Whatever the limit, cells
    // beyond 200,000 over all tables join the last cell.)
    qint64 maxTableCells = std::numeric_limits<qint64>::max();
    // So do the table that takes the text in tables shown past this many
    // characters (paragraph ends counted), and every table after it: Qt lays
    // a tall table out at once and far slower than the same text outside one.
    qint64 maxTableText = std::numeric_limits<qint64>::max();
    // Text in fonts beyond this many distinct families shows in the
    // document's default font: Qt looks each family up on the system once,
    // at a cost that grows with the number already looked up.
    int maxFontFamilies = std::numeric_limits<int>::max();
    // When false, pictures are not decoded and the document holds none, with
    // the same text (pictures have none): for a reader of the text alone, to
    // whom pictures would cost time and memory for nothing.
    bool decodePictures = true;
    // When set, called every progressEvery bytes with how many of all the
    // bytes are read so far; when it returns false, reading stops and there
    // is no document.
    std::function<bool(qint64 done, qint64 total)> progress;
    qint64 progressEvery = 64 * 1024;
};

// Reads RTF bytes into a new document. Bytes that do not begin with the
// "{\rtf" header are not rich text; damaged rich text (unbalanced braces,
// truncation, unknown words) gives what could be read. Never throws.
ReadResult read(QByteArrayView rtf, const ReadOptions &options = {});

// Writes a document as RTF that Word, WordPad and LibreOffice open: text in
// one of the program's code pages (\ansicpg, and the matching \fcharset for
// every font; 0: the code page in force), \uN for
// everything else, with the character and paragraph formatting, tables,
// links and pictures that read() understands.
QByteArray write(const QTextDocument &document, int codePage = 0);

} // namespace quenzal::rtf
