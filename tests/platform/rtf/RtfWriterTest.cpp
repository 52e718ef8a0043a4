// The RTF writer: what it writes is plain 7-bit RTF that the reader (and
// Word, WordPad, LibreOffice) read back to the same text and formatting.
#include "DocumentSummary.h"
#include "Languages.h"
#include "TestCase.h"
#include "platform/rtf/Rtf.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QTest>
#include <QTextCursor>
#include <QTextTable>

using namespace quenzal;
using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<QTextDocument> readBack(const QTextDocument &document)
{
    auto result = rtf::read(rtf::write(document));
    return std::move(result.value());
}

} // namespace

class RtfWriterTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void header();
    void escapes_data();
    void escapes();
    void exactText_data();
    void exactText();
    void formattingSurvives();
    void tablesSurvive();
    void emptyDocument();
    void everyLanguage_data();
    void everyLanguage();
};

void RtfWriterTest::header()
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Arial")});
    format.setForeground(QColor(0x12, 0x34, 0x56));
    cursor.insertText(QStringLiteral("x"), format);

    const QByteArray rtf = rtf::write(document);
    QVERIFY2(rtf.startsWith(R"({\rtf1\ansi\ansicpg1252\deff0\uc1)"), rtf.constData());
    QVERIFY(rtf.contains(R"({\f1\fnil\fcharset0 Arial;})"));
    QVERIFY(rtf.contains(R"({\colortbl;\red18\green52\blue86;})"));
    QVERIFY(rtf.contains(R"(\f1\fs)"));
    QVERIFY(rtf.contains(R"(\cf1 x})"));
    QVERIFY(rtf.trimmed().endsWith('}'));
    // Only 7-bit bytes: the code page cannot garble anything.
    for (const char byte : rtf)
        QVERIFY(static_cast<unsigned char>(byte) < 0x80);
}

void RtfWriterTest::escapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("rtf");

    QTest::newRow("braces and backslash") << "a{b}c\\" << QByteArray(R"(a\{b\}c\\)");
    QTest::newRow("Windows-1252") << u"\u00E9\u20AC\u0178\u0081"_s
                                  << QByteArray(R"(\'e9\'80\'9f\'81)");
    QTest::newRow("beyond 1252, with ? fallback")
        << u"\u0416\u8A9E"_s << QByteArray(R"(\u1046?\u-30050?)");
    QTest::newRow("surrogate pair") << u"\U0001F600"_s << QByteArray(R"(\u-10179?\u-8704?)");
    QTest::newRow("tab and line break") << u"a\tb\u2028c"_s << QByteArray(R"(a\tab b\line c)");
    QTest::newRow("no-break space, soft and no-break hyphen")
        << u"\u00A0\u00AD\u2011"_s << QByteArray(R"(\~\-\_)");
}

void RtfWriterTest::escapes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, rtf);
    QTextDocument document;
    QTextCursor(&document).insertText(text);
    const QByteArray written = rtf::write(document);
    QVERIFY2(written.contains(rtf), written.constData());
}

void RtfWriterTest::exactText_data()
{
    QTest::addColumn<QString>("text");

    QString everyCode;
    for (char16_t code = 1; code <= 255; ++code) {
        if (code != u'\r' && code != u'\n')
            everyCode += QChar(code);
    }
    QTest::newRow("codes 1 to 255 but CR and LF") << everyCode;
    QTest::newRow("paragraphs and a line break") << u"one\r\ntwo\u2028three\r\n\r\n"_s;
    QTest::newRow("scripts") << u"\u041F\u0440\u0438 \u65E5\u672C \uD55C \u03B1 \U0001F600"_s;
    QTest::newRow("RTF's own characters") << R"({\rtf1 \par} \'41 \u65?)";
    QTest::newRow("spaces") << "  a  \t ";
    QTest::newRow("lone CR and lone LF") << "a\rb\nc\r";
    QTest::newRow("LF CR and CR CR") << "\n\ra\r\rb\n\n";
    QTest::newRow("code 0") << u"\0a\0\r\n\0"_s;
}

// Whatever the user typed comes back exactly, in the text area's terms.
void RtfWriterTest::exactText()
{
    QFETCH(QString, text);
    QTextDocument typed;
    QTextCursor cursor(&typed);
    rtf::insertExactText(cursor, text, QTextCharFormat());
    const auto back = readBack(typed);
    QVERIFY(back);
    QString expected = text;
    expected.replace(QChar(0x2028), QStringLiteral("\r\n"));
    QCOMPARE(test::areaText(back.get()), expected);
}

