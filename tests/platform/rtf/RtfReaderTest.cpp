// The RTF reader on small documents, one feature or fault per row.
#include "DocumentSummary.h"
#include "TestCase.h"
#include "platform/rtf/Rtf.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>
#include <QTextTable>

using namespace quenzal;
using namespace Qt::StringLiterals;

namespace {

QString textOf(const QByteArray &rtf)
{
    const auto result = rtf::read(rtf);
    return result.ok() ? test::areaText(result.value().get()) : QStringLiteral("(not rich text)");
}

QList<QTextTable *> tablesOf(QTextFrame *frame)
{
    QList<QTextTable *> tables;
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            tables << table;
        tables << tablesOf(child);
    }
    return tables;
}

QString cellText(QTextTable *table, int row, int column)
{
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

// The run formats of a document's only paragraph, without the font's family
// and size where a row does not set them.
QStringList runs(const QByteArray &rtf)
{
    const auto result = rtf::read(rtf);
    if (!result.ok())
        return {};
    QStringList lines = test::summary(*result.value());
    lines.removeFirst(); // the paragraph line
    for (QString &line : lines)
        line = line.trimmed();
    return lines;
}

QByteArray pictureHex(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toHex();
}

} // namespace

class RtfReaderTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void codePages_data();
    void codePages();
    void notRichText_data();
    void notRichText();
    void damaged_data();
    void damaged();
    void randomBytesAfterTheHeader();
    void characterFormatting();
    void paragraphFormatting();
    void tables();
    void nestedTables();
    void tableLimits();
    void links_data();
    void links();
    void pictures();
};

void RtfReaderTest::text_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("paragraphs and line breaks")
        << QByteArray(R"({\rtf1 one\par two\line three\par})") << "one\r\ntwo\r\nthree";
    QTest::newRow("an empty last paragraph") << QByteArray(R"({\rtf1 a\par\par})") << "a\r\n";
    QTest::newRow("backslash and line end is a paragraph")
        << QByteArray("{\\rtf1 a\\\nb}") << "a\r\nb";
    QTest::newRow("line ends in the file are not text")
        << QByteArray("{\\rtf1 a\r\nb\nc\rd}") << "abcd";
    QTest::newRow("control symbols")
        << QByteArray(R"({\rtf1 a\~b\-c\_d\{\}\\})") << u"a\u00A0b\u00ADc\u2011d{}\\"_s;
    QTest::newRow("special characters")
        << QByteArray(R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote\tab x})")
        << u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D\tx"_s;
    QTest::newRow("a word's space is its delimiter")
        << QByteArray(R"({\rtf1 \b  two}\par})") << " two";
    QTest::newRow("unicode with fallback")
        << QByteArray(R"({\rtf1\uc1 \u1046?\u-30050?x})") << u"\u0416\u8A9Ex"_s;
    QTest::newRow("uc2 skips two hex bytes")
        << QByteArray(R"({\rtf1\uc2\u26085\'93\'fa x})") << u"\u65E5 x"_s;
    QTest::newRow("uc0 skips nothing") << QByteArray(R"({\rtf1\uc0\u26085 x})") << u"\u65E5x"_s;
    QTest::newRow("a control word is one fallback character")
        << QByteArray(R"({\rtf1\uc1\u8212\emdash x})") << u"\u2014x"_s;
    QTest::newRow("uc is restored after a group")
        << QByteArray(R"({\rtf1{\uc2 \u26085??}\u26085?a})") << u"\u65E5\u65E5a"_s;
    QTest::newRow("a group ends the fallback")
        << QByteArray(R"({\rtf1\uc3{\u26085}ab})") << u"\u65E5ab"_s;
    QTest::newRow("surrogate pair") << QByteArray(R"({\rtf1\u-10179?\u-8704?})") << u"\U0001F600"_s;
    QTest::newRow("lone surrogate") << QByteArray(R"({\rtf1 a\u-10179?b})") << u"a\uFFFDb"_s;
    QTest::newRow("bin data is not text") << QByteArray(R"({\rtf1 a\bin3 }{\b}b})") << "ab";
    QTest::newRow("bin data in a skipped group")
        << QByteArray(R"({\rtf1 a{\*\blob\bin2 }}}b})") << "ab";
    QTest::newRow("destinations not shown")
        << QByteArray(R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red1\green2\blue3;})"
                      R"({\stylesheet{\s0 Normal;}}{\info{\title T}{\author A}}{\*\unknown x}a})")
        << "a";
    QTest::newRow("headers, footers and footnotes left out, marks numbered")
        << QByteArray(R"({\rtf1{\header H}{\footerr F}a{\super\chftn}{\footnote\pard{\super\chftn})"
                      R"( note}b{\super\chftn}{\footnote two}{\annotation c}})")
        << "a1b2";
    QTest::newRow("field result") << QByteArray(R"({\rtf1 {\field{\*\fldinst PAGE}{\fldrslt 7}}})")
                                  << "7";
    QTest::newRow("list labels")
        << QByteArray(R"({\rtf1{\listtext\pard\plain 1.\tab}one\par{\pntext \bullet\tab}two)"
                      R"({\*\pn\pnlvlblt{\pntxtb x}}{\pn{\pntxtb y}}})")
        << u"1.\tone\r\n\u2022\ttwo"_s;
    QTest::newRow("list tables outside their destination")
        << QByteArray(R"({\rtf1{\list{\listlevel{\leveltext \'02\'00.;}}{\listname L;}}a})") << "a";
    QTest::newRow("hidden text is kept") << QByteArray(R"({\rtf1 a{\v b}c})") << "abc";
    QTest::newRow("section break after a paragraph")
        << QByteArray(R"({\rtf1 a\par\sect b\sect c})") << "a\r\nb\r\nc";
    QTest::newRow("control bytes in the text") << QByteArray("{\\rtf1 a\x01\0b\tc}", 15) << "ab\tc";
    QTest::newRow("escaped control bytes") << QByteArray(R"({\rtf1 a\'01\'00b})") << u"a\u0001b"_s;
    QTest::newRow("text after the document") << QByteArray(R"({\rtf1 a}b)") << "a";
    QTest::newRow("unknown words and symbols")
        << QByteArray(R"({\rtf1\foo12 a\|\:\bar-3 b})") << "ab";
    QTest::newRow("kept line break kinds")
        << QByteArray(R"({\rtf1 a\par{\*\quenzalbreak \'0d}b\par{\*\quenzalbreak \'0a\'0d}c})")
        << "a\rb\n\rc";
    QTest::newRow("table cells are lines")
        << QByteArray(R"({\rtf1 x\par\trowd\cellx1\cellx2\intbl a\cell b\cell\row\pard y})")
        << "x\r\na\r\nb\r\ny";
}

