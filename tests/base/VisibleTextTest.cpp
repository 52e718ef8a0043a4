#include "base/VisibleText.h"
#include "TestCase.h"

#include <QTest>

using namespace quenzal;

class VisibleTextTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void hiddenCharactersShowByTheirCode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letters, digits, spaces and signs")
            << QStringLiteral("Report 2026 (final) – Ärger, 中文, עברית, \U0001F600.txt")
            << QStringLiteral("Report 2026 (final) – Ärger, 中文, עברית, \U0001F600.txt");
        QTest::newRow("a right-to-left override")
            << QStringLiteral("photo\u202Egpj.exe") << QStringLiteral("photo<U+202E>gpj.exe");
        QTest::newRow("C0 controls and DEL")
            << QStringLiteral("a\u0000\t\n\r\u001B\u007Fb")
            << QStringLiteral("a<U+0000><U+0009><U+000A><U+000D><U+001B><U+007F>b");
        QTest::newRow("C1 controls")
            << QStringLiteral("\u0085\u009B") << QStringLiteral("<U+0085><U+009B>");
        QTest::newRow("format characters")
            << QStringLiteral("\u200B\u200D\u00AD\u2066\u2069\uFEFF\U000E0041")
            << QStringLiteral("<U+200B><U+200D><U+00AD><U+2066><U+2069><U+FEFF><U+E0041>");
        QTest::newRow("separators and spaces other than U+0020")
            << QStringLiteral("a b\u00A0c\u2028\u2029\u3000")
            << QStringLiteral("a b<U+00A0>c<U+2028><U+2029><U+3000>");
        QTest::newRow("letters that draw nothing")
            << QStringLiteral("\u3164\u115F") << QStringLiteral("<U+3164><U+115F>");
        QTest::newRow("no character: private use, unassigned, a lone surrogate")
            << QStringLiteral("\uE000\U000F0000\u0378") + QChar(0xD800)
            << QStringLiteral("<U+E000><U+F0000><U+0378><U+D800>");
        QTest::newRow("shown twice, the same")
            << QStringLiteral("<U+202E>") << QStringLiteral("<U+202E>");
    }

    void hiddenCharactersShowByTheirCode()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(visibleText(text), shown);
    }
};

QTEST_MAIN(VisibleTextTest)
#include "VisibleTextTest.moc"
