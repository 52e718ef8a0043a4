#include "engine/Cipher.h"
#include "TestCase.h"
#include "Texts.h"
#include "engine/CodePage.h"

#include <QRandomGenerator>
#include <QTest>

#include <limits>
#include <vector>

using namespace quenzal;
using quenzal::test::everyCode;

namespace {

// A text made of the given codes.
QString fromCodes(std::initializer_list<int> codes)
{
    QString text;
    for (const int code : codes)
        text += QChar(CodePage::toUnicode(std::uint8_t(code)));
    return text;
}

QByteArray codesOf(const QString &text)
{
    return CodePage::encode(text);
}

std::vector<float> progressOf(const QString &text)
{
    std::vector<float> values;
    ScrambleText(text, QString(), true, [&](float v) { values.push_back(v); });
    return values;
}

} // namespace

class CipherTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void workedExamples_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("scramble");
        QTest::addColumn<QString>("expected");

        QTest::newRow("abc scrambles to bfl") << "abc"
                                              << "" << true << "bfl";
        QTest::newRow("bfl unscrambles to abc") << "bfl"
                                                << "" << false << "abc";
        QTest::newRow("empty text") << ""
                                    << "secret" << true << "";
        // 250 + 3² = 259 wraps to 4; 4 - 3² = -5 wraps to 250.
        QTest::newRow("wrap down when scrambling")
            << fromCodes({1, 1, 250}) << "" << true << fromCodes({2, 5, 4});
        QTest::newRow("wrap up when unscrambling")
            << fromCodes({2, 5, 4}) << "" << false << fromCodes({1, 1, 250});
        QTest::newRow("255 stays 255") << fromCodes({254}) << "" << true << fromCodes({255});
        QTest::newRow("1 stays 1") << fromCodes({2}) << "" << false << fromCodes({1});
        QTest::newRow("code 0 scrambles like 255")
            << fromCodes({0}) << "" << true << fromCodes({1});
        QTest::newRow("code 0 unscrambles to 255 less the shift")
            << fromCodes({0}) << "" << false << fromCodes({254});
        // Key of "a" is 97 + 13 = 110: 97 + 110 + 1 = 208.
        QTest::newRow("password key") << "a"
                                      << "a" << true << fromCodes({208});
        QTest::newRow("position 16 adds 256, which acts like 1")
            << QString(15, u'\x01') + u'a' << "" << true
            << fromCodes({2, 5, 10, 17, 26, 37, 50, 65, 82, 101, 122, 145, 170, 197, 226, 98});
    }

    void workedExamples()
    {
        QFETCH(QString, text);
        QFETCH(QString, password);
        QFETCH(bool, scramble);
        QFETCH(QString, expected);
        const QString result = ScrambleText(text, password, scramble);
        QCOMPARE(codesOf(result), codesOf(expected));
        QCOMPARE(result, expected);
    }

    // Scramble refuses code 0, naming where it is, also in a block of a long text.
    void codeZeroIsRefused_data()
    {
        QTest::addColumn<QByteArray>("codes");
        QTest::addColumn<qint64>("firstPosition");
        QTest::addColumn<QString>("refusal");
        const QString zero =
            QStringLiteral("The text contains a character that cannot be scrambled: U+0000 at "
                           "character %1.");
        QTest::newRow("none") << QByteArray("\xFF\x01 a") << qint64(1) << QString();
        QTest::newRow("the first of two") << QByteArray("a\0b\0", 4) << qint64(1) << zero.arg(2);
        QTest::newRow("in a later block")
            << QByteArray("ab\0", 3) << qint64(1048577) << zero.arg(1048579);
    }

    void codeZeroIsRefused()
    {
        QFETCH(QByteArray, codes);
        QFETCH(qint64, firstPosition);
        QFETCH(QString, refusal);
        QCOMPARE(codeZeroRefusal(codes, firstPosition), refusal);
    }

    void passwordKey_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<qint64>("key");
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("a") << "a" << qint64(110);
        QTest::newRow("euro sign is code 128") << QStringLiteral("\u20AC") << qint64(141);
        QTest::newRow("three million characters, past 32 bits")
            << QString(3'000'000, QChar(0xFF)) << qint64(3'000'000) * 268;
    }

    void passwordKey()
    {
        QFETCH(QString, password);
        QFETCH(qint64, key);
        QCOMPARE(quenzal::passwordKey(password), key);
    }

    void keysCongruentModulo255GiveTheSameResult_data()
    {
        QTest::addColumn<QString>("one");
        QTest::addColumn<QString>("other");
        // "a": 110. "È‹" (200 + 13) + (139 + 13) = 365 = 110 + 255.
        QTest::newRow("110 and 365") << "a" << fromCodes({200, 139});
        // The empty password (0) and "ò" (242 + 13 = 255).
        QTest::newRow("0 and 255") << "" << fromCodes({242});
    }

    void keysCongruentModulo255GiveTheSameResult()
    {
        QFETCH(QString, one);
        QFETCH(QString, other);
        QCOMPARE(quenzal::passwordKey(one) % 255, quenzal::passwordKey(other) % 255);
        const QString text = everyCode();
        QCOMPARE(ScrambleText(text, one, true), ScrambleText(text, other, true));
        QCOMPARE(ScrambleText(text, one, false), ScrambleText(text, other, false));
    }

    void roundTripsEveryCode_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("no password") << "";
        QTest::newRow("short") << "pw";
        QTest::newRow("every code") << everyCode(0);
    }

    void roundTripsEveryCode()
    {
        QFETCH(QString, password);
        QString text;
        for (int repeat = 0; repeat < 150; ++repeat) // past position 46341, where i² leaves 32 bits
            text += everyCode() + everyCode().sliced(0, 100);
        const QString scrambled = ScrambleText(text, password, true);
        QCOMPARE(scrambled.size(), text.size());
        QVERIFY(!codesOf(scrambled).contains('\0'));
        QCOMPARE(ScrambleText(scrambled, password, false), text);
    }

    void progress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::vector<float>>("expected");
        QTest::newRow("empty: only the final 0") << "" << std::vector<float>{0};
        QTest::newRow("one character") << "a" << std::vector<float>{100, 0};
        QTest::newRow("three characters") << "abc" << std::vector<float>{33, 67, 100, 0};
        QTest::newRow("halves round up")
            << "abcdefgh" << std::vector<float>{13, 25, 38, 50, 63, 75, 88, 100, 0};
    }

    void progress()
    {
        QFETCH(QString, text);
        QFETCH(std::vector<float>, expected);
        QCOMPARE(progressOf(text), expected);
    }

    void progressOfALongTextIsOnePerCharacter()
    {
        const std::vector<float> values = progressOf(QString(8000, u'x'));
        QCOMPARE(values.size(), std::size_t(8001));
        QCOMPARE(values[0], 0.0f);  // 1/8000 is .00
        QCOMPARE(values[39], 1.0f); // 40/8000 is .01
        QCOMPARE(values[7999], 100.0f);
        QCOMPARE(values[8000], 0.0f);
    }

    // Far positions (past 2³² and past the square root of 2⁶³) against the
    // near position that leaves the same remainder modulo 255.
    void farPositionsDoNotOverflow_data()
    {
        QTest::addColumn<qint64>("position");
        QTest::addColumn<qint64>("near");
        QTest::newRow("2^32 + 1") << qint64(4'294'967'297) << qint64(2);
        QTest::newRow("3,037,000,500") << qint64(3'037'000'500) << qint64(225);
        QTest::newRow("2^63 - 1") << std::numeric_limits<qint64>::max() << qint64(127);
    }

    void farPositionsDoNotOverflow()
    {
        QFETCH(qint64, position);
        QFETCH(qint64, near);
        for (const bool scramble : {true, false})
            for (int code = 0; code <= 255; ++code)
                QCOMPARE(scrambleCode(std::uint8_t(code), 1'000'000'000'007, position, scramble),
                         scrambleCode(std::uint8_t(code), 1'000'000'000'007, near, scramble));
    }

    void bulkMatchesTheCipher_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<qint64>("key");
        QTest::addColumn<qint64>("first");
        for (const int length : {0, 1, 254, 255, 256, 511, 4096, 70000})
            for (const qint64 key :
                 {qint64(0), qint64(1), qint64(254), qint64(255), qint64(1'000'000'000'007)})
                for (const qint64 first : {qint64(1), qint64(263), qint64(5'000'000'003)})
                    QTest::addRow("%d codes, key %lld, from %lld", length, key, first)
                        << length << key << first;
    }

    void bulkMatchesTheCipher()
    {
        QFETCH(int, length);
        QFETCH(qint64, key);
        QFETCH(qint64, first);
        QByteArray codes(length, Qt::Uninitialized);
        QRandomGenerator random(std::uint32_t(length * 31 + key));
        for (char &c : codes)
            c = char(random.bounded(256));
        const auto *in = reinterpret_cast<const std::uint8_t *>(codes.constData());
        // Both passes at once against one pass after the other.
        const qint64 secondKey = 987'654'321;
        for (const bool scramble : {true, false}) {
            std::vector<std::uint8_t> out(static_cast<std::size_t>(length));
            std::vector<std::uint8_t> twice(static_cast<std::size_t>(length));
            scrambleCodes({in, std::size_t(length)}, out, key, scramble, first);
            scrambleCodesTwice({in, std::size_t(length)}, twice, key, secondKey, scramble, first);
            for (int i = 0; i < length; ++i) {
                const std::uint8_t expected = scrambleCode(in[i], key, first + i, scramble);
                if (out[std::size_t(i)] != expected)
                    QFAIL(qPrintable(QStringLiteral("position %1: %2 instead of %3")
                                         .arg(i + 1)
                                         .arg(out[std::size_t(i)])
                                         .arg(expected)));
                QCOMPARE(twice[std::size_t(i)],
                         scrambleCode(expected, secondKey, first + i, scramble));
            }
        }
    }

    void bulkWorksInPlace()
    {
        QByteArray codes = CodePage::encode(everyCode());
        const QByteArray original = codes;
        auto *data = reinterpret_cast<std::uint8_t *>(codes.data());
        const std::span<std::uint8_t> span(data, std::size_t(codes.size()));
        scrambleCodes(span, span, 77, true);
        QCOMPARE_NE(codes, original);
        scrambleCodes(span, span, 77, false);
        QCOMPARE(codes, original);
    }
};

QTEST_APPLESS_MAIN(CipherTest)
#include "CipherTest.moc"