void RtfReaderTest::text()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

void RtfReaderTest::codePages_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("ansi is Windows-1252")
        << QByteArray(R"({\rtf1\ansi \'e9\'80\'9f})") << u"\u00E9\u20AC\u0178"_s;
    QTest::newRow("1252's unassigned bytes") << QByteArray(R"({\rtf1\ansi \'81\'8d\'8f\'90\'9d})")
                                             << u"\u0081\u008D\u008F\u0090\u009D"_s;
    QTest::newRow("ansicpg1251") << QByteArray(R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})")
                                 << u"\u041F\u0440\u0438"_s;
    QTest::newRow("ansicpg1250") << QByteArray(R"({\rtf1\ansi\ansicpg1250 \'9a\'e8})")
                                 << u"\u0161\u010D"_s;
    QTest::newRow("font charset over the document's code page")
        << QByteArray(R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;})"
                      R"({\f2\fcharset161 Greek;}}\f1\'cf\f2\'e1\f0\'e9})")
        << u"\u041F\u03B1\u00E9"_s;
    QTest::newRow("font charset 1 defers to the document")
        << QByteArray(R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0\fcharset1 X;}}\f0\'cf})")
        << u"\u041F"_s;
    QTest::newRow("cpg in the font table")
        << QByteArray(R"({\rtf1\ansi{\fonttbl{\f0\cpg1253 X;}}\f0\'e1})") << u"\u03B1"_s;
    QTest::newRow("Shift_JIS (932)")
        << QByteArray(R"({\rtf1\ansi\ansicpg932 \'82\'a0\'83\\ x})") << u"\u3042\u30BD x"_s;
    QTest::newRow("Shift_JIS trail byte as a letter")
        << QByteArray(R"({\rtf1\ansi\ansicpg932 \'82`})") << u"\uFF21"_s;
    QTest::newRow("GBK (936)") << QByteArray(R"({\rtf1\ansi\ansicpg936 \'d6\'d0\'ce\'c4})")
                               << u"\u4E2D\u6587"_s;
    QTest::newRow("Korean (949)") << QByteArray(R"({\rtf1\ansi\ansicpg949 \'c7\'d1})")
                                  << u"\uD55C"_s;
    QTest::newRow("Big5 (950)") << QByteArray(R"({\rtf1\ansi\ansicpg950 \'a4\'a4})") << u"\u4E2D"_s;
    QTest::newRow("a double-byte character cut by a group")
        << QByteArray(R"({\rtf1\ansi\ansicpg932 \'82{}\'a0})") << u"\uFFFD\uFFFD"_s;
    QTest::newRow("font charset 128 in a 1252 document")
        << QByteArray(R"({\rtf1\ansi{\fonttbl{\f1\fcharset128 MS Mincho;}}\f1\'93\'fa})")
        << u"\u65E5"_s;
    QTest::newRow("UTF-8 (65001)")
        << QByteArray(R"({\rtf1\ansi\ansicpg65001 \'c3\'a9})") << u"\u00E9"_s;
    QTest::newRow("Mac Roman") << QByteArray(R"({\rtf1\mac \'8e\'a5})") << u"\u00E9\u2022"_s;
    QTest::newRow("Symbol font") << QByteArray(
                                        R"({\rtf1{\fonttbl{\f0\fcharset2 Symbol;}}\f0\'b7\'61})")
                                 << u"\u2022\u03B1"_s;
    QTest::newRow("Wingdings font")
        << QByteArray(R"({\rtf1{\fonttbl{\f0\fcharset2 Wingdings;}}\f0\'a7\'fc})")
        << u"\u25AA\u2713"_s;
    QTest::newRow("unknown code page reads as 1252")
        << QByteArray(R"({\rtf1\ansi\ansicpg99999 \'e9})") << u"\u00E9"_s;
    QTest::newRow("font name in its own code page")
        << QByteArray(R"({\rtf1{\fonttbl{\f0\fcharset134 \'cb\'ce\'cc\'e5;}}\f0 a})") << "a";
}

