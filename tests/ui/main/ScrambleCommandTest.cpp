#include "Languages.h"
#include "MainWindowFixture.h"
#include "ScratchFolder.h"
#include "TestCase.h"
#include "Texts.h"
#include "engine/CodePage.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quenzal;
using namespace quenzal::test;

namespace {

// What a refusal says of a character the code page in force lacks.
constexpr char kWestern[] =
    "Windows-1252 (Western European), the code page in force, has no such character";

enum class Trigger { Button, Toolbar, Handler };

void run(MainWindowFixture &f, bool scramble, Trigger trigger = Trigger::Button)
{
    switch (trigger) {
    case Trigger::Button:
        QTest::mouseClick(scramble ? f.cmdLOCK : f.command1, Qt::LeftButton);
        break;
    case Trigger::Toolbar:
        f.window->Toolbar1_ButtonClick(scramble ? QStringLiteral("scramble")
                                                : QStringLiteral("unscramble"));
        break;
    case Trigger::Handler:
        scramble ? f.window->cmdLOCK_Click() : f.window->Command1_Click();
        break;
    }
}

} // namespace

class ScrambleCommandTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void bothPasses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("one");
        QTest::addColumn<QString>("two");
        QTest::addColumn<bool>("scramble");
        QTest::addColumn<QString>("expected");
        QTest::newRow("abc, no passwords") << "abc"
                                           << ""
                                           << "" << true << "cju";
        QTest::newRow("cju back, no passwords") << "cju"
                                                << ""
                                                << "" << false << "abc";
        QTest::newRow("empty text empties the lower area") << ""
                                                           << "x"
                                                           << "y" << true << "";
        // key("a") = 110: 97 + 110 + 2·1 = 209 ("Ñ").
        QTest::newRow("first field") << "a"
                                     << "a"
                                     << "" << true << QStringLiteral("\u00D1");
        QTest::newRow("second field") << "a"
                                      << ""
                                      << "a" << true << QStringLiteral("\u00D1");
        // 97 + 110 + 110 + 2 = 319 - 255 = 64 ("@").
        QTest::newRow("both fields") << "a"
                                     << "a"
                                     << "a" << true << "@";
        QTest::newRow("both fields, back") << "@"
                                           << "a"
                                           << "a" << false << "a";
        // A pasted password is not cut at Qt's 32,767 characters:
        // 97 + 100,000·110 + 2 = 11,000,099 = 164 (mod 255).
        QTest::newRow("100,000-character password")
            << "a"
            << "" << QString(100000, u'a') << true << QStringLiteral("\u00A4");
    }

    void bothPasses()
    {
        QFETCH(QString, text);
        QFETCH(QString, one);
        QFETCH(QString, two);
        QFETCH(bool, scramble);
        QFETCH(QString, expected);
        for (const Trigger trigger : {Trigger::Button, Trigger::Toolbar}) {
            MainWindowFixture f;
            f.rtfNew->setText(QStringLiteral("previous"));
            f.rtfOriginal->setText(text);
            f.txtPasswordOne->setText(one);
            f.txtPasswordTwo->setText(two);
            run(f, scramble, trigger);
            QCOMPARE(f.rtfNew->text(), expected);
            QCOMPARE(f.rtfOriginal->text(), text);
            QCOMPARE(f.txtPasswordOne->text(), one);
            QCOMPARE(f.txtPasswordTwo->text(), two);
            QCOMPARE(f.progressBar->value(), 0);
            QVERIFY(f.fakes.messages.calls.isEmpty());
        }
    }

    void roundTripInEitherFieldOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("every code") << everyCode();
        QTest::newRow("breaks of every kind") << QStringLiteral("\r\n\r\n\n\r\rx\n");
        QString long_;
        for (int i = 0; i < 32; ++i)
            long_ += everyCode() + QStringLiteral("\r\n");
        QTest::newRow("8,000 characters") << long_.left(8000);
    }

    void roundTripInEitherFieldOrder()
    {
        QFETCH(QString, text);
        MainWindowFixture f;
        f.rtfOriginal->setText(text);
        f.txtPasswordOne->setText(QStringLiteral("first"));
        f.txtPasswordTwo->setText(QStringLiteral("Second!"));
        run(f, true);
        const QString scrambled = f.rtfNew->text();
        QCOMPARE_NE(scrambled, text);

        // Swapping the fields gives the same scrambled text ...
        f.txtPasswordOne->setText(QStringLiteral("Second!"));
        f.txtPasswordTwo->setText(QStringLiteral("first"));
        run(f, true);
        QCOMPARE(f.rtfNew->text(), scrambled);

        // ... and Unscramble restores the text in either order.
        f.rtfOriginal->setText(scrambled);
        run(f, false);
        QCOMPARE(f.rtfNew->text(), text);
        f.txtPasswordOne->setText(QStringLiteral("first"));
        f.txtPasswordTwo->setText(QStringLiteral("Second!"));
        run(f, false);
        QCOMPARE(f.rtfNew->text(), text);
    }

    void movingAPasswordToTheOtherFieldChangesNothing()
    {
        MainWindowFixture f;
        f.rtfOriginal->setText(QStringLiteral("message"));
        f.txtPasswordOne->setText(QStringLiteral("pw"));
        run(f, true);
        const QString once = f.rtfNew->text();
        f.txtPasswordOne->clear();
        f.txtPasswordTwo->setText(QStringLiteral("pw"));
        run(f, true);
        QCOMPARE(f.rtfNew->text(), once);
    }

    void scrambleTwiceStartsFromTheUpperAreaBothTimes()
    {
        MainWindowFixture f;
        f.rtfOriginal->setText(QStringLiteral("abc"));
        run(f, true);
        run(f, true);
        QCOMPARE(f.rtfNew->text(), QStringLiteral("cju"));
    }

    void lengthLimit_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("processed");
        QTest::newRow("8,000 is taken") << 8000 << true;
        QTest::newRow("8,001 is passed over") << 8001 << false;
    }

    void lengthLimit()
    {
        QFETCH(int, length);
        QFETCH(bool, processed);
        for (const bool scramble : {true, false}) {
            MainWindowFixture f;
            f.rtfNew->setText(QStringLiteral("keep"));
            // An unrepresentable character too: the length is looked at first.
            f.rtfOriginal->setText(QString(length - 1, u'x') + QChar(0x4E2D));
            f.txtPasswordOne->setText(QStringLiteral("\u0100"));
            QSignalSpy progress(f.progressBar, &QProgressBar::valueChanged);
            run(f, scramble);
            QCOMPARE(f.fakes.messages.calls.size(), processed ? 1 : 0);
            QCOMPARE(f.rtfNew->text(), QStringLiteral("keep"));
            QCOMPARE(progress.size(), 0);

            f.rtfOriginal->setText(QString(length, u'x'));
            f.txtPasswordOne->clear();
            run(f, scramble);
            QCOMPARE(f.rtfNew->text().size(), processed ? length : 4);
            QCOMPARE(progress.isEmpty(), !processed);
        }
    }

    void progressRunsUpAndBackTwice()
    {
        MainWindowFixture f;
        f.rtfOriginal->setText(QStringLiteral("abc"));
        QSignalSpy progress(f.progressBar, &QProgressBar::valueChanged);
        run(f, true);
        QList<int> values;
        for (const auto &args : progress)
            values.append(args.at(0).toInt());
        QCOMPARE(values, (QList<int>{33, 67, 100, 0, 33, 67, 100, 0}));
    }

    void refusesWhatTheCodePageCannotHold_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("one");
        QTest::addColumn<QString>("two");
        QTest::addColumn<bool>("scramble");
        QTest::addColumn<QString>("message");
        QTest::newRow("emoji in the text")
            << QStringLiteral("hi \U0001F600 \u4E2D") << ""
            << "" << true
            << QStringLiteral(
                   "The text contains a character that cannot be scrambled: \"\U0001F600\" "
                   "(U+1F600) at character 4. %1.")
                   .arg(QLatin1String(kWestern));
        QTest::newRow("code 0 in the text")
            << QStringLiteral("ab") + QChar(0) + u'c' << ""
            << "" << true
            << QStringLiteral("The text contains a character that cannot be scrambled: U+0000 at "
                              "character 3.");
        QTest::newRow("first password, unscrambling")
            << "abc" << QStringLiteral("p\u0100") << "" << false
            << QStringLiteral("The first password contains a character that cannot be "
                              "unscrambled: \"\u0100\" (U+0100) at character 2. %1; "
                              "Windows-1257 (Baltic) has it.")
                   .arg(QLatin1String(kWestern));
        QTest::newRow("second password")
            << "abc"
            << "ok" << QStringLiteral("\u2603") << true
            << QStringLiteral("The second password contains a character that cannot be "
                              "scrambled: \"\u2603\" (U+2603) at character 1. %1.")
                   .arg(QLatin1String(kWestern));
    }

    void refusesWhatTheCodePageCannotHold()
    {
        QFETCH(QString, text);
        QFETCH(QString, one);
        QFETCH(QString, two);
        QFETCH(bool, scramble);
        QFETCH(QString, message);
        MainWindowFixture f;
        f.rtfNew->setText(QStringLiteral("keep\r"));
        f.rtfOriginal->setText(text);
        f.txtPasswordOne->setText(one);
        f.txtPasswordTwo->setText(two);
        QSignalSpy progress(f.progressBar, &QProgressBar::valueChanged);
        run(f, scramble, Trigger::Handler);
        QCOMPARE(f.fakes.messages.calls.size(), 1);
        QCOMPARE(f.fakes.messages.calls[0].title, QStringLiteral("Error"));
        QCOMPARE(f.fakes.messages.calls[0].text, message);
        QCOMPARE(f.fakes.messages.calls[0].parent, f.window.get());
        QCOMPARE(f.rtfNew->text(), QStringLiteral("keep\r"));
        QCOMPARE(f.rtfOriginal->text(), text);
        QVERIFY(progress.isEmpty());
    }

    void toolbarKeysAreComparedExactly_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("scramble") << "scramble"
                                  << "cju";
        QTest::newRow("unscramble") << "unscramble"
                                    << "_ZQ";
        QTest::newRow("capitalised") << "Scramble"
                                     << "before";
        QTest::newRow("trailing space") << "scramble "
                                        << "before";
        QTest::newRow("unknown") << "lock"
                                 << "before";
        QTest::newRow("empty") << ""
                               << "before";
    }

    void toolbarKeysAreComparedExactly()
    {
        QFETCH(QString, key);
        QFETCH(QString, expected);
        MainWindowFixture f;
        f.rtfOriginal->setText(QStringLiteral("abc"));
        f.rtfNew->setText(QStringLiteral("before"));
        f.window->Toolbar1_ButtonClick(key);
        QCOMPARE(f.rtfNew->text(), expected);
        QVERIFY(f.fakes.messages.calls.isEmpty());
    }

    // A sentence in the language of each code page, chosen in the window,
    // scrambles to the cipher's bytes, typed, pasted or opened from a .txt
    // file that iconv wrote.
    void everyLanguage_data() { addLanguageRows(); }

    void everyLanguage()
    {
        QFETCH(int, codePage);
        QFETCH(QString, sentence);
        const QByteArray bytes = iconvBytes(sentence, codePage);
        const QString password = sentence.left(3);
        const QByteArray expected = referenceCipher(bytes, iconvBytes(password, codePage), {});
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("in.txt"));
        writeFile(file, bytes);
        const std::function<void(MainWindowFixture &)> ways[] = {
            [&](MainWindowFixture &f) {
                // A key for each character, as a keyboard of the language sends them.
                for (const QChar ch : sentence)
                    QTest::sendKeyEvent(QTest::Click, f.rtfOriginal, Qt::Key_unknown, QString(ch),
                                        Qt::NoModifier);
            },
            [&](MainWindowFixture &f) {
                f.fakes.clipboard.contents = sentence;
                f.window->mnupaste_Click();
            },
            [&](MainWindowFixture &f) {
                f.fakes.fileDialogs.answers.enqueue(file);
                f.window->mnuOpenItem_Click();
            },
        };
        for (const auto &way : ways) {
            MainWindowFixture f;
            f.window->mnuCodePage_Click(codePage);
            way(f);
            f.txtPasswordOne->setText(password);
            f.window->cmdLOCK_Click();
            QVERIFY2(f.fakes.messages.calls.isEmpty(),
                     qPrintable(f.fakes.messages.calls.value(0).text));
            QCOMPARE(CodePage::encode(f.rtfNew->text()), expected);
        }
    }
};

QTEST_MAIN(ScrambleCommandTest)
#include "ScrambleCommandTest.moc"
