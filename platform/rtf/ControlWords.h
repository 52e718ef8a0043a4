#pragma once

#include <QtGlobal>

#include <string_view>

namespace quenzal::rtf {

// What a control word means to the reader. Words that differ only in a
// value share one meaning and carry the value beside it (WordMeaning).
enum class Word : quint8 {
    Unknown,
    // Destinations.
    SkippedDestination,
    FontTable,
    ColorTable,
    Field,
    FieldInstruction,
    FieldResult,
    Picture,
    ShapePicture,
    NestedTableProps,
    LineBreakKind,
    CodeZero, // a U+0000 of the text, which the text of other documents never holds
    // Document.
    CharacterSet, // value: its code page
    AnsiCodePage,
    DefaultFont,
    // Font and color tables.
    Charset,
    FontCodePage,
    Red,
    Green,
    Blue,
    // Text and breaks.
    Character, // value: the character
    Par,
    Section,
    FootnoteMark,
    Unicode,
    UnicodeSkip,
    // Tables.
    Cell,
    Row,
    NestedRow,
    InTable,
    TableLevel,
    // Character formatting.
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Font,
    FontSize,
    Foreground,
    Background,
    Superscript,
    Subscript,
    NoSuperSub,
    // Paragraph formatting.
    Pard,
    Align, // value: an Alignment
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    // Pictures.
    PictureFormat, // value: a PictureKind
    PictureGoalWidth,
    PictureGoalHeight,
    PictureScaleX,
    PictureScaleY,
};

struct WordMeaning
{
    Word word = Word::Unknown;
    int value = 0;
};

// The meaning of a control word's letters; Word::Unknown for words the
// reader passes over.
WordMeaning lookUp(std::string_view word);

} // namespace quenzal::rtf
