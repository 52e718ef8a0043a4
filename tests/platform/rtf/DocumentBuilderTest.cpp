// The document builder on its own: paragraphs, runs, tables and pictures
// placed from properties, without RTF text.
#include "platform/rtf/DocumentBuilder.h"
#include "DocumentSummary.h"
#include "TestCase.h"
#include "platform/rtf/ExactText.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QTest>
#include <QtEndian>

using namespace quenzal;
using namespace Qt::StringLiterals;

namespace {

// A picture of red pixels, saved in `format`.
QByteArray saved(QSize size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A JPEG whose header declares `size` over the data of a small picture.
QByteArray jpegDeclaring(QSize size)
{
    QByteArray bytes = saved(QSize(8, 8), "JPEG");
    // The start of frame: marker, length, precision, then height and width.
    const qsizetype start = bytes.indexOf("\xff\xc0");
    if (start < 0)
        qFatal("The JPEG has no baseline start of frame");
    char *frame = bytes.data() + start;
    qToBigEndian<quint16>(size.height(), frame + 5);
    qToBigEndian<quint16>(size.width(), frame + 7);
    return bytes;
}

// Runs a script of steps separated by spaces: "/" ends a paragraph, "|" a
// cell, "#" a row, "@N" puts the following paragraphs N tables deep, "~r"
// lets the next paragraph follow a lone CR, "^" adds a 3x2 picture shown at
// 90x60 twips and "^jpeg" a JPEG of a few hundred bytes declaring 5000x5000
// pixels, "*word" adds bold text and any other word plain text. Run again
// when the builder asks, as the reader does.
std::unique_ptr<QTextDocument> build(const QString &script, const rtf::ReadOptions &options,
                                     int looseTablesFrom = std::numeric_limits<int>::max())
{
    rtf::DocumentBuilder builder(options, looseTablesFrom);
    rtf::ParagraphProps paragraph;
    using End = rtf::DocumentBuilder::ParagraphEnd;
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
        if (step == u"/") {
            builder.endParagraph(paragraph, End::Paragraph);
        } else if (step == u"|") {
            builder.endParagraph(paragraph, End::Cell);
        } else if (step == u"#") {
            builder.endRow(paragraph, std::max(1, paragraph.depth()));
        } else if (step.startsWith(u'@')) {
            paragraph.tableLevel = step.sliced(1).toInt();
        } else if (step == u"~r") {
            builder.setLineBreakBefore(u"\r"_s);
        } else if (step.startsWith(u'^')) {
            const bool jpeg = step == u"^jpeg";
            rtf::Picture picture;
            picture.kind = jpeg ? rtf::PictureKind::Jpeg : rtf::PictureKind::Png;
            picture.goalWidth = 90;
            picture.goalHeight = 60;
            picture.data = jpeg ? jpegDeclaring(QSize(5000, 5000)) : saved(QSize(3, 2), "PNG");
            builder.addPicture(picture);
        } else {
            rtf::CharProps chars;
            chars.bold = step.startsWith(u'*');
            builder.addText(chars.bold ? step.sliced(1) : step, chars);
        }
    }
    if (builder.restartFrom() >= 0)
        return build(script, options, builder.restartFrom());
    return builder.finish(paragraph, -1);
}

} // namespace

class DocumentBuilderTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void build_data();
    void build();
};

