#include "engine/CodePage.h"
#include "TestCase.h"

#include <QTest>

using namespace quenzal;

class CodePageTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void everyCodeHasOneCharacterAndBack()
    {
        QSet<char16_t> seen;
        for (int code = 0; code <= 255; ++code) {
            const char16_t ch = CodePage::toUnicode(std::uint8_t(code));
            QVERIFY2(!seen.contains(ch), qPrintable(QString::number(code)));
            seen.insert(ch);
            QCOMPARE(CodePage::toCode(ch), std::optional<std::uint8_t>(std::uint8_t(code)));
        }
    }

    void characters_data()
    {
        QTest::addColumn<int>("character");
        QTest::addColumn<int>("code"); // -1: not representable
        QTest::newRow("NUL") << 0x00 << 0x00;
        QTest::newRow("CR") << 0x0D << 0x0D;
        QTest::newRow("euro sign") << 0x20AC << 0x80;
        QTest::newRow("unassigned 0x81 keeps its value") << 0x81 << 0x81;
        QTest::newRow("unassigned 0x8D") << 0x8D << 0x8D;
        QTest::newRow("unassigned 0x8F") << 0x8F << 0x8F;
        QTest::newRow("unassigned 0x90") << 0x90 << 0x90;
        QTest::newRow("unassigned 0x9D") << 0x9D << 0x9D;
        QTest::newRow("Y diaeresis at 0x9F") << 0x178 << 0x9F;
        QTest::newRow("no-break space") << 0xA0 << 0xA0;
        QTest::newRow("soft hyphen") << 0xAD << 0xAD;
        QTest::newRow("y diaeresis at 0xFF") << 0xFF << 0xFF;
        QTest::newRow("U+0080 is not the euro") << 0x80 << -1;
        QTest::newRow("U+009F is not Y diaeresis") << 0x9F << -1;
        QTest::newRow("A macron") << 0x100 << -1;
        QTest::newRow("line separator") << 0x2028 << -1;
        QTest::newRow("high surrogate") << 0xD83D << -1;
    }

    void characters()
    {
        QFETCH(int, character);
        QFETCH(int, code);
        const auto got = CodePage::toCode(char16_t(character));
        QCOMPARE(got ? int(*got) : -1, code);
    }

    void firstUnrepresentable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index"); // -1: none
        QTest::addColumn<uint>("codePoint");
        QTest::addColumn<QString>("description");
        QTest::newRow("all representable") << QStringLiteral("a\u20AC\u00FF\r\n") << -1 << 0u << "";
        QTest::newRow("emoji, a surrogate pair") << QStringLiteral("ab\U0001F600c") << 2 << 0x1F600u
                                                 << QStringLiteral("\"\U0001F600\" (U+1F600)");
        QTest::newRow("the first of two") << QStringLiteral("x\u0100\u4E2D") << 1 << 0x100u
                                          << QStringLiteral("\"\u0100\" (U+0100)");
        QTest::newRow("lone surrogate") << QString(QChar(0xDC00)) << 0 << 0xDC00u << "";
        QTest::newRow("a character that would not show")
            << QStringLiteral("ab\u202Ec") << 2 << 0x202Eu << QStringLiteral("U+202E");
    }

    void firstUnrepresentable()
    {
        QFETCH(QString, text);
        QFETCH(int, index);
        QFETCH(uint, codePoint);
        QFETCH(QString, description);
        const auto bad = CodePage::firstUnrepresentable(text);
        QCOMPARE(bad ? int(bad->index) : -1, index);
        if (bad) {
            QCOMPARE(uint(bad->codePoint), codePoint);
            if (!description.isEmpty())
                QCOMPARE(CodePage::describe(bad->codePoint), description);
        }
    }

    void encodeAndDecodeAreExact()
    {
        QByteArray bytes;
        for (int code = 0; code <= 255; ++code)
            bytes += char(code);
        const QString text = CodePage::decode(bytes);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC));
        QCOMPARE(CodePage::encode(text), bytes);
    }
};

QTEST_APPLESS_MAIN(CodePageTest)
#include "CodePageTest.moc"
