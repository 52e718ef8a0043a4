#pragma once

#include "platform/rtf/ControlWords.h"

#include <QByteArray>

#include <algorithm>

namespace quenzal::rtf {

// Limits on what a document can ask for.
// Deeper \itap levels join the deepest table. Qt's layout of nested tables
// takes about twice as long for each level, so this stays small.
inline constexpr int kMaxTableDepth = 8;
inline constexpr int kMaxTwips = 31680; // 22 inches, Word's largest indent

enum class Alignment : quint8 { Left, Center, Right, Justify };

// The picture formats the reader shows; the others it passes over.
enum class PictureKind : quint8 { NotShown, Png, Jpeg };

// The character properties in force, fonts, colours and links as numbers
// into the document's tables.
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

// The paragraph properties in force, lengths in twips.
struct ParagraphProps
{
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int tableLevel = 0; // \itap
    bool inTable = false;

    // How many tables deep the paragraph lies, at most kMaxTableDepth.
    int depth() const
    {
        const int level = tableLevel > 0 ? tableLevel : (inTable ? 1 : 0);
        return std::min(level, kMaxTableDepth);
    }
};

// A picture as the document gives it: its format, its bytes, the size to
// show it at in twips and the scale in percent.
struct Picture
{
    PictureKind kind = PictureKind::NotShown;
    QByteArray data;
    int highNibble = -1; // of a byte whose second hex digit is still to come
    int goalWidth = 0;
    int goalHeight = 0;
    int scaleX = 100;
    int scaleY = 100;
};

// Applies a word that sets a character, paragraph or picture property
// (\plain returns to `defaultFont`); other words change nothing.
void applyFormatting(WordMeaning meaning, bool hasParameter, int parameter, int defaultFont,
                     CharProps &chars, ParagraphProps &paragraph, Picture &picture);

} // namespace quenzal::rtf
