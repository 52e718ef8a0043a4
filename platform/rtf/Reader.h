#pragma once

#include "platform/rtf/CodePageDecoder.h"
#include "platform/rtf/Rtf.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QSet>
#include <QTextCharFormat>
#include <QTextCursor>

#include <string_view>
#include <vector>

class QTextTable;

namespace quenzal::rtf {

// Reads one RTF document into a QTextDocument in a single pass.
//
// The bytes are tokenised as they are read; each group pushes a copy of the
// character, paragraph and destination state and its closing brace restores
// it. A paragraph is gathered until its end (\par, \cell, \row, the end of
// the file) and only then placed, because its paragraph properties, table
// depth included, are the ones in force at its end. Headers, footers,
// footnotes and comments are not part of the body and are left out, as are
// all destinations the reader does not show (style sheet, document
// information, list tables, unknown \* destinations); a footnote's mark in
// the body reads as its number.
//
// Damaged input is read as far as it goes: every count taken from the input
// (group depth, table depth and size, \bin lengths, picture sizes) is
// bounded, so no input makes the reader crash, hang or exhaust memory.
class Reader
{
public:
    explicit Reader(QByteArrayView rtf, const ReadOptions &options = {});

    ReadResult read();

private:
    enum class Destination : quint8 {
        Body,             // document text
        FontTable,        // font names and charsets
        ColorTable,       // \red \green \blue entries
        FieldInstruction, // a field's code, kept for HYPERLINK
        Picture,          // \pict data
        LineBreak,        // the kind of line break before a paragraph
        Ignored,          // words are read, text is dropped
    };

    struct CharProps
    {
        int font = -1;
        int halfPoints = 24;
        int foreground = -1;
        int background = -1;
        int link = -1;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strike = false;
        qint8 verticalAlignment = 0; // 1 superscript, -1 subscript

        bool operator==(const CharProps &) const = default;
    };

    struct ParagraphProps
    {
        int alignment = 0; // 0 left, 1 centre, 2 right, 3 justified
        int leftIndent = 0;
        int rightIndent = 0;
        int firstLineIndent = 0;
        int spaceBefore = 0;
        int spaceAfter = 0;
        int tableLevel = 0; // \itap
        bool inTable = false;

        int depth() const;
    };

    struct State
    {
        Destination destination = Destination::Body;
        bool ownsDestination = false;
        int unicodeSkip = 1;
        int field = -1;
        CharProps chars;
        ParagraphProps paragraph;
    };

    struct Font
    {
        QString name;
        int codePage = 0;
    };

    struct Field
    {
        QString instruction;
        int link = -1;
    };

    struct Picture
    {
        int kind = 0; // 0 not shown, 1 PNG, 2 JPEG
        int width = 0;
        int height = 0;
        int goalWidth = 0;
        int goalHeight = 0;
        int scaleX = 100;
        int scaleY = 100;
        QByteArray data;
        int highNibble = -1;
    };

    // A piece of a paragraph not yet placed: text, or a picture when
    // format is an image format.
    struct Segment
    {
        QString text;
        QTextCharFormat format;
    };

    struct Table
    {
        QTextTable *table = nullptr;
        int row = 0;
        int column = 0;
        // The rows and columns in use, and the rows the table has (some
        // made ahead of use).
        int rows = 1;
        int columns = 1;
        int allocatedRows = 1;
        bool cellEnded = false; // \cell seen; the next content opens the next cell
        bool rowEnded = false;  // \row seen; the next content opens the next row
    };

    enum class ParagraphEnd { Paragraph, Cell, Document };

    // A control word as the lexer reads it: at most 32 letters, and its
    // number clamped to 32 bits.
    struct ControlWord
    {
        std::string_view word;
        bool hasParameter = false;
        int parameter = 0;
    };

