#include "Gpg.h"
#include "MainWindowFixture.h"
#include "TestCase.h"
#include "messages/Messages.h"
#include "platform/widgets/PasswordEntry.h"
#include "ui/main/frmMessagePassword.h"

#include <QApplication>
#include <QTest>

using namespace quenzal;
using namespace Qt::StringLiterals;
using namespace quenzal::test;

namespace {

const QByteArray kPassword = "a long way";

// Line breaks of every kind, characters beyond Latin-1, and a byte order mark.
const QString kText =
    u"\uFEFFDear Ann,\r\nmeet me at the caf\u00E9\nat noon\rwith \u201Cthe key\u201D."_s;

QString armouredByGpg(const QByteArray &plain, bool armour = true)
{
    const auto made = messages::encrypt(plain, kPassword, armour);
    if (!made)
        qFatal("%s", qPrintable(made.error().reason));
    return QString::fromLatin1(*made);
}

// The message with the last byte of its ciphertext, which the integrity check
// covers, changed, and armoured again so that its checksum holds.
QString tampered(const QByteArray &plain)
{
    QByteArray binary = armouredByGpg(plain, false).toLatin1();
    binary.back() = char(binary.back() ^ 1);
    return QString::fromLatin1(armourOf(binary));
}

// The message with one character of its armour changed.
QString damaged(const QByteArray &plain)
{
    QString text = armouredByGpg(plain);
    const qsizetype at = text.indexOf(u"\n\n"_s) + 12;
    text[at] = text[at] == u'A' ? u'B' : u'A';
    return text;
}

// Every line of `text` after `prefix`, lines ended with `lineEnd`.
QString quoted(const QString &text, const QString &prefix, const QString &lineEnd)
{
    QStringList lines = text.split(u'\n');
    if (lines.constLast().isEmpty())
        lines.removeLast();
    for (QString &line : lines)
        line.prepend(prefix);
    return lines.join(lineEnd) + lineEnd;
}

// The password window shown over the main window, with the keyboard.
frmMessagePassword *asking(const MainWindowFixture &f)
{
    for (auto *window : f.window->findChildren<frmMessagePassword *>()) {
        if (window->isVisible()) {
            QApplication::setActiveWindow(window);
            return window;
        }
    }
    return nullptr;
}

// Types into the focused box of the window and goes on with Tab.
void typeInto(frmMessagePassword *window, const QStringList &typed)
{
    for (qsizetype i = 0; i < typed.size(); ++i) {
        if (i > 0)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(window->focusWidget(), typed.at(i));
    }
}

QStringList errors(const MainWindowFixture &f)
{
    QStringList shown;
    for (const auto &call : f.fakes.messages.calls)
        shown.append(call.title + u": "_s + call.text);
    return shown;
}

} // namespace

class MessageCommandsTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void encryptsTheExactText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("every kind of line break") << kText;
        QTest::newRow("past 8,000 characters") << QString(9000, u'x') + kText;
    }

    void encryptsTheExactText()
    {
        QFETCH(QString, text);
        MainWindowFixture f;
        f.window->show();
        f.rtfOriginal->setText(text);
        triggerAction(f.window.get(), "mnuEncrypt");
        frmMessagePassword *window = asking(f);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), u"Encrypt for Sending"_s);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(QApplication::focusWidget()->objectName(), u"txtPassword"_s);
        typeInto(window, {QString::fromUtf8(kPassword), QString::fromUtf8(kPassword)});
        QCOMPARE(QApplication::focusWidget()->objectName(), u"txtPasswordAgain"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

        QVERIFY(!window->isVisible());
        QCOMPARE(errors(f), QStringList());
        QCOMPARE(f.rtfOriginal->text(), text);
        const QString sent = f.rtfNew->text();
        QVERIFY(sent.startsWith(u"-----BEGIN PGP MESSAGE-----\n"_s));
        const auto read = messages::decrypt(sent.toLatin1(), kPassword);
        QVERIFY(read.ok());
        QCOMPARE(*read, text.toUtf8());
        QCOMPARE(f.fakes.loadProgress.captions, QStringList{u"Encrypting..."_s});
        QCOMPARE(f.fakes.loadProgress.finished, 1);
    }

    void refusesPasswordsItCannotUse_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("error"); // what the "Error" box says, in part
        QTest::newRow("different")
            << QStringList{u"one"_s, u"One"_s} << int(Qt::Key_Return) << passwordsDontMatch();
        QTest::newRow("empty") << QStringList{QString(), QString()} << int(Qt::Key_Return)
                               << u"Type a password"_s;
        QTest::newRow("Escape") << QStringList{u"one"_s, u"one"_s} << int(Qt::Key_Escape)
                                << QString();
    }

    void refusesPasswordsItCannotUse()
    {
        QFETCH(QStringList, typed);
        QFETCH(int, key);
        QFETCH(QString, error);
        MainWindowFixture f;
        f.window->show();
        f.rtfOriginal->setText(kText);
        f.rtfNew->setText(u"before"_s);
        triggerAction(f.window.get(), "mnuEncrypt");
        frmMessagePassword *window = asking(f);
        QVERIFY(QTest::qWaitForWindowActive(window));
        typeInto(window, typed);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));

        QCOMPARE(f.rtfNew->text(), u"before"_s);
        QCOMPARE(window->isVisible(), !error.isEmpty());
        if (error.isEmpty()) {
            QCOMPARE(errors(f), QStringList());
            return;
        }
        QCOMPARE(errors(f).size(), 1);
        QVERIFY2(errors(f).constFirst().startsWith(u"Error: "_s + error), qPrintable(errors(f)[0]));
        // Both boxes emptied, the keyboard back in the first.
        for (const char *name : {"txtPassword", "txtPasswordAgain"})
            QCOMPARE(control<QLineEdit>(window, name)->text(), QString());
        QCOMPARE(QApplication::focusWidget()->objectName(), u"txtPassword"_s);
    }

    void decryptsTheMessageInTheText_data()
    {
        QTest::addColumn<QString>("text");
        const QString message = armouredByGpg(kText.toUtf8());
        QTest::newRow("as gpg wrote it") << message;
        QTest::newRow("quoted in a reply, CR LF") << u"On Monday, Bob wrote:\r\n"_s +
                                                         quoted(message, u"> "_s, u"\r\n"_s) +
                                                         u"\r\nSee you!"_s;
        QTest::newRow("quoted twice and indented, CR") << quoted(message, u"  >> "_s, u"\r"_s);
    }

    void decryptsTheMessageInTheText()
    {
        QFETCH(QString, text);
        MainWindowFixture f;
        f.window->show();
        f.rtfOriginal->setText(text);
        triggerAction(f.window.get(), "mnuDecrypt");
        frmMessagePassword *window = asking(f);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), u"Decrypt Message"_s);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(QApplication::focusWidget()->objectName(), u"txtPassword"_s);
        typeInto(window, {QString::fromUtf8(kPassword)});
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

        QCOMPARE(errors(f), QStringList());
        QVERIFY(!window->isVisible());
        QCOMPARE(f.rtfNew->text(), kText);
        QCOMPARE(f.rtfOriginal->text(), text);
        QCOMPARE(f.fakes.loadProgress.captions,
                 (QStringList{u"Finding the message..."_s, u"Decrypting..."_s}));
        QCOMPARE(f.fakes.loadProgress.finished, 2);
    }

    // Each failure says why in its own words and changes neither area; the
    // window stays for another password when only the password was wrong.
    void failuresSayWhyAndChangeNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("asked"); // the password window shows
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("cancelAt");  // the progress report the user cancels at
        QTest::addColumn<QString>("error"); // the "Error" box's words, in part
        QTest::addColumn<bool>("again");    // the window stays for another password
        const QByteArray plain = kText.toUtf8();
        const QString password = QString::fromUtf8(kPassword);
        QTest::newRow("no message") << u"Dear Ann, see you at noon."_s << false << QString() << 0
                                    << u"No OpenPGP message"_s << false;
        QTest::newRow("wrong password") << armouredByGpg(plain) << true << u"a short way"_s << 0
                                        << u"password does not open"_s << true;
        QTest::newRow("empty password")
            << armouredByGpg(plain) << true << QString() << 0 << u"password is empty"_s << true;
        QTest::newRow("damaged") << damaged(plain) << true << password << 0 << u"checksum"_s
                                 << false;
        QTest::newRow("tampered") << tampered(plain) << true << password << 0 << u"changed"_s
                                  << false;
        QTest::newRow("not UTF-8 text") << armouredByGpg("\xFF\xFE\x01") << true << password << 0
                                        << u"quenzal-cli decrypt"_s << false;
        QTest::newRow("cancelled")
            << armouredByGpg(plain) << true << password << 1 << QString() << false;
    }

    void failuresSayWhyAndChangeNothing()
    {
        QFETCH(QString, text);
        QFETCH(bool, asked);
        QFETCH(QString, password);
        QFETCH(int, cancelAt);
        QFETCH(QString, error);
        QFETCH(bool, again);
        MainWindowFixture f;
        f.window->show();
        f.rtfOriginal->setText(text);
        f.rtfNew->setText(u"before"_s);
        f.fakes.loadProgress.cancelAtReport = cancelAt;
        triggerAction(f.window.get(), "mnuDecrypt");
        frmMessagePassword *window = asking(f);
        QCOMPARE(window != nullptr, asked);
        if (window) {
            QVERIFY(QTest::qWaitForWindowActive(window));
            typeInto(window, {password});
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }

        if (error.isEmpty()) {
            QCOMPARE(errors(f), QStringList());
        } else {
            QCOMPARE(errors(f).size(), 1);
            QVERIFY2(errors(f).constFirst().startsWith(u"Error: "_s), qPrintable(errors(f)[0]));
            QVERIFY2(errors(f).constFirst().contains(error), qPrintable(errors(f)[0]));
            QCOMPARE(f.fakes.messages.calls.constFirst().parent,
                     window ? static_cast<QWidget *>(window) : f.window.get());
        }
        QCOMPARE(f.rtfOriginal->text(), text);
        QCOMPARE(f.rtfNew->text(), u"before"_s);
        if (window)
            QCOMPARE(window->isVisible(), again);
        if (again) {
            // The wrong password selected, to be typed over.
            auto *box = control<QLineEdit>(window, "txtPassword");
            QCOMPARE(QApplication::focusWidget(), box);
            QCOMPARE(box->selectedText(), password);
        }
    }
};

QTEST_MAIN(MessageCommandsTest)
#include "MessageCommandsTest.moc"