void RtfReaderTest::codePages()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

void RtfReaderTest::notRichText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("richText");

    QTest::newRow("nothing") << QByteArray() << false;
    QTest::newRow("plain text") << QByteArray("Dear Sir,\r\n") << false;
    QTest::newRow("another group") << QByteArray(R"({\foobar}{\foobar})") << false;
    QTest::newRow("a cut header") << QByteArray(R"({\rt)") << false;
    QTest::newRow("text before the header") << QByteArray(R"(x{\rtf1 a})") << false;
    QTest::newRow("byte order mark and white space")
        << QByteArray("\xEF\xBB\xBF \r\n{\\rtf1 a}") << true;
    QTest::newRow("only the header") << QByteArray(R"({\rtf)") << true;
}

void RtfReaderTest::notRichText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, richText);
    const auto result = rtf::read(bytes);
    QCOMPARE(result.ok(), richText);
    QCOMPARE(result.error().isEmpty(), richText);
}

void RtfReaderTest::damaged_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("cut in a word") << QByteArray(R"({\rtf1 ab\pa)") << "ab";
    QTest::newRow("cut in a hex escape") << QByteArray(R"({\rtf1 ab\')") << "ab";
    QTest::newRow("cut after a backslash") << QByteArray(R"({\rtf1 ab\)") << "ab";
    QTest::newRow("cut in a group") << QByteArray(R"({\rtf1 {\b a{\i b)") << "ab";
    QTest::newRow("cut in a skipped group") << QByteArray(R"({\rtf1 a{\*\x b)") << "a";
    QTest::newRow("cut in a picture") << QByteArray(R"({\rtf1 a{\pict\pngblip 8950)") << "a";
    QTest::newRow("cut in bin data") << QByteArray(R"({\rtf1 a\bin100 xy)") << "a";
    QTest::newRow("braces closed too often") << QByteArray(R"({\rtf1 a}}}b)") << "a";
    QTest::newRow("huge numbers")
        << QByteArray(R"({\rtf1\fs99999999999999999999 a\li-99999999999 b\cf88888888888 c})")
        << "abc";
    QTest::newRow("huge unicode number") << QByteArray(R"({\rtf1 \u99999999999?a})") << "a";
    QTest::newRow("huge bin length") << QByteArray(R"({\rtf1 a\bin99999999999 x})") << "a";
    QTest::newRow("negative bin length") << QByteArray(R"({\rtf1 a\bin-5 x})") << "ax";
    QTest::newRow("very long word") << "{\\rtf1 a\\" + QByteArray(100000, 'x') + " b}"
                                    << "ab";
    QTest::newRow("very deep groups left open") << "{\\rtf1 " + QByteArray(200000, '{') + "a"
                                                << "a";
    QTest::newRow("very deep groups closed")
        << "{\\rtf1 " + QByteArray(100000, '{') + "a" + QByteArray(100000, '}') + "b}"
        << "ab";
    QTest::newRow("a table cell without a table")
        << QByteArray(R"({\rtf1 a\cell b\row c})") << "\r\na\r\nb\r\nc";
    QTest::newRow("a row ends its text's cell") << QByteArray(R"({\rtf1 a\row b})") << "\r\na\r\nb";
    QTest::newRow("a row without cells") << QByteArray(R"({\rtf1 a\par\row b})") << "a\r\nb";
    QTest::newRow("a field without instruction, an instruction without field")
        << QByteArray(R"({\rtf1 {\field{\fldrslt a}}{\fldinst b}})") << "a";
    QTest::newRow("bin-N in a skipped group as outside it")
        << QByteArray(R"({\rtf1 {\*\foo\bin-1 }a}b})") << "a";
    const QByteArray deep(1000, '{'), deepEnd(1000, '}');
    QTest::newRow("a field deeper than the whole states")
        << "{\\rtf1 " + deep + R"({\field{\*\fldinst HYPERLINK "http://a"}{\fldrslt x}})" +
               deepEnd + "y}"
        << "xy";
    QTest::newRow("uc deeper than the whole states")
        << "{\\rtf1 " + deep + R"({\uc3 a}\u8364?bc)" + deepEnd + "d}" << u"a\u20ACbcd"_s;
}

