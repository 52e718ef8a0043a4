#include "platform/rtf/Writer.h"

#include "platform/rtf/CodePageDecoder.h"
#include "platform/rtf/Constants.h"
#include "platform/rtf/Rtf.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <cmath>

namespace quenzal::rtf {
namespace {

constexpr int kPageTextWidth = 9360; // twips between the margins of a Letter page
constexpr char kLinkEnd[] = "}}";    // ends a HYPERLINK field's result and the field

int toTwips(double pixels)
{
    return int(std::lround(std::clamp(pixels, -1e6, 1e6) * kTwipsPerPixel));
}

void appendNumber(QByteArray &out, const char *word, qint64 value)
{
    out += word;
    out += QByteArray::number(value);
}

QString familyOf(const QTextCharFormat &format)
{
    const QStringList families = format.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

QImage imageOf(const QVariant &resource)
{
    switch (resource.typeId()) {
    case QMetaType::QImage:
        return resource.value<QImage>();
    case QMetaType::QPixmap:
        return resource.value<QPixmap>().toImage();
    case QMetaType::QByteArray:
        return QImage::fromData(resource.toByteArray());
    default:
        return {};
    }
}

} // namespace

Writer::Writer(const QTextDocument &document, int codePage)
    : m_document(document),
      m_codePage(CodePage::page(codePage == 0 ? CodePage::current() : codePage))
{
    const QFont font = document.defaultFont();
    m_defaultFamily = font.family();
    if (font.pointSizeF() > 0)
        m_defaultPointSize = font.pointSizeF();
    m_fonts.append(m_defaultFamily);
}

QByteArray Writer::write()
{
    m_body.reserve(m_document.characterCount() * 2 + 1024);
    writeFrame(m_document.rootFrame(), 0);

    QByteArray out = "{\\rtf1\\ansi";
    appendNumber(out, "\\ansicpg", m_codePage.number());
    out += "\\deff0\\uc1\n{\\fonttbl";
    const int charset = CodePageDecoder::charsetOf(m_codePage.number());
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        appendNumber(out, "{\\f", i);
        appendNumber(out, "\\fnil\\fcharset", charset);
        out += ' ';
        writeText(m_fonts.at(i), out);
        out += ";}";
    }
    out += "}\n{\\colortbl;";
    for (const QColor &color : std::as_const(m_colors)) {
        appendNumber(out, "\\red", color.red());
        appendNumber(out, "\\green", color.green());
        appendNumber(out, "\\blue", color.blue());
        out += ';';
    }
    out += "}\n{\\*\\generator Quenzal;}\\viewkind4\n";
    out += m_body;
    out += "}\n";
    return out;
}

void Writer::writeFrame(const QTextFrame *frame, int depth)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame()) {
            if (const auto *table = qobject_cast<const QTextTable *>(child))
                writeTable(table, depth + 1);
            else
                writeFrame(child, depth);
        } else {
            writeBlock(it.currentBlock(), depth, BlockEnd::Paragraph);
        }
    }
}

void Writer::writeRowDefinition(const QTextTable *table)
{
    m_body += "\\trowd\\trgaph108";
    const int columns = table->columns();
    for (int column = 1; column <= columns; ++column)
        appendNumber(m_body, "\\cellx", qint64(kPageTextWidth) * column / columns);
}

void Writer::writeTable(const QTextTable *table, int depth)
{
    const BlockEnd cellEnd = depth > 1 ? BlockEnd::NestedCell : BlockEnd::Cell;
    for (int row = 0; row < table->rows(); ++row) {
        if (depth == 1) {
            writeRowDefinition(table);
            m_body += '\n';
        }
        for (int column = 0; column < table->columns(); ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            if (cell.row() != row || cell.column() != column) {
                // Covered by a spanning cell: an empty cell keeps the grid.
                writeBlock(QTextBlock(), depth, cellEnd);
                continue;
            }
            // The cell's paragraphs and nested tables; its last paragraph
            // ends the cell.
            QList<QTextFrame::iterator> items;
            for (auto it = cell.begin(); !it.atEnd(); ++it)
                items.append(it);
            for (qsizetype i = 0; i < items.size(); ++i) {
                const QTextFrame::iterator &it = items.at(i);
                const bool last = i + 1 == items.size();
                if (const QTextFrame *child = it.currentFrame()) {
                    if (const auto *nested = qobject_cast<const QTextTable *>(child))
                        writeTable(nested, depth + 1);
                    else
                        writeFrame(child, depth);
                    if (last)
                        writeBlock(QTextBlock(), depth, cellEnd);
                } else {
                    writeBlock(it.currentBlock(), depth, last ? cellEnd : BlockEnd::Paragraph);
                }
            }
            if (items.isEmpty())
                writeBlock(QTextBlock(), depth, cellEnd);
        }
        if (depth == 1) {
            m_body += "\\row\n";
        } else {
            m_body += "{\\*\\nesttableprops";
            writeRowDefinition(table);
            m_body += "\\nestrow}{\\nonesttables\\par}\n";
        }
    }
}

