#pragma once

#include "platform/rtf/CodePageDecoder.h"
#include "platform/rtf/DocumentBuilder.h"
#include "platform/rtf/Formatting.h"
#include "platform/rtf/Lexer.h"
#include "platform/rtf/Rtf.h"

#include <QHash>

#include <functional>
#include <limits>
#include <vector>

namespace quenzal::rtf {

// Reads one RTF document into a QTextDocument in a single pass.
//
// The lexer's tokens are taken as they come; each group pushes a copy of the
// character, paragraph and destination state and its closing brace restores
// it. The text of the body goes to a DocumentBuilder with the properties in
// force. Headers, footers, footnotes and comments are not part of the body
// and are left out, as are all destinations the reader does not show (style
// sheet, document information, list tables, unknown \* destinations); a
// footnote's mark in the body reads as its number.
//
// Damaged input is read as far as it goes: every count taken from the input
// (group depth, table depth and size, \bin lengths, picture sizes) is
// bounded, so no input makes the reader crash, hang or exhaust memory.
class Reader
{
public:
    // `rtf` begins with the {\rtf header (see read()). Tables from the
    // `looseTablesFrom`th on show as paragraphs (DocumentBuilder).
    explicit Reader(QByteArrayView rtf, const ReadOptions &options = {},
                    int looseTablesFrom = std::numeric_limits<int>::max());

    // The document, or none when the progress stopped the reading or the
    // builder asks to be given the document again (restartFrom()).
    std::unique_ptr<QTextDocument> read();
    int restartFrom() const { return m_stopped ? -1 : m_builder.restartFrom(); }
    // How many bytes the progress was told were read.
    qint64 reported() const { return m_reported; }

private:
    enum class Destination : quint8 {
        Body,             // document text
        FontTable,        // font names and charsets
        ColorTable,       // \red \green \blue entries
        FieldInstruction, // a field's code, kept for HYPERLINK
        Picture,          // \pict data
        LineBreak,        // the kind of line break before a paragraph
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

    struct Field
    {
        QString instruction;
        int link = -1;
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
    void readText(std::string_view text);
    void readStarred();
    void controlWord(const Token &token, bool starred);
    void controlSymbol(char symbol);
    void skipGroup();
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
    int codePageOf(int font) const;
    void endParagraph(DocumentBuilder::ParagraphEnd end);

    // Destinations with content of their own.
    void commitFont();
    void commitColor();
    void finishPicture();

    Lexer m_lexer;
    DocumentBuilder m_builder;

    // Progress: whom to tell, how often, the next count of bytes to tell it
    // at, and whether it stopped the reading.
    bool keepReading();
    std::function<bool(qint64, qint64)> m_progress;
    qint64 m_progressEvery;
    qint64 m_nextReport;
    qint64 m_reported = 0;
    bool m_stopped = false;
    std::vector<State> m_stack;
    // Groups past the deepest whole state: how many are open, and what each
    // saved, equal ones run together.
    int m_overflowDepth = 0;
    std::vector<std::pair<OuterState, int>> m_outerStates;
    int m_skip = 0; // \uN fallback characters still to skip

    int m_documentCodePage = CodePageDecoder::kWindows1252;
    int m_defaultFont = -1;
    CodePageDecoders m_codePages;
    QHash<int, int> m_fontCodePages; // by font number
    std::vector<Field> m_fields;
    Picture m_picture;
    int m_footnotes = 0;

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

    // Bytes not yet decoded.
    QByteArray m_bytes;
    // The kind of line break being read (see kLineBreakProperty).
    QString m_lineBreak;
};

} // namespace quenzal::rtf
