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

    void cleanup() { CodePage::setCurrent(CodePage::kWestern); }

    // Every code page is one to one on 0..255.
    void everyCodePage_data()
    {
        QTest::addColumn<int>("codePage");
        for (const int number : CodePage::kNumbers)
            QTest::addRow("%d", number) << number;
    }

    void everyCodePage()
    {
        QFETCH(int, codePage);
        CodePage::setCurrent(codePage);
        QCOMPARE(CodePage::current(), codePage);
        QByteArray bytes;
        for (int code = 0; code <= 255; ++code)
            bytes += char(code);
        const QString text = CodePage::decode(bytes);
        QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
        QVERIFY(!CodePage::firstUnrepresentable(text));
        QCOMPARE(CodePage::encode(text), bytes);
    }

    void locales_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("codePage");
        QTest::newRow("C") << "C" << 1252;
        QTest::newRow("POSIX") << "POSIX" << 1252;
        QTest::newRow("English") << "en_US.UTF-8" << 1252;
        QTest::newRow("German") << "de_DE@euro" << 1252;
        QTest::newRow("not listed") << "ja_JP.UTF-8" << 1252;
        QTest::newRow("Thai") << "th_TH.UTF-8" << 874;
        QTest::newRow("Czech") << "cs_CZ" << 1250;
        QTest::newRow("Serbian, Latin letters") << "sr_RS@latin" << 1250;
        QTest::newRow("Serbian") << "sr_RS" << 1251;
        QTest::newRow("Ukrainian") << "uk_UA.UTF-8" << 1251;
        QTest::newRow("language in capitals") << "UK_UA" << 1251;
        QTest::newRow("Greek") << "el_GR.UTF-8" << 1253;
        QTest::newRow("Turkish") << "tr_TR.UTF-8" << 1254;
        QTest::newRow("Hebrew") << "he_IL.UTF-8" << 1255;
        QTest::newRow("Persian") << "fa_IR" << 1256;
        QTest::newRow("Estonian") << "et_EE.UTF-8" << 1257;
        QTest::newRow("Vietnamese") << "vi_VN" << 1258;
    }

    void locales()
    {
        QFETCH(QString, locale);
        QFETCH(int, codePage);
        QCOMPARE(CodePage::ofLocale(locale), codePage);
    }

    // A letter the code page holds only as a letter and marks is that
    // sequence; refused, a character is named with a code page that has it.
    void lettersAndMarks_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("codes"); // empty: refused
        QTest::addColumn<QString>("refusal");
        QTest::newRow("Vietnamese, two marks")
            << 1258 << QStringLiteral("x\u1EAF") << QByteArray("x\xE3\xEC") << QString();
        QTest::newRow("Vietnamese, a mark below")
            << 1258 << QStringLiteral("\u1EA1") << QByteArray("a\xF2") << QString();
        QTest::newRow("Vietnamese, a letter of the code page and a mark below")
            << 1258 << QStringLiteral("\u1EC7") << QByteArray("\xEA\xF2") << QString();
        QTest::newRow("Hebrew letter with dagesh")
            << 1255 << QStringLiteral("\uFB35") << QByteArray("\xE5\xCC") << QString();
        QTest::newRow("not in Windows-1252")
            << 1252 << QStringLiteral("\u1EAF") << QByteArray()
            << QStringLiteral("Windows-1252 (Western European), the code page in force, has no "
                              "such character; Windows-1258 (Vietnamese) has it.");
        QTest::newRow("Cyrillic in Windows-1252")
            << 1252 << QStringLiteral("\u0436") << QByteArray()
            << QStringLiteral("Windows-1252 (Western European), the code page in force, has no "
                              "such character; Windows-1251 (Cyrillic) has it.");
        QTest::newRow("Latin in Windows-1251: Windows-1252 first")
            << 1251 << QStringLiteral("\u00FC") << QByteArray()
            << QStringLiteral("Windows-1251 (Cyrillic), the code page in force, has no such "
                              "character; Windows-1252 (Western European) has it.");
        QTest::newRow("in no code page")
            << 1251 << QStringLiteral("\U0001F600") << QByteArray()
            << QStringLiteral("Windows-1251 (Cyrillic), the code page in force, has no such "
                              "character.");
    }

    void lettersAndMarks()
    {
        QFETCH(int, codePage);
        QFETCH(QString, text);
        QFETCH(QByteArray, codes);
        QFETCH(QString, refusal);
        CodePage::setCurrent(codePage);
        const auto bad = CodePage::firstUnrepresentable(text);
        QCOMPARE(bool(bad), codes.isEmpty());
        if (bad)
            QCOMPARE(CodePage::notHeld(bad->codePoint), refusal);
        else
            QCOMPARE(CodePage::encode(text), codes);
    }
};

QTEST_APPLESS_MAIN(CodePageTest)
#include "CodePageTest.moc"