void Writer::writeBlock(const QTextBlock &block, int depth, BlockEnd end)
{
    // A paragraph in a table says so, and how deep when it is nested.
    m_body += "\\pard";
    if (depth > 0)
        m_body += "\\intbl";
    if (depth > 1)
        appendNumber(m_body, "\\itap", depth);
    if (block.isValid()) {
        writeBlockFormat(block.blockFormat());
        // A line break other than a paragraph break before this paragraph (a
        // lone CR or LF of a scrambled text), in a group other programs skip.
        const QString lineBreak = block.charFormat().property(kLineBreakProperty).toString();
        if (!lineBreak.isEmpty()) {
            m_body += "{\\*\\quenzalbreak ";
            writeText(lineBreak, m_body);
            m_body += '}';
        }
        writeRuns(block);
    }
    switch (end) {
    case BlockEnd::Paragraph:
        m_body += "\\par\n";
        break;
    case BlockEnd::Cell:
        m_body += "\\cell\n";
        break;
    case BlockEnd::NestedCell:
        m_body += "\\nestcell\n";
        break;
    }
}

void Writer::writeBlockFormat(const QTextBlockFormat &format)
{
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        m_body += "\\qc";
    else if (alignment & Qt::AlignRight)
        m_body += "\\qr";
    else if (alignment & Qt::AlignJustify)
        m_body += "\\qj";
    if (format.leftMargin() != 0)
        appendNumber(m_body, "\\li", toTwips(format.leftMargin()));
    if (format.rightMargin() != 0)
        appendNumber(m_body, "\\ri", toTwips(format.rightMargin()));
    if (format.textIndent() != 0)
        appendNumber(m_body, "\\fi", toTwips(format.textIndent()));
    if (format.topMargin() != 0)
        appendNumber(m_body, "\\sb", toTwips(format.topMargin()));
    if (format.bottomMargin() != 0)
        appendNumber(m_body, "\\sa", toTwips(format.bottomMargin()));
    m_body += ' ';
}

// Each run of text as a group with its character formatting; a run of
// linked text inside the HYPERLINK field of its link.
void Writer::writeRuns(const QTextBlock &block)
{
    QString openLink;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat chars = fragment.charFormat();
        const QString link = chars.isAnchor() ? chars.anchorHref() : QString();
        if (link != openLink) {
            if (!openLink.isEmpty())
                m_body += kLinkEnd;
            if (!link.isEmpty())
                writeLinkStart(link);
            openLink = link;
        }
        if (chars.isImageFormat()) {
            for (qsizetype i = 0; i < fragment.length(); ++i)
                writePicture(chars.toImageFormat());
            continue;
        }
        m_body += '{';
        writeCharFormat(chars);
        m_body += ' ';
        writeText(fragment.text(), m_body);
        m_body += '}';
    }
    if (!openLink.isEmpty())
        m_body += kLinkEnd;
}

// A HYPERLINK field up to the start of its result: the target, and the
// place in it after \l for a link with a "#".
void Writer::writeLinkStart(const QString &link)
{
    const qsizetype hash = link.indexOf(u'#');
    m_body += "{\\field{\\*\\fldinst{HYPERLINK ";
    if (hash != 0)
        writeFieldArgument(hash < 0 ? link : link.first(hash));
    if (hash >= 0) {
        m_body += "\\\\l ";
        writeFieldArgument(link.sliced(hash + 1));
    }
    m_body += "}}{\\fldrslt";
}

// A field code's argument in quotes, with any quote in it as %22.
void Writer::writeFieldArgument(QString argument)
{
    m_body += '"';
    writeText(argument.replace(u'"', QStringLiteral("%22")), m_body);
    m_body += "\" ";
}