void RtfReaderTest::damaged()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

// Garbage after a good header reads as something, and nothing worse.
void RtfReaderTest::randomBytesAfterTheHeader()
{
    QRandomGenerator random(20240601);
    for (int round = 0; round < 20; ++round) {
        QByteArray rtf = R"({\rtf1\ansi )";
        // Mostly the bytes that matter to the reader, some of anything.
        static const char kSyntax[] = "{}\\\\'*0123456789abcdefuc binparcellrow ";
        for (int i = 0; i < 20000; ++i) {
            const quint32 pick = random.bounded(4u);
            rtf += pick == 0 ? char(random.bounded(256u))
                             : kSyntax[random.bounded(quint32(sizeof kSyntax - 1))];
        }
        QVERIFY(rtf::read(rtf).ok());
    }
}

void RtfReaderTest::characterFormatting()
{
    const QStringList lines = runs(
        R"({\rtf1\ansi\deff0{\fonttbl{\f0\froman Times New Roman;}{\f1\fswiss Arial;}})"
        R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
        R"(\f1\fs20 {\b b}{\i i}{\ul u}{\uldb u2}{\ulnone n}{\strike s}{\cf1 red}{\highlight2 hl})"
        R"({\cb1 cb}{\chcbpat2 pat}{\cf0 auto}{\super sup}{\sub sub}{\b\i\plain p}{\b\b0 nb})"
        R"({\f0\fs36 big}{\fs0 z}x})");
    const QStringList expected = {
        u"[Arial 10 bold] b"_s,
        u"[Arial 10 italic] i"_s,
        u"[Arial 10 underline] uu2"_s,
        u"[Arial 10] n"_s,
        u"[Arial 10 strike] s"_s,
        u"[Arial 10 color #ff0000] red"_s,
        u"[Arial 10 background #0000ff] hl"_s,
        u"[Arial 10 background #ff0000] cb"_s,
        u"[Arial 10 background #0000ff] pat"_s,
        u"[Arial 10] auto"_s,
        u"[Arial 10 super] sup"_s,
        u"[Arial 10 sub] sub"_s,
        u"[Times New Roman 12] p"_s,
        u"[Arial 10] nb"_s,
        u"[Times New Roman 18] big"_s,
        u"[Arial 12] z"_s,
        u"[Arial 10] x"_s,
    };
    QUENZAL_COMPARE_SUMMARY(lines, expected);
}

