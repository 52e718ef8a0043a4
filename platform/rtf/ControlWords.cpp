#include "platform/rtf/ControlWords.h"

#include "platform/rtf/CodePageDecoder.h"
#include "platform/rtf/Constants.h"
#include "platform/rtf/Formatting.h"

#include <unordered_map>
#include <utility>

namespace quenzal::rtf {
namespace {

// Words that stand for a character.
constexpr std::pair<const char *, char16_t> kCharacters[] = {
    {"line", kLineSeparator}, {"tab", u'\t'},      {"emdash", 0x2014},  {"endash", 0x2013},
    {"bullet", 0x2022},       {"lquote", 0x2018},  {"rquote", 0x2019},  {"ldblquote", 0x201C},
    {"rdblquote", 0x201D},    {"emspace", 0x2003}, {"enspace", 0x2002}, {"qmspace", 0x2005},
    {"zwj", 0x200D},          {"zwnj", 0x200C},    {"ltrmark", 0x200E}, {"rtlmark", 0x200F}};
// The document's character set, as its code page.
constexpr std::pair<const char *, int> kCharacterSets[] = {
    {"ansi", CodePageDecoder::kWindows1252}, {"mac", 10000}, {"pc", 437}, {"pca", 850}};
constexpr std::pair<const char *, Alignment> kAlignments[] = {{"ql", Alignment::Left},
                                                              {"qc", Alignment::Center},
                                                              {"qr", Alignment::Right},
                                                              {"qj", Alignment::Justify},
                                                              {"qd", Alignment::Justify}};
// Picture formats; the reader shows PNG and JPEG only.
constexpr std::pair<const char *, PictureKind> kPictureFormats[] = {
    {"pngblip", PictureKind::Png},      {"jpegblip", PictureKind::Jpeg},
    {"emfblip", PictureKind::NotShown}, {"wmetafile", PictureKind::NotShown},
    {"macpict", PictureKind::NotShown}, {"dibitmap", PictureKind::NotShown},
    {"wbitmap", PictureKind::NotShown}, {"pmmetafile", PictureKind::NotShown}};

// The control words the reader knows. \bin is the lexer's own.
const std::unordered_map<std::string_view, WordMeaning> &words()
{
    static const std::unordered_map<std::string_view, WordMeaning> table = [] {
        std::unordered_map<std::string_view, WordMeaning> map = {
            {"fonttbl", {Word::FontTable}},
            {"colortbl", {Word::ColorTable}},
            {"field", {Word::Field}},
            {"fldinst", {Word::FieldInstruction}},
            {"fldrslt", {Word::FieldResult}},
            {"pict", {Word::Picture}},
            {"shppict", {Word::ShapePicture}},
            {"nesttableprops", {Word::NestedTableProps}},
            {"quenzalbreak", {Word::LineBreakKind}},
            {"quenzalnul", {Word::CodeZero}},
            {"ansicpg", {Word::AnsiCodePage}},
            {"deff", {Word::DefaultFont}},
            {"fcharset", {Word::Charset}},
            {"cpg", {Word::FontCodePage}},
            {"red", {Word::Red}},
            {"green", {Word::Green}},
            {"blue", {Word::Blue}},
            {"par", {Word::Par}},
            {"sect", {Word::Section}},
            {"chftn", {Word::FootnoteMark}},
            {"u", {Word::Unicode}},
            {"uc", {Word::UnicodeSkip}},
            {"cell", {Word::Cell}},
            {"nestcell", {Word::Cell}},
            {"row", {Word::Row}},
            {"nestrow", {Word::NestedRow}},
            {"intbl", {Word::InTable}},
            {"itap", {Word::TableLevel}},
            {"plain", {Word::Plain}},
            {"b", {Word::Bold}},
            {"i", {Word::Italic}},
            {"ulnone", {Word::UnderlineNone}},
            {"strike", {Word::Strike}},
            {"striked", {Word::Strike}},
            {"f", {Word::Font}},
            {"fs", {Word::FontSize}},
            {"cf", {Word::Foreground}},
            {"cb", {Word::Background}},
            {"highlight", {Word::Background}},
            {"chcbpat", {Word::Background}},
            {"super", {Word::Superscript}},
            {"sub", {Word::Subscript}},
            {"nosupersub", {Word::NoSuperSub}},
            {"pard", {Word::Pard}},
            {"li", {Word::LeftIndent}},
            {"lin", {Word::LeftIndent}},
            {"ri", {Word::RightIndent}},
            {"rin", {Word::RightIndent}},
            {"fi", {Word::FirstIndent}},
            {"sb", {Word::SpaceBefore}},
            {"sa", {Word::SpaceAfter}},
            {"picwgoal", {Word::PictureGoalWidth}},
            {"pichgoal", {Word::PictureGoalHeight}},
            {"picscalex", {Word::PictureScaleX}},
            {"picscaley", {Word::PictureScaleY}},
        };
        for (const auto &[name, character] : kCharacters)
            map.emplace(name, WordMeaning{Word::Character, character});
        for (const auto &[name, codePage] : kCharacterSets)
            map.emplace(name, WordMeaning{Word::CharacterSet, codePage});
        for (const auto &[name, alignment] : kAlignments)
            map.emplace(name, WordMeaning{Word::Align, int(alignment)});
        for (const auto &[name, kind] : kPictureFormats)
            map.emplace(name, WordMeaning{Word::PictureFormat, int(kind)});
        for (const char *underline :
             {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
              "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",
              "ulwave"})
            map.emplace(underline, WordMeaning{Word::Underline});
        // Destinations whose text is not part of the body: document
        // information and tables the reader does not use, headers, footers,
        // footnotes and comments, list label templates, drawing objects and
        // the fallbacks for readers that know no shapes or nested tables.
        for (const char *skipped : {"stylesheet",
                                    "info",
                                    "listtable",
                                    "listoverridetable",
                                    "revtbl",
                                    "rsidtbl",
                                    "filetbl",
                                    "pgdsctbl",
                                    "xmlnstbl",
                                    "template",
                                    "header",
                                    "headerl",
                                    "headerr",
                                    "headerf",
                                    "footer",
                                    "footerl",
                                    "footerr",
                                    "footerf",
                                    "footnote",
                                    "annotation",
                                    "atnid",
                                    "atnauthor",
                                    "atndate",
                                    "atnicn",
                                    "atnref",
                                    "atntime",
                                    "ftnsep",
                                    "ftnsepc",
                                    "ftncn",
                                    "aftnsep",
                                    "aftnsepc",
                                    "aftncn",
                                    "pn",
                                    "pntxta",
                                    "pntxtb",
                                    "pnseclvl",
                                    "nonshppict",
                                    "shp",
                                    "shprslt",
                                    "do",
                                    "nonesttables",
                                    "objdata",
                                    "objclass",
                                    "objname",
                                    "bkmkstart",
                                    "bkmkend",
                                    "xe",
                                    "tc",
                                    "txe",
                                    "rxe",
                                    "background",
                                    "author",
                                    "operator",
                                    "title",
                                    "subject",
                                    "keywords",
                                    "comment",
                                    "doccomm",
                                    "company",
                                    "category",
                                    "manager",
                                    "hlinkbase",
                                    "docvar",
                                    "userprops",
                                    "datafield",
                                    "fldtype",
                                    "formfield",
                                    "listpicture",
                                    "themedata",
                                    "list",
                                    "listlevel",
                                    "leveltext",
                                    "levelnumbers",
                                    "listname",
                                    "listoverride",
                                    "lfolevel",
                                    "colorschememapping",
                                    "latentstyles",
                                    "datastore",
                                    "generator",
                                    "mmathPr"})
            map.emplace(skipped, WordMeaning{Word::SkippedDestination});
        return map;
    }();
    return table;
}

} // namespace

WordMeaning lookUp(std::string_view word)
{
    const auto &table = words();
    const auto it = table.find(word);
    return it == table.end() ? WordMeaning() : it->second;
}

} // namespace quenzal::rtf
