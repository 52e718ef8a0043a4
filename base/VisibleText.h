#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

namespace quenzal {

// Whether a character would not show as itself in a message: a control (C0,
// DEL, C1), a format character (U+200B, the bidirectional marks and
// overrides such as U+202E, U+FEFF, ...), a line or paragraph separator, a
// space other than U+0020, a letter that draws nothing (the Hangul fillers,
// U+034F), or a code point that is no character (a lone surrogate, private
// use, unassigned). Such a character can hide or reorder the text around it.
inline bool isHiddenCharacter(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    case QChar::Separator_Space:
        return c != U' ';
    default:
        break;
    }
    switch (c) {
    case 0x034F: // combining grapheme joiner
    case 0x115F: // Hangul choseong filler
    case 0x1160: // Hangul jungseong filler
    case 0x17B4: // Khmer inherent vowels
    case 0x17B5:
    case 0x3164: // Hangul filler
    case 0xFFA0: // halfwidth Hangul filler
        return true;
    default:
        return false;
    }
}

// "U+202E": how a message names a character by its code.
inline QString codePointName(char32_t c)
{
    return QStringLiteral("U+") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
}

// `text` as a message shows it: each hidden character by its code in angle
// brackets ("file<U+202E>txt.exe"), every other one as it is. What a message
// names (a file name, a character) goes through this, so that it cannot hide
// or reorder the rest of the message. Showing a text twice changes nothing.
inline QString visibleText(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i].unicode();
        qsizetype length = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            length = 2;
        }
        if (isHiddenCharacter(c))
            shown += u'<' + codePointName(c) + u'>';
        else
            shown += text.sliced(i, length);
        i += length;
    }
    return shown;
}

} // namespace quenzal
