#include "platform/files/FileNames.h"
#include "TestCase.h"

#include <QTest>

using namespace quenzal;

// A name as the system gives it comes back as the same bytes, and shows each
// byte that is not UTF-8 by its code; a UTF-8 name is the text it always was.
class FileNamesTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void keepsTheSystemsBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8, letters of every length")
            << QByteArray("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80.txt")
            << QStringLiteral("café € 😀.txt");
        // Its second half, U+DC80, is not a byte.
        QTest::newRow("UTF-8, U+10080")
            << QByteArray("\xF0\x90\x82\x80") << QString::fromUcs4(U"\U00010080", 1);
        QTest::newRow("Latin-1") << QByteArray("caf\xE9.txt") << QStringLiteral("caf<0xE9>.txt");
        QTest::newRow("a stray continuation byte")
            << QByteArray("a\x80z") << QStringLiteral("a<0x80>z");
        QTest::newRow("cut short")
            << QByteArray("\xE2\x82.txt") << QStringLiteral("<0xE2><0x82>.txt");
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << QStringLiteral("<0xC0><0xAF>");
        QTest::newRow("a surrogate")
            << QByteArray("\xED\xB2\x80") << QStringLiteral("<0xED><0xB2><0x80>");
        QTest::newRow("past U+10FFFF")
            << QByteArray("\xF4\x90\x80\x80") << QStringLiteral("<0xF4><0x90><0x80><0x80>");
        QTest::newRow("a character that would not show")
            << QByteArray("\xFF\xE2\x80\xAEtxt.exe") << QStringLiteral("<0xFF><U+202E>txt.exe");
    }

    void keepsTheSystemsBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const QString name = nameFromSystem(bytes);
        QCOMPARE(systemName(name), bytes);
        QCOMPARE(shownName(name), shown);
        if (!shown.contains(QLatin1String("<0x")))
            QCOMPARE(name, QString::fromUtf8(bytes));
    }
};

QTEST_MAIN(FileNamesTest)
#include "FileNamesTest.moc"
