#include "platform/rtf/Formatting.h"

#include "platform/rtf/Constants.h"

namespace quenzal::rtf {
namespace {

int twips(int value)
{
    return std::clamp(value, -kMaxTwips, kMaxTwips);
}

} // namespace

void applyFormatting(WordMeaning meaning, bool hasParameter, int parameter, int defaultFont,
                     CharProps &chars, ParagraphProps &paragraph, Picture &picture)
{
    const bool on = !hasParameter || parameter != 0;
    switch (meaning.word) {
    case Word::InTable:
        paragraph.inTable = true;
        break;
    case Word::TableLevel:
        paragraph.tableLevel = std::clamp(parameter, 0, kMaxTableDepth);
        break;
    case Word::Plain: {
        const int link = chars.link;
        chars = CharProps();
        chars.font = defaultFont;
        chars.link = link;
        break;
    }
    case Word::Bold:
        chars.bold = on;
        break;
    case Word::Italic:
        chars.italic = on;
        break;
    case Word::Underline:
        chars.underline = on;
        break;
    case Word::UnderlineNone:
        chars.underline = false;
        break;
    case Word::Strike:
        chars.strike = on;
        break;
    case Word::FontSize:
        chars.halfPoints = parameter > 0 ? std::min(parameter, kMaxHalfPoints) : 24;
        break;
    case Word::Foreground:
        chars.foreground = parameter;
        break;
    case Word::Background:
        chars.background = parameter;
        break;
    case Word::Superscript:
        chars.verticalAlignment = on ? 1 : 0;
        break;
    case Word::Subscript:
        chars.verticalAlignment = on ? -1 : 0;
        break;
    case Word::NoSuperSub:
        chars.verticalAlignment = 0;
        break;
    case Word::Pard:
        paragraph = ParagraphProps();
        break;
    case Word::Align:
        paragraph.alignment = Alignment(meaning.value);
        break;
    case Word::LeftIndent:
        paragraph.leftIndent = twips(parameter);
        break;
    case Word::RightIndent:
        paragraph.rightIndent = twips(parameter);
        break;
    case Word::FirstIndent:
        paragraph.firstLineIndent = twips(parameter);
        break;
    case Word::SpaceBefore:
        paragraph.spaceBefore = std::clamp(parameter, 0, kMaxTwips);
        break;
    case Word::SpaceAfter:
        paragraph.spaceAfter = std::clamp(parameter, 0, kMaxTwips);
        break;
    case Word::PictureFormat:
        picture.kind = PictureKind(meaning.value);
        break;
    case Word::PictureGoalWidth:
        picture.goalWidth = parameter;
        break;
    case Word::PictureGoalHeight:
        picture.goalHeight = parameter;
        break;
    case Word::PictureScaleX:
        picture.scaleX = parameter;
        break;
    case Word::PictureScaleY:
        picture.scaleY = parameter;
        break;
    default:
        break;
    }
}

} // namespace quenzal::rtf