void Writer::writeCharFormat(const QTextCharFormat &format)
{
    const QString family = familyOf(format);
    appendNumber(m_body, "\\f", fontIndex(family.isEmpty() ? m_defaultFamily : family));
    const double points = format.fontPointSize() > 0 ? format.fontPointSize() : m_defaultPointSize;
    appendNumber(m_body, "\\fs", std::clamp<qint64>(std::lround(points * 2), 1, kMaxHalfPoints));
    if (format.fontWeight() >= QFont::DemiBold)
        m_body += "\\b";
    if (format.fontItalic())
        m_body += "\\i";
    if (format.fontUnderline())
        m_body += "\\ul";
    if (format.fontStrikeOut())
        m_body += "\\strike";
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        m_body += "\\super";
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        m_body += "\\sub";
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush)
        appendNumber(m_body, "\\cf", colorIndex(format.foreground().color()));
    if (format.hasProperty(QTextFormat::BackgroundBrush) &&
        format.background().style() != Qt::NoBrush) {
        // \chcbpat for Word and LibreOffice, \highlight for WordPad.
        const int index = colorIndex(format.background().color());
        appendNumber(m_body, "\\chcbpat", index);
        appendNumber(m_body, "\\highlight", index);
    }
}

void Writer::writePicture(const QTextImageFormat &format)
{
    const QImage image =
        imageOf(m_document.resource(QTextDocument::ImageResource, QUrl(format.name())));
    if (image.isNull())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return;
    const double width = format.width() > 0 ? format.width() : image.width();
    const double height = format.height() > 0 ? format.height() : image.height();
    m_body += "{\\pict\\pngblip";
    appendNumber(m_body, "\\picw", image.width());
    appendNumber(m_body, "\\pich", image.height());
    appendNumber(m_body, "\\picwgoal", toTwips(width));
    appendNumber(m_body, "\\pichgoal", toTwips(height));
    m_body += '\n';
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        m_body += QByteArrayView(hex).sliced(i, std::min<qsizetype>(128, hex.size() - i));
        m_body += '\n';
    }
    m_body += '}';
}

void Writer::writeText(QStringView text, QByteArray &out) const
{
    static const char hexDigits[] = "0123456789abcdef";
    for (const QChar qch : text) {
        const char16_t ch = qch.unicode();
        switch (ch) {
        case u'\\':
        case u'{':
        case u'}':
            out += '\\';
            out += char(ch);
            continue;
        case u'\t':
            out += "\\tab ";
            continue;
        case kLineSeparator:
            out += "\\line ";
            continue;
        case 0x00A0:
            out += "\\~";
            continue;
        case 0x00AD:
            out += "\\-";
            continue;
        case 0x2011:
            out += "\\_";
            continue;
        case 0:
            // In other documents a NUL is noise, which the reader leaves out;
            // a code 0 of the text has a group of its own, which other
            // programs skip.
            out += "{\\*\\quenzalnul}";
            continue;
        default:
            break;
        }
        if (ch >= 0x20 && ch < 0x7F) {
            out += char(ch);
            continue;
        }
        if (const auto code = m_codePage.toCode(ch)) {
            const int byte = *code;
            out += "\\'";
            out += hexDigits[byte >> 4];
            out += hexDigits[byte & 15];
            continue;
        }
        // \uN takes a signed 16-bit number; "?" is the fallback for readers
        // without Unicode (\uc1).
        appendNumber(out, "\\u", ch > 32767 ? qint64(ch) - 65536 : qint64(ch));
        out += '?';
    }
}

int Writer::fontIndex(const QString &family)
{
    const qsizetype index = m_fonts.indexOf(family);
    if (index >= 0)
        return int(index);
    m_fonts.append(family);
    return int(m_fonts.size() - 1);
}

int Writer::colorIndex(const QColor &color)
{
    const QColor rgb = color.toRgb();
    for (qsizetype i = 0; i < m_colors.size(); ++i) {
        if (m_colors.at(i).rgb() == rgb.rgb())
            return int(i + 1);
    }
    m_colors.append(rgb);
    return int(m_colors.size());
}

QByteArray write(const QTextDocument &document, int codePage)
{
    return Writer(document, codePage).write();
}

} // namespace quenzal::rtf