void RtfReaderTest::paragraphFormatting()
{
    const auto result = rtf::read(R"({\rtf1 \qc\li1500\ri300\fi-150\sb150\sa300 a\par)"
                                  R"(\qr b\par\pard\qj c\par\pard d\par\ql{\qc e\par}})");
    QVERIFY(result.ok());
    QStringList paragraphs;
    for (const QString &line : test::summary(*result.value())) {
        if (line.startsWith(u"paragraph"))
            paragraphs << line;
    }
    // 15 twips are one pixel; the alignment of a paragraph is the one in
    // force at its end.
    const QStringList expected = {
        u"paragraph align 4 margins 100 20 -10 10 20"_s,
        u"paragraph align 2 margins 100 20 -10 10 20"_s,
        u"paragraph align 8 margins 0 0 0 0 0"_s,
        u"paragraph align 1 margins 0 0 0 0 0"_s,
        u"paragraph align 4 margins 0 0 0 0 0"_s,
    };
    QUENZAL_COMPARE_SUMMARY(paragraphs, expected);
}

void RtfReaderTest::tables()
{
    // Row properties before the row, as most writers put them, and a second
    // row with one cell more than the first.
    const auto result = rtf::read(
        R"({\rtf1 before\par\trowd\cellx1000\cellx2000\pard\intbl a\cell b\par c\cell\row)"
        R"(\trowd\cellx1000\cellx2000\cellx3000\pard\intbl d\cell e\cell f\cell\row\pard after})");
    QVERIFY(result.ok());
    const QList<QTextTable *> tables = tablesOf(result.value()->rootFrame());
    QCOMPARE(tables.size(), 1);
    QTextTable *table = tables.first();
    QCOMPARE(table->rows(), 2);
    QCOMPARE(table->columns(), 3);
    QCOMPARE(cellText(table, 0, 0), u"a"_s);
    QCOMPARE(cellText(table, 0, 1), u"b\u2029c"_s);
    QCOMPARE(cellText(table, 0, 2), u""_s);
    QCOMPARE(cellText(table, 1, 2), u"f"_s);
    QCOMPARE(test::areaText(result.value().get()),
             u"before\r\na\r\nb\r\nc\r\n\r\nd\r\ne\r\nf\r\nafter"_s);
}

void RtfReaderTest::nestedTables()
{
    // As Word writes them: \itap2 paragraphs end with \nestcell, the inner
    // row with \nestrow inside \*\nesttableprops, and readers that know no
    // nesting get \nonesttables.
    const auto result = rtf::read(
        R"({\rtf1\trowd\cellx3000\pard\intbl outer\par\pard\intbl\itap2 in1\nestcell in2\nestcell)"
        R"({\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow}{\nonesttables\par})"
        R"(\pard\intbl\itap2 in3\nestcell{\*\nesttableprops\trowd\cellx1000\nestrow})"
        R"({\nonesttables\par}\pard\intbl tail\cell\row})");
    QVERIFY(result.ok());
    const QList<QTextTable *> tables = tablesOf(result.value()->rootFrame());
    QCOMPARE(tables.size(), 2);
    QCOMPARE(tables[0]->rows(), 1);
    QCOMPARE(tables[0]->columns(), 1);
    QCOMPARE(tables[1]->rows(), 2);
    QCOMPARE(tables[1]->columns(), 2);
    QCOMPARE(tables[1]->parentFrame(), tables[0]);
    QCOMPARE(cellText(tables[1], 0, 1), u"in2"_s);
    QCOMPARE(cellText(tables[1], 1, 0), u"in3"_s);
    QCOMPARE(test::areaText(result.value().get()),
             u"\r\nouter\r\nin1\r\nin2\r\nin3\r\n\r\ntail\r\n"_s);
}

