// Large and hostile content of every structure goes into a shown area, is
// laid out to its end and reads back exactly, also through the area's rich
// text. Each case took minutes or forever once (the layout or the reader cost
// the square of the size, or Qt's layout never ended); CTest's time limit for
// this program turns a return of that into a failure. How fast each
// structure is, is the load scaling benchmark's business.
#include "TestCase.h"
#include "engine/CodePage.h"
#include "platform/widgets/RichTextArea.h"

#include <QTest>
#include <QTextBlock>

using namespace quenzal;

namespace {

QByteArray times(const char *unit, int count)
{
    return QByteArray(unit).repeated(count);
}

QString times(const QString &unit, int count)
{
    return unit.repeated(count);
}

QByteArray rtf(const QByteArray &body)
{
    return "{\\rtf1\\ansi " + body + "}";
}

} // namespace

class LargeContentTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void readsBackExactly_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("richText");
        QTest::addColumn<QString>("text");

        // Plain text, as Open reads a .txt file.
        QTest::newRow("600,000 short lines")
            << times("ab\r\n", 600'000) << false << times(QStringLiteral("ab\r\n"), 600'000);
        QTest::newRow("one line of 1 MB")
            << QByteArray(1 << 20, 'x') << false << QString(1 << 20, u'x');

        // Rich text.
        QTest::newRow("10,000 table rows")
            << rtf(times("\\trowd\\cellx1000\\intbl a\\cell\\row\n", 10'000)) << true
            << QStringLiteral("\r\n") + times(QStringLiteral("a\r\n"), 10'000);
        QByteArray wide = "\\trowd";
        for (int c = 1; c <= 63; ++c)
            wide += "\\cellx" + QByteArray::number(c * 100);
        wide += times("\\intbl c\\cell", 63) + "\\row\n";
        QTest::newRow("63 columns, 150 rows")
            << rtf(wide.repeated(150)) << true
            << QStringLiteral("\r\n") + times(QStringLiteral("c\r\n"), 63 * 150);
        // Tables past what the area shows as tables come as paragraphs, with
        // the text they have as tables.
        QTest::newRow("100,000 table rows")
            << rtf(times("\\trowd\\cellx1000\\intbl a\\cell\\row\n", 100'000)) << true
            << QStringLiteral("\r\n") + times(QStringLiteral("a\r\n"), 100'000);
        QTest::newRow("a cell of 700,000 paragraphs")
            << rtf("\\trowd\\cellx1000\\intbl " + times("a\\par\n", 700'000) + "a\\cell\\row")
            << true << QStringLiteral("\r\n") + times(QStringLiteral("a\r\n"), 700'001);
        QTest::newRow("tables nested 8 deep, 1,000 rows")
            << rtf(times("\\itap8\\intbl a\\nestcell\\nestrow\n", 1'000)) << true
            << times(QStringLiteral("\r\n"), 8) + times(QStringLiteral("a\r\n"), 1'000) +
                   times(QStringLiteral("\r\n"), 7);
        QTest::newRow("one paragraph of 1 MB")
            << rtf(times("{\\b bold}{\\i italic} plain ", 40'000)) << true
            << times(QStringLiteral("bolditalic plain "), 40'000);
        QTest::newRow("8 MB with NULs")
            << rtf(times("x\\'00\\zz ", 1'000'000)) << true << QString(1'000'000, u'x');
        QByteArray fonts = "{\\fonttbl";
        QByteArray used;
        for (int f = 0; f < 10'000; ++f) {
            fonts += "{\\f" + QByteArray::number(f) + " Family " + QByteArray::number(f) + ";}";
            used += "{\\f" + QByteArray::number(f) + " x}";
        }
        QTest::newRow("10,000 fonts in use")
            << rtf(fonts + "}" + used) << true << QString(10'000, u'x');
    }

    void readsBackExactly()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, richText);
        QFETCH(QString, text);
        RichTextArea area;
        area.resize(400, 300);
        area.show();
        if (richText) {
            const auto loaded = area.loadRichText(bytes);
            QVERIFY2(loaded.ok(), qPrintable(loaded.error()));
        } else {
            area.setText(CodePage::decode(bytes));
        }
        // Laid out as while the program waits for input: a step at a time,
        // to the end.
        const QTextBlock last = area.document()->lastBlock();
        QTRY_VERIFY_WITH_TIMEOUT(last.layout()->lineCount() > 0, 300'000);
        area.viewport()->grab();
        const QString actual = area.text();
        QCOMPARE(actual.size(), text.size());
        QVERIFY(actual == text);
        // Saved as rich text and opened again, as the same text.
        RichTextArea reopened;
        const auto loaded = reopened.loadRichText(area.richText());
        QVERIFY2(loaded.ok(), qPrintable(loaded.error()));
        QVERIFY(reopened.text() == text);
    }
};

QTEST_MAIN(LargeContentTest)
#include "LargeContentTest.moc"