void DocumentBuilderTest::build_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("maxTableDepth");
    QTest::addColumn<int>("maxTableCells");
    QTest::addColumn<int>("maxTableText");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("summary");

    QTest::newRow("runs, and a lone CR before a paragraph")
        << u"a *b c / ~r d"_s << 8 << 1000 << 1000 << u"abc\rd"_s
        << QStringList{u"paragraph"_s, u"  [12] a"_s,  u"  [12 bold] b"_s,
                       u"  [12] c"_s,  u"paragraph"_s, u"  [12] d"_s};
    QTest::newRow("a table row between paragraphs")
        << u"x / @1 a | b | # @0 y"_s << 8 << 1000 << 1000 << u"x\r\na\r\nb\r\ny"_s
        << QStringList{u"paragraph"_s,   u"  [12] x"_s,   u"table 1x2"_s, u" cell 0,0"_s,
                       u"  paragraph"_s, u"    [12] a"_s, u" cell 0,1"_s, u"  paragraph"_s,
                       u"    [12] b"_s,  u"paragraph"_s,  u"  [12] y"_s};
    QTest::newRow("tables nested past the deepest shown are paragraphs in its cell")
        << u"@2 a | b | # @1 c | #"_s << 1 << 1000 << 1000 << u"\r\n\r\na\r\nb\r\nc\r\n"_s
        << QStringList{u"paragraph"_s,   u"table 1x1"_s,  u" cell 0,0"_s,   u"  paragraph"_s,
                       u"  paragraph"_s, u"    [12] a"_s, u"  paragraph"_s, u"    [12] b"_s,
                       u"  paragraph"_s, u"    [12] c"_s, u"paragraph"_s};
    // A document of plain paragraphs, one for each line of its text.
    const auto paragraphs = [](const QString &text) {
        QStringList summary;
        for (const QString &line : text.split(u"\r\n"_s)) {
            summary << u"paragraph"_s;
            if (!line.isEmpty())
                summary << u"  [12] "_s + line;
        }
        return summary;
    };
    const QString fourCells = u"\r\na\r\nb\r\nc\r\nd\r\n"_s;
    QTest::newRow("a table past the cell limit is paragraphs")
        << u"@1 a | b | # c | d | #"_s << 8 << 3 << 1000 << fourCells << paragraphs(fourCells);
    const QString grown =
        u"\r\na\r\n\r\n\r\nb\r\n\r\n\r\nc\r\n\r\n\r\nd\r\ne\r\n\r\nf\r\ng\r\nh\r\n"_s;
    QTest::newRow("a table shown as paragraphs gains columns as a table does")
        << u"@1 a | # b | # c | # d | e | # f | g | h | #"_s << 8 << 2 << 1000 << grown
        << paragraphs(grown);
    QTest::newRow("a table after the cells shown is paragraphs")
        << u"@1 a | b | # @0 x / @1 c | #"_s << 8 << 2 << 1000 << u"\r\na\r\nb\r\nx\r\nc\r\n"_s
        << QStringList{u"paragraph"_s,  u"table 1x2"_s, u" cell 0,0"_s,   u"  paragraph"_s,
                       u"    [12] a"_s, u" cell 0,1"_s, u"  paragraph"_s, u"    [12] b"_s,
                       u"paragraph"_s,  u"  [12] x"_s,  u"paragraph"_s,   u"  [12] c"_s,
                       u"paragraph"_s};
    const QString fiveCells = u"\r\nab\r\nc\r\nd\r\ne\r\n\r\n"_s;
    QTest::newRow("a table past the text limit for tables is paragraphs")
        << u"@1 ab | c / d | # e | #"_s << 8 << 1000 << 5 << fiveCells << paragraphs(fiveCells);
    QTest::newRow("a picture at its shown size")
        << u"^ x"_s << 8 << 1000 << 1000 << u"x"_s
        << QStringList{u"paragraph"_s, u"  [picture 3x2 shown 6x4] \uFFFC"_s, u"  [12] x"_s};
    QTest::newRow("a picture declaring more pixels than its data holds is left out")
        << u"^jpeg x"_s << 8 << 1000 << 1000 << u"x"_s
        << QStringList{u"paragraph"_s, u"  [12] x"_s};
}

void DocumentBuilderTest::build()
{
    QFETCH(QString, script);
    QFETCH(int, maxTableDepth);
    QFETCH(int, maxTableCells);
    QFETCH(int, maxTableText);
    QFETCH(QString, text);
    QFETCH(QStringList, summary);

    rtf::ReadOptions options;
    options.maxTableDepth = maxTableDepth;
    options.maxTableCells = maxTableCells;
    options.maxTableText = maxTableText;
    const std::unique_ptr<QTextDocument> document = ::build(script, options);
    QCOMPARE(rtf::exactText(*document), text);
    // The limits change how the document shows, never its text.
    QCOMPARE(rtf::exactText(*::build(script, {})), text);
    // The document's default family is the machine's; the paragraphs' format
    // is the default one.
    QStringList lines = test::summary(*document);
    lines.replaceInStrings(u"["_s + document->defaultFont().family() + u' ', u"["_s);
    lines.replaceInStrings(u"paragraph align 1 margins 0 0 0 0 0"_s, u"paragraph"_s);
    QUENZAL_COMPARE_SUMMARY(lines, summary);
}

QTEST_MAIN(DocumentBuilderTest)
#include "DocumentBuilderTest.moc"