void RtfWriterTest::formattingSurvives()
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setLeftMargin(40);
    centred.setRightMargin(12);
    centred.setTextIndent(-20);
    centred.setTopMargin(6);
    centred.setBottomMargin(8);
    cursor.setBlockFormat(centred);

    const auto run = [&cursor](const QString &text, auto change) {
        QTextCharFormat format;
        format.setFontFamilies({QStringLiteral("Liberation Serif")});
        format.setFontPointSize(11);
        change(format);
        cursor.insertText(text, format);
    };
    run(QStringLiteral("bold "), [](QTextCharFormat &f) { f.setFontWeight(QFont::Bold); });
    run(QStringLiteral("italic "), [](QTextCharFormat &f) { f.setFontItalic(true); });
    run(QStringLiteral("under "), [](QTextCharFormat &f) { f.setFontUnderline(true); });
    run(QStringLiteral("strike "), [](QTextCharFormat &f) { f.setFontStrikeOut(true); });
    run(QStringLiteral("sans 15.5 "), [](QTextCharFormat &f) {
        f.setFontFamilies({QStringLiteral("Liberation Sans")});
        f.setFontPointSize(15.5);
    });
    run(QStringLiteral("red on yellow "), [](QTextCharFormat &f) {
        f.setForeground(QColor(Qt::red));
        f.setBackground(QColor(Qt::yellow));
    });
    run(QStringLiteral("up"),
        [](QTextCharFormat &f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); });
    run(QStringLiteral("down"),
        [](QTextCharFormat &f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); });
    cursor.insertBlock(QTextBlockFormat());
    run(QStringLiteral("a link"), [](QTextCharFormat &f) {
        f.setAnchor(true);
        f.setAnchorHref(QStringLiteral("https://example.com/?q=\"x\"#part"));
    });
    run(QStringLiteral(" and "), [](QTextCharFormat &) {});
    run(QStringLiteral("a place"), [](QTextCharFormat &f) {
        f.setAnchor(true);
        f.setAnchorHref(QStringLiteral("#top"));
    });
    QImage image(6, 4, QImage::Format_ARGB32);
    image.fill(Qt::green);
    document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("green")), image);
    QTextImageFormat picture;
    picture.setName(QStringLiteral("green"));
    picture.setWidth(30);
    picture.setHeight(20);
    cursor.insertImage(picture);
    cursor.insertBlock(QTextBlockFormat());
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    cursor.setBlockFormat(right);
    run(QStringLiteral("right"), [](QTextCharFormat &) {});

    const auto back = readBack(document);
    QVERIFY(back);
    QStringList expected = test::summary(document);
    // A link's quote marks travel as %22, which is the same address.
    expected.replaceInStrings(QStringLiteral("\"x\""), QStringLiteral("%22x%22"));
    QUENZAL_COMPARE_SUMMARY(test::summary(*back), expected);
}

void RtfWriterTest::tablesSurvive()
{
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("before"));
    QTextTable *outer = cursor.insertTable(2, 3);
    cursor.insertText(QStringLiteral("a1"));
    cursor = outer->cellAt(0, 1).firstCursorPosition();
    cursor.insertText(QStringLiteral("b1"));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("b1 second"));
    cursor = outer->cellAt(1, 2).firstCursorPosition();
    QTextTable *inner = cursor.insertTable(2, 2);
    inner->cellAt(1, 1).firstCursorPosition().insertText(QStringLiteral("deep"));
    cursor = outer->cellAt(1, 2).lastCursorPosition();
    cursor.insertText(QStringLiteral("after inner"));
    cursor.setPosition(outer->lastPosition() + 1);
    cursor.insertText(QStringLiteral("after"));

    const auto back = readBack(document);
    QVERIFY(back);
    QUENZAL_COMPARE_SUMMARY(test::summary(*back), test::summary(document));
    QCOMPARE(test::areaText(back.get()), test::areaText(&document));
}

void RtfWriterTest::emptyDocument()
{
    QTextDocument document;
    const auto back = readBack(document);
    QVERIFY(back);
    QCOMPARE(back->blockCount(), 1);
    QCOMPARE(test::areaText(back.get()), QString());
}

// A document in any of the program's code pages is written in it, with the
// code page and font character set that name it, and reads back the same,
// whatever code page is in force.
void RtfWriterTest::everyLanguage_data()
{
    quenzal::test::addLanguageRows();
}

void RtfWriterTest::everyLanguage()
{
    QFETCH(int, codePage);
    QFETCH(QString, sentence);
    const QHash<int, int> charsets = {{874, 222},  {1250, 238}, {1251, 204}, {1252, 0},
                                      {1253, 161}, {1254, 162}, {1255, 177}, {1256, 178},
                                      {1257, 186}, {1258, 163}};
    QTextDocument document;
    document.setPlainText(sentence);
    const QByteArray rtf = rtf::write(document, codePage);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg" + QByteArray::number(codePage)));
    QVERIFY(rtf.contains("\\fcharset" + QByteArray::number(charsets.value(codePage)) + ' '));
    // Only Windows-1258's composed letters, which it holds as letter and mark,
    // go as Unicode.
    QCOMPARE(QString::fromLatin1(rtf).contains(QRegularExpression(QStringLiteral("\\\\u-?\\d"))),
             codePage == 1258);
    const auto back = rtf::read(rtf);
    QVERIFY(back.ok());
    QCOMPARE(back.value()->toPlainText(), sentence);
}

QTEST_MAIN(RtfWriterTest)
#include "RtfWriterTest.moc"