// Counts from the file are bounded: Word's 63 columns, 8 levels of nesting
// (each level doubles the time Qt takes to lay the table out).
// What does not fit joins the last cell instead of being lost.
void RtfReaderTest::tableLimits()
{
    QByteArray wide = R"({\rtf1\trowd\pard\intbl )";
    for (int i = 1; i <= 100; ++i)
        wide += QByteArray::number(i) + "\\cell ";
    wide += "\\row}";
    const auto result = rtf::read(wide);
    QVERIFY(result.ok());
    QTextTable *table = tablesOf(result.value()->rootFrame()).value(0);
    QVERIFY(table);
    QCOMPARE(table->columns(), 63);
    QCOMPARE(cellText(table, 0, 61), u"62"_s);
    QCOMPARE(cellText(table, 0, 62).split(u'\u2029').size(), 100 - 62);

    const auto deep = rtf::read(R"({\rtf1\pard\intbl\itap1000 a\nestcell b})");
    QVERIFY(deep.ok());
    QCOMPARE(tablesOf(deep.value()->rootFrame()).size(), 8);
    QVERIFY(test::areaText(deep.value().get()).contains(u"a"));
}

void RtfReaderTest::links_data()
{
    QTest::addColumn<QByteArray>("instruction");
    QTest::addColumn<QString>("target");

    QTest::newRow("address") << QByteArray(R"(HYPERLINK "http://example.com/a b")")
                             << "http://example.com/a b";
    QTest::newRow("in its own group, with spaces")
        << QByteArray(R"({ HYPERLINK  "mailto:x@example.com" })") << "mailto:x@example.com";
    QTest::newRow("without quotes")
        << QByteArray(R"(HYPERLINK http://example.com/)") << "http://example.com/";
    QTest::newRow("place in the document") << QByteArray(R"(HYPERLINK \\l "_Toc1")") << "#_Toc1";
    QTest::newRow("address and place")
        << QByteArray(R"(HYPERLINK "http://example.com/" \\l "top" \\o "tip")")
        << "http://example.com/#top";
    QTest::newRow("not a link") << QByteArray(R"(PAGE \\* MERGEFORMAT)") << QString();
}

void RtfReaderTest::links()
{
    QFETCH(QByteArray, instruction);
    QFETCH(QString, target);
    const QStringList lines =
        runs("{\\rtf1 a{\\field{\\*\\fldinst " + instruction + "}{\\fldrslt {\\ul link}}}b}");
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[1].endsWith(u"] link"), qPrintable(lines[1]));
    QCOMPARE(lines[1].contains(QStringLiteral(" link ") + target + u']'), !target.isEmpty());
    QVERIFY(!lines[2].contains(u" link "));
}

void RtfReaderTest::pictures()
{
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    QImage blue(5, 2, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        red.save(&buffer, "PNG");
    }
    const QByteArray rtf =
        "{\\rtf1 a{\\pict\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal300\n" +
        pictureHex(red, "PNG") + "}b{\\pict\\jpegblip\\picscalex50\\picscaley200 " +
        pictureHex(blue, "JPEG") + "}c{\\pict\\wmetafile8 0102}d{\\pict\\pngblip 00ff}e" +
        "{\\*\\shppict{\\pict\\pngblip\\bin" + QByteArray::number(png.size()) + " " + png +
        "}}{\\nonshppict{\\pict\\wmetafile8 0102}}f}";
    const QStringList lines = runs(rtf);
    // PNG and JPEG are shown, at \picwgoal/\pichgoal (twips) or their own
    // size, scaled by \picscalex/\picscaley; a metafile or broken data is
    // left out.
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines[1], u"[picture 4x3 shown 40x20] \uFFFC"_s);
    QCOMPARE(lines[3], u"[picture 5x2 shown 3x4] \uFFFC"_s);
    QVERIFY2(lines[4].endsWith(u"] cde"), qPrintable(lines[4]));
    QCOMPARE(lines[5], u"[picture 4x3 shown 4x3] \uFFFC"_s);
    QVERIFY2(lines[6].endsWith(u"] f"), qPrintable(lines[6]));

    // A picture opens its paragraph, shown, damaged or not decoded at all:
    // the text is the same.
    const QByteArray alone = "{\\rtf1 a\\par{\\pict\\pngblip " + pictureHex(red, "PNG") +
                             "}\\sect{\\pict\\pngblip 00ff}\\sect b}";
    for (const bool decode : {true, false}) {
        rtf::ReadOptions options;
        options.decodePictures = decode;
        const auto read = rtf::read(alone, options);
        QVERIFY(read.ok());
        QCOMPARE(test::areaText(read.value().get()), u"a\r\n\r\n\r\nb"_s);
        QCOMPARE(test::summary(*read.value()).filter(u"[picture"_s).size(), decode ? 1 : 0);
    }
}

QTEST_MAIN(RtfReaderTest)
#include "RtfReaderTest.moc"
