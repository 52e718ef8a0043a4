#pragma once

#include "platform/rtf/Formatting.h"
#include "platform/rtf/Rtf.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>

#include <limits>
#include <memory>
#include <vector>

class QTextTable;

namespace quenzal::rtf {

// Builds a QTextDocument from what a reader finds: runs of text and
// pictures with their character properties, paragraph ends with the
// paragraph properties in force there, and table rows. A paragraph is
// gathered until its end and only then placed, because its paragraph
// properties, table depth included, are the ones in force at its end.
//
// Fonts, colours and links are numbers into tables the reader fills as it
// goes. Every count that the document asks for (table depth and size,
// picture sizes) is bounded, so no input exhausts the machine.
//
// The caller's limits on tables (ReadOptions) change only how the document
// shows, never its text: a table past them is shown as the paragraphs it
// holds, each cell a paragraph of its own as in a table, and an empty
// paragraph for each cell a row lacks. Whether a table fits is known as it
// begins, except that it may grow past the limits on cells and text later:
// then the builder asks to be given the document again (restartFrom()).
class DocumentBuilder
{
public:
    enum class ParagraphEnd { Paragraph, Cell, Document };

    // Tables from the `looseTablesFrom`th on (in the order they begin, from
    // 0) are shown as paragraphs.
    explicit DocumentBuilder(const ReadOptions &options = {},
                             int looseTablesFrom = std::numeric_limits<int>::max());

    // The tables that character properties refer to.
    void setFontFamily(int font, const QString &family);
    void addColor(const QColor &color); // an invalid colour is "auto"
    // The link of a HYPERLINK field code, as a number for CharProps::link;
    // -1 when the code is not a hyperlink.
    int addLink(QStringView fieldInstruction);

    // The run of text in `props` at the end of the paragraph, to append to.
    QString &runFor(const CharProps &props)
    {
        if (!(props == m_runProps))
            startRun(props);
        return m_run;
    }
    void addText(QStringView text, const CharProps &props) { runFor(props) += text; }
    // Adds a PNG or JPEG picture; false when it is not shown (another
    // format, damaged, declaring more pixels than its data can hold, over
    // the limit for all pictures, or pictures not wanted). A PNG or JPEG
    // picture with data opens its paragraph all the same, so that the text
    // does not depend on whether it decodes.
    bool addPicture(const Picture &picture);
    // The line break, other than a paragraph break, that the next paragraph
    // follows (see kLineBreakProperty).
    void setLineBreakBefore(const QString &chars) { m_pendingLineBreak = chars; }

    // Text or a picture is gathered for the paragraph.
    bool hasParagraph() const { return m_paragraphOpen || !m_run.isEmpty(); }
    void endParagraph(const ParagraphProps &props, ParagraphEnd end);
    // Ends the row of the table `depth` deep (1 the outermost), the open
    // paragraph first as its last cell.
    void endRow(const ParagraphProps &props, int depth);

    // A table grew past the caller's limits while shown as one: -1, or the
    // table from which on a builder given the same document again is to show
    // tables as paragraphs (looseTablesFrom), which no table then grows past.
    int restartFrom() const { return m_restartFrom; }

    // Ends the last paragraph and every table; `defaultFont` becomes the
    // document's default font.
    std::unique_ptr<QTextDocument> finish(const ParagraphProps &props, int defaultFont);

    // The target of a HYPERLINK field code: its first argument, or "#name"
    // for the \l switch (a place in the same document); empty for others.
    static QString hyperlinkTarget(QStringView instruction);

private:
    // A piece of a paragraph not yet placed: text, or a picture when
    // format is an image format.
    struct Segment
    {
        QString text;
        QTextCharFormat format;
    };

    struct Table
    {
        QTextTable *table = nullptr; // none when shown as paragraphs
        int index = 0;               // in the order tables begin
        int row = 0;
        int column = 0;
        // The rows and columns in use, and the rows the table has (some
        // made ahead of use).
        int rows = 1;
        int columns = 1;
        int allocatedRows = 1;
        bool cellEnded = false; // \cell seen; the next content opens the next cell
        bool rowEnded = false;  // \row seen; the next content opens the next row
        // Shown as paragraphs: where each row before the current one ends.
        std::vector<int> rowEnds;
    };
    // The ways to the next cell: a new row, the next cell of the row, a new
    // column, or none (the paragraphs join the last cell).
    enum class Step { NextRow, NextCell, NewColumn, Join };

    void startRun(const CharProps &props);
    void flushRun();
    void enterTableDepth(int depth);
    void openTable();
    void closeTable();
    void moveOn(Table &table);
    void moveOnInTable(Table &table, Step step);
    void moveOnInParagraphs(Table &table, Step step);
    void startCell();
    void showAsParagraphsFrom(int index);
    QTextCharFormat charFormat(const CharProps &props);
    bool isShown(const QString &family); // within ReadOptions::maxFontFamilies
    static QTextBlockFormat blockFormat(const ParagraphProps &props);

    std::unique_ptr<QTextDocument> m_document;
    QTextCursor m_cursor;

    QHash<int, QString> m_families;
    int m_maxFontFamilies;
    QSet<QString> m_shownFamilies;
    QList<QColor> m_colors;
    QList<QString> m_links;
    bool m_decodePictures;
    int m_pictures = 0;
    qint64 m_pictureBytes = 0; // decoded, of the pictures shown
    qint64 m_pictureData = 0;  // their data's bytes

    // Text not yet in a segment, and the paragraph.
    QString m_run;
    CharProps m_runProps;
    std::vector<Segment> m_paragraph;
    bool m_paragraphOpen = false;

    CharProps m_formatProps;
    QTextCharFormat m_format;
    bool m_formatValid = false;

    // The caller's limits on the tables shown, and what they hold so far.
    int m_shownDepth;
    qint64 m_shownCells;
    qint64 m_shownText;
    int m_looseFrom;
    qint64 m_shownCellCount = 0;
    qint64 m_shownTextCount = 0;
    int m_restartFrom = -1;
    int m_tablesOpened = 0;
    std::vector<Table> m_tables;
    qint64 m_cells = 0;       // over all tables, shown or not
    bool m_needBlock = false; // the last paragraph ended with \par
    QString m_pendingLineBreak;
};

} // namespace quenzal::rtf