    // What a group past the deepest whole state keeps of the state around
    // it: what decides where its text goes. Formatting set in such a group
    // stays for the groups around it.
    struct OuterState
    {
        Destination destination = Destination::Body;
        bool ownsDestination = false;
        int unicodeSkip = 1;
        int field = -1;

        bool operator==(const OuterState &) const = default;
    };

    // Tokens.
    void parse();
    void readText();
    void readControl();
    void readWord(bool starred);
    ControlWord lexWord();
    void controlWord(std::string_view word, bool hasParameter, int parameter, bool starred);
    void controlSymbol(char symbol);
    void skipGroup();
    void skipBinary(int length, bool keep);
    bool consumeSkippedCharacter();

    // Groups.
    void openGroup();
    bool closeGroup();
    void finishGroup(const State &closed);
    State &state() { return m_stack.back(); }
    void beginDestination(Destination destination);
    void endDestination(const State &closed);

    // Text.
    void addBytes(const char *begin, const char *end);
    void addByte(char byte);
    void addText(QStringView text);
    void addUnicode(int code);
    void flushBytes();
    void flushRun();
    int codePageOf(int font) const;

    // Paragraphs and tables.
    void endParagraph(ParagraphEnd end);
    void endRow(int depth);
    void enterTableDepth(int depth);
    void openTable();
    void closeTable();
    void moveOn(Table &table);
    QTextCharFormat charFormat(const CharProps &props);
    bool isShown(const QString &family); // within ReadOptions::maxFontFamilies
    QTextBlockFormat blockFormat(const ParagraphProps &props) const;

    // Destinations with content of their own.
    void commitFont();
    void commitColor();
    void finishField(Field &field);
    void finishPicture();

    const char *m_pos;
    const char *m_end;

    std::unique_ptr<QTextDocument> m_document;
    QTextCursor m_cursor;
    std::vector<State> m_stack;
    // Groups past the deepest whole state: how many are open, and what each
    // saved, equal ones run together.
    int m_overflowDepth = 0;
    std::vector<std::pair<OuterState, int>> m_outerStates;
    int m_skip = 0; // \uN fallback characters still to skip

    int m_documentCodePage = CodePageDecoder::kWindows1252;
    int m_defaultFont = -1;
    CodePageDecoders m_codePages;
    QHash<int, Font> m_fonts;
    int m_maxFontFamilies;
    QSet<QString> m_shownFamilies;
    QList<QColor> m_colors;
    QList<QString> m_links;
    std::vector<Field> m_fields;
    Picture m_picture;
    int m_footnotes = 0;
    int m_pictures = 0;
    qint64 m_pictureBytes = 0;

    // The font table entry being read.
    int m_fontNumber = -1;
    int m_fontCharset = -1;
    int m_fontCodePage = 0;
    QString m_fontName;
    bool m_fontPending = false;
    // The color table entry being read.
    int m_red = -1;
    int m_green = -1;
    int m_blue = -1;

    // Bytes not yet decoded, text not yet in a segment, and the paragraph.
    QByteArray m_bytes;
    QString m_run;
    CharProps m_runProps;
    std::vector<Segment> m_paragraph;
    bool m_paragraphOpen = false;

    CharProps m_formatProps;
    QTextCharFormat m_format;
    bool m_formatValid = false;

    int m_maxTableDepth;
    qint64 m_maxCells;
    std::vector<Table> m_tables;
    qint64 m_cells = 0;
    bool m_needBlock = false; // the last paragraph ended with \par
    // The kind of line break that the next paragraph follows, when it is not
    // a paragraph break, and the one being read.
    QString m_pendingLineBreak;
    QString m_lineBreak;

    // Progress: where the bytes begin, the next place to report, and
    // whether the caller stopped the reading.
    bool keepReading();
    const char *m_begin;
    const char *m_nextReport;
    std::function<bool(qint64, qint64)> m_progress;
    qint64 m_progressEvery;
    bool m_stopped = false;
};

} // namespace quenzal::rtf
