#include "Formatting.h"

#include "Constants.h"

namespace quenzal::rtf {
namespace {

int twips(int value)
{
    return std::clamp(value, -kMaxTwips, kMaxTwips);
}

} // namespace

bool applyFormatting(WordMeaning meaning, bool hasParameter, int parameter, int defaultFont,
                     CharProps &chars, ParagraphProps &paragraph)
{
    const bool on = !hasParameter || parameter != 0;
    switch (meaning.word) {
    case Word::InTable:
        paragraph.inTable = true;
        return true;
    case Word::TableLevel:
        paragraph.tableLevel = std::clamp(parameter, 0, kMaxTableDepth);
        return true;
    case Word::Plain: {
        const int link = chars.link;
        chars = CharProps();
        chars.font = defaultFont;
        chars.link = link;
        return true;
    }
    case Word::Bold:
        chars.bold = on;
        return true;
    case Word::Italic:
        chars.italic = on;
        return true;
    case Word::Underline:
        chars.underline = on;
        return true;
    case Word::UnderlineNone:
        chars.underline = false;
        return true;
    case Word::Strike:
        chars.strike = on;
        return true;
    case Word::FontSize:
        chars.halfPoints = parameter > 0 ? std::min(parameter, kMaxHalfPoints) : 24;
        return true;
    case Word::Foreground:
        chars.foreground = parameter;
        return true;
    case Word::Background:
        chars.background = parameter;
        return true;
    case Word::Superscript:
        chars.verticalAlignment = on ? 1 : 0;
        return true;
    case Word::Subscript:
        chars.verticalAlignment = on ? -1 : 0;
        return true;
    case Word::NoSuperSub:
        chars.verticalAlignment = 0;
        return true;
    case Word::Pard:
        paragraph = ParagraphProps();
        return true;
    case Word::Align:
        paragraph.alignment = Alignment(meaning.value);
        return true;
    case Word::LeftIndent:
        paragraph.leftIndent = twips(parameter);
        return true;
    case Word::RightIndent:
        paragraph.rightIndent = twips(parameter);
        return true;
    case Word::FirstIndent:
        paragraph.firstLineIndent = twips(parameter);
        return true;
    case Word::SpaceBefore:
        paragraph.spaceBefore = std::clamp(parameter, 0, kMaxTwips);
        return true;
    case Word::SpaceAfter:
        paragraph.spaceAfter = std::clamp(parameter, 0, kMaxTwips);
        return true;
    default:
        return false;
    }
}

bool applyPictureWord(WordMeaning meaning, int parameter, Picture &picture)
{
    switch (meaning.word) {
    case Word::PictureFormat:
        picture.kind = PictureKind(meaning.value);
        return true;
    case Word::PictureGoalWidth:
        picture.goalWidth = parameter;
        return true;
    case Word::PictureGoalHeight:
        picture.goalHeight = parameter;
        return true;
    case Word::PictureScaleX:
        picture.scaleX = parameter;
        return true;
    case Word::PictureScaleY:
        picture.scaleY = parameter;
        return true;
    default:
        return false;
    }
}

} // namespace quenzal::rtf
