#include "AccessFixture.h"
#include "TestCase.h"

#include <QPointer>
#include <QTest>

using namespace quenzal;
using namespace quenzal::test;

namespace {

const QString kEntry = QStringLiteral("Settings/PassSet");
const QString kDontMatch = QStringLiteral("Error: The passwords don't match!");
const QString kInvalid = QStringLiteral("Error: Invalid Password!");
const QStringList kSetting{QStringLiteral("frmPassSet")};
const QStringList kLoggingIn{QStringLiteral("frmLogin")};
const QStringList kChanging{QStringLiteral("frmChangePass")};
const QStringList kWorking{QStringLiteral("frmMAIN")};
const QStringList kChangingWhileWorking{QStringLiteral("frmChangePass"), QStringLiteral("frmMAIN")};
const QStringList kLoggingInWhileWorking{QStringLiteral("frmLogin"), QStringLiteral("frmMAIN")};

} // namespace

// The way into the program, state by state: which windows show, what is
// stored, and when the program ends.
class AccessGateTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void start_data();
    void start();
    void set_data();
    void set();
    void cancelInSetPasswordStoresEmptyAndEnds();
    void login_data();
    void login();
    void wrongLoginThenTypingReplacesIt();
    void cancelInLoginEnds_data();
    void cancelInLoginEnds();
    void loginClosedThroughFrame();
    void changeFromLogin();
    void changeFailures_data();
    void changeFailures();
    void changeFromMainMenu();
    void changedPasswordIsTheNextOneCompared();
    void changeToEmptyAsksToSetAgain();
    void windowSystemCloses_data();
    void windowSystemCloses();
    void storeFailures_data();
    void storeFailures();
};

// A first start shows only the Set Password window; a stored password shows
// only the Login window, and the Set Password window stays hidden.
void AccessGateTest::start_data()
{
    QTest::addColumn<bool>("hasEntry");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("visible");

    QTest::newRow("no entry") << false << QString() << kSetting;
    QTest::newRow("empty entry") << true << QString() << kSetting;
    QTest::newRow("password stored") << true << QStringLiteral("Secret") << kLoggingIn;
}

void AccessGateTest::start()
{
    QFETCH(bool, hasEntry);
    QFETCH(QString, password);
    QFETCH(QStringList, visible);

    Program program;
    if (hasEntry)
        program.storePassword(password);
    program.start();

    QCOMPARE(program.visible(), visible);
    QVERIFY(program.passSet());
    QCOMPARE(program.login() != nullptr, !password.isEmpty());
    QVERIFY(!program.main());
    QVERIFY(program.fakes.settings.writes.isEmpty());
    QCOMPARE(program.ends(), 0);
}

void AccessGateTest::set_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("same") << QStringLiteral("Secret") << QStringLiteral("Secret") << true;
    QTest::newRow("both empty") << QString() << QString() << true;
    QTest::newRow("second empty") << QStringLiteral("Secret") << QString() << false;
    QTest::newRow("case differs") << QStringLiteral("Secret") << QStringLiteral("secret") << false;
    QTest::newRow("trailing space")
        << QStringLiteral("Secret") << QStringLiteral("Secret ") << false;
}

void AccessGateTest::set()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, accepted);

    Program program;
    program.start();
    frmPassSet *window = program.passSet();
    fill(window, "txtPassSet", first);
    fill(window, "txtPassSet2", second);
    // The message comes first; the boxes are emptied after it.
    QStringList whileShown;
    program.fakes.messages.onShow = [&](const FakeMessageBoxes::Call &call) {
        QCOMPARE(call.parent, window);
        whileShown << box(window, "txtPassSet")->text() << box(window, "txtPassSet2")->text();
    };
    click(window, "cmdPassSet");

    QVERIFY(!program.login());
    if (accepted) {
        QCOMPARE(program.visible(), kWorking);
        QVERIFY(program.messages().isEmpty());
        QCOMPARE(program.fakes.settings.writes.size(), 1);
        QVERIFY(program.storedPasswordIs(first));
        // The boxes keep their text while hidden.
        QCOMPARE(box(window, "txtPassSet")->text(), first);
        // An empty password means none is set: the next start asks again.
        program.restart();
        QCOMPARE(program.visible(), first.isEmpty() ? kSetting : kLoggingIn);
    } else {
        QCOMPARE(program.visible(), kSetting);
        QCOMPARE(program.messages(), QStringList{kDontMatch});
        QCOMPARE(whileShown, (QStringList{first, second}));
        QCOMPARE(box(window, "txtPassSet")->text(), QString());
        QCOMPARE(box(window, "txtPassSet2")->text(), QString());
        QCOMPARE(window->focusWidget(), box(window, "txtPassSet"));
        QVERIFY(program.fakes.settings.writes.isEmpty());
        QVERIFY(!program.main());
    }
    QCOMPARE(program.ends(), 0);
}

void AccessGateTest::cancelInSetPasswordStoresEmptyAndEnds()
{
    Program program;
    program.start();
    fill(program.passSet(), "txtPassSet", QStringLiteral("typed"));
    click(program.passSet(), "cmdCancel");

    QCOMPARE(program.fakes.settings.writes, (QList{std::pair(kEntry, QString())}));
    QCOMPARE(program.ends(), 1);
    QVERIFY(!program.main());
    QVERIFY(!program.login());

    program.restart();
    QCOMPARE(program.visible(), kSetting);
}

void AccessGateTest::login_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("right") << QStringLiteral("Secret") << true;
    QTest::newRow("case differs") << QStringLiteral("secret") << false;
    QTest::newRow("trailing space") << QStringLiteral("Secret ") << false;
    QTest::newRow("empty box") << QString() << false;
}

void AccessGateTest::login()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);

    Program program;
    program.storePassword(QStringLiteral("Secret"));
    program.start();
    frmLogin *window = program.login();
    fill(window, "txtPassword", typed);
    click(window, "cmdOK");

    QCOMPARE(window->LoginSucceeded, accepted);
    QVERIFY(program.fakes.settings.writes.isEmpty());
    QCOMPARE(program.ends(), 0);
    if (accepted) {
        QCOMPARE(program.visible(), kWorking);
        QVERIFY(program.messages().isEmpty());
        return;
    }
    QCOMPARE(program.visible(), kLoggingIn);
    QCOMPARE(program.messages(), QStringList{kInvalid});
    QLineEdit *password = box(window, "txtPassword");
    QCOMPARE(password->text(), typed);
    QCOMPARE(password->selectedText(), typed);
    QCOMPARE(window->focusWidget(), password);
    QVERIFY(!program.main());
}

void AccessGateTest::wrongLoginThenTypingReplacesIt()
{
    Program program;
    program.storePassword(QStringLiteral("Secret"));
    program.start();
    frmLogin *window = program.login();
    QLineEdit *password = box(window, "txtPassword");

    QTest::keyClicks(password, QStringLiteral("wrong"));
    QTest::keyClick(password, Qt::Key_Return);
    QCOMPARE(program.messages(), QStringList{kInvalid});
    QTest::keyClicks(password, QStringLiteral("Secret"));
    QCOMPARE(password->text(), QStringLiteral("Secret"));
    QTest::keyClick(password, Qt::Key_Enter);

    QCOMPARE(program.visible(), kWorking);
    QVERIFY(window->LoginSucceeded);
}

// Also beside the main window (main menu Change Password, then Cancel, then
// Cancel), the whole program ends.
void AccessGateTest::cancelInLoginEnds_data()
{
    QTest::addColumn<bool>("working");
    QTest::newRow("at start") << false;
    QTest::newRow("beside the main window") << true;
}

void AccessGateTest::cancelInLoginEnds()
{
    QFETCH(bool, working);
    Program program;
    program.storePassword(QStringLiteral("Secret"));
    program.start();
    if (working) {
        fill(program.login(), "txtPassword", QStringLiteral("Secret"));
        click(program.login(), "cmdOK");
        triggerAction(program.main(), "mnuchangepassword");
        click(program.changePass(), "cmdCancel");
        QCOMPARE(program.visible(), kLoggingInWhileWorking);
    }
    click(program.login(), "cmdCancel");

    QVERIFY(!program.login()->LoginSucceeded);
    QCOMPARE(program.ends(), 1);
    QVERIFY(program.fakes.settings.writes.isEmpty());
}

void AccessGateTest::loginClosedThroughFrame()
{
    Program program;
    program.storePassword(QStringLiteral("Secret"));
    program.start();

    // Before any login succeeded: the program ends.
    program.login()->close();
    QCOMPARE(program.ends(), 1);

    // After one: only the Login window closes, and it is made afresh.
    program.restart();
    program.fakes.programEnd.count = 0;
    fill(program.login(), "txtPassword", QStringLiteral("Secret"));
    click(program.login(), "cmdOK");
    triggerAction(program.main(), "mnuchangepassword");
    click(program.changePass(), "cmdCancel");
    QCOMPARE(program.visible(), kLoggingInWhileWorking);
    QPointer<frmLogin> closed = program.login();
    QCOMPARE(box(closed, "txtPassword")->text(), QStringLiteral("Secret"));

    closed->close();
    Program::settle();
    QCOMPARE(program.ends(), 0);
    QVERIFY(!closed);
    QCOMPARE(program.visible(), kWorking);

    triggerAction(program.main(), "mnuchangepassword");
    click(program.changePass(), "cmdCancel");
    QVERIFY(program.login());
    QCOMPARE(box(program.login(), "txtPassword")->text(), QString());
    // The login that succeeded still counts: closing it again only closes it.
    QVERIFY(program.login()->LoginSucceeded);
    program.login()->close();
    QCOMPARE(program.ends(), 0);
}

void AccessGateTest::changeFromLogin()
{
    Program program;
    program.storePassword(QStringLiteral("Secret"));
    program.start();
    click(program.login(), "cmdChangePass");
    QCOMPARE(program.visible(), kChanging);

    frmChangePass *window = program.changePass();
    fill(window, "txtCurrent", QStringLiteral("Secret"));
    fill(window, "txtChange", QStringLiteral("Better"));
    fill(window, "txtChange2", QStringLiteral("Better"));
    click(window, "cmdChange");

    QCOMPARE(program.visible(), kWorking);
    QVERIFY(program.messages().isEmpty());
    QVERIFY(program.storedPasswordIs(QStringLiteral("Better")));
    // The current password stood in for the login.
    QVERIFY(!program.login()->LoginSucceeded);
    QCOMPARE(program.ends(), 0);
}

// The current password is checked first, and the first failure found is the
// only one reported; the store is not touched.
void AccessGateTest::changeFailures_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("change2");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("after"); // txtCurrent, txtChange, txtChange2
    QTest::addColumn<QString>("focus");

    const QString a = QStringLiteral("new one"), b = QStringLiteral("new two");
    const QString secret = QStringLiteral("Secret");
    QTest::newRow("wrong current, new ones differ")
        << QStringLiteral("wrong") << a << b << kInvalid << QStringList{QString(), a, b}
        << QStringLiteral("txtCurrent");
    QTest::newRow("current differs in case")
        << QStringLiteral("SECRET") << a << a << kInvalid << QStringList{QString(), a, a}
        << QStringLiteral("txtCurrent");
    QTest::newRow("current empty") << QString() << a << a << kInvalid
                                   << QStringList{QString(), a, a} << QStringLiteral("txtCurrent");
    QTest::newRow("new ones differ")
        << secret << a << b << kDontMatch << QStringList{secret, QString(), QString()}
        << QStringLiteral("txtChange");
    QTest::newRow("new ones differ by a trailing space")
        << secret << a << a + u' ' << kDontMatch << QStringList{secret, QString(), QString()}
        << QStringLiteral("txtChange");
}

void AccessGateTest::changeFailures()
{
    QFETCH(QString, current);
    QFETCH(QString, change);
    QFETCH(QString, change2);
    QFETCH(QString, message);
    QFETCH(QStringList, after);
    QFETCH(QString, focus);

    Program program;
    program.storePassword(QStringLiteral("Secret"));
    program.start();
    click(program.login(), "cmdChangePass");
    frmChangePass *window = program.changePass();
    fill(window, "txtCurrent", current);
    fill(window, "txtChange", change);
    fill(window, "txtChange2", change2);
    click(window, "cmdChange");

    QCOMPARE(program.messages(), QStringList{message});
    QCOMPARE(program.fakes.messages.calls.constFirst().parent, window);
    QCOMPARE((QStringList{box(window, "txtCurrent")->text(), box(window, "txtChange")->text(),
                          box(window, "txtChange2")->text()}),
             after);
    QCOMPARE(window->focusWidget()->objectName(), focus);
    QCOMPARE(program.visible(), kChanging);
    QVERIFY(program.fakes.settings.writes.isEmpty());
    QVERIFY(!program.main());
}

void AccessGateTest::changeFromMainMenu()
{
    Program program;
    program.start();
    fill(program.passSet(), "txtPassSet", QStringLiteral("one"));
    fill(program.passSet(), "txtPassSet2", QStringLiteral("one"));
    click(program.passSet(), "cmdPassSet");
    frmMAIN *main = program.main();

    triggerAction(main, "mnuchangepassword");
    QCOMPARE(program.visible(), kChangingWhileWorking);
    frmChangePass *window = program.changePass();
    fill(window, "txtCurrent", QStringLiteral("one"));
    fill(window, "txtChange", QStringLiteral("two"));
    fill(window, "txtChange2", QStringLiteral("two"));
    click(window, "cmdChange");
    QCOMPARE(program.visible(), kWorking);
    QCOMPARE(program.main(), main);
    QVERIFY(program.storedPasswordIs(QStringLiteral("two")));
    QVERIFY(!program.login());

    // Opened again, the window still holds what was typed.
    triggerAction(main, "mnuchangepassword");
    QCOMPARE(program.changePass(), window);
    QCOMPARE(box(window, "txtChange")->text(), QStringLiteral("two"));
}

void AccessGateTest::changedPasswordIsTheNextOneCompared()
{
    Program program;
    program.storePassword(QStringLiteral("old"));
    program.start();
    fill(program.login(), "txtPassword", QStringLiteral("old"));
    click(program.login(), "cmdOK");

    triggerAction(program.main(), "mnuchangepassword");
    frmChangePass *window = program.changePass();
    fill(window, "txtCurrent", QStringLiteral("old"));
    fill(window, "txtChange", QStringLiteral("new"));
    fill(window, "txtChange2", QStringLiteral("new"));
    click(window, "cmdChange");
    triggerAction(program.main(), "mnuchangepassword");
    click(window, "cmdCancel");
    QCOMPARE(program.visible(), kLoggingInWhileWorking);

    fill(program.login(), "txtPassword", QStringLiteral("old"));
    click(program.login(), "cmdOK");
    QCOMPARE(program.messages(), QStringList{kInvalid});
    QCOMPARE(program.visible(), kLoggingInWhileWorking);

    fill(program.login(), "txtPassword", QStringLiteral("new"));
    click(program.login(), "cmdOK");
    QCOMPARE(program.visible(), kWorking);
    QCOMPARE(program.ends(), 0);
}

void AccessGateTest::changeToEmptyAsksToSetAgain()
{
    Program program;
    program.storePassword(QStringLiteral("Secret"));
    program.start();
    click(program.login(), "cmdChangePass");
    fill(program.changePass(), "txtCurrent", QStringLiteral("Secret"));
    click(program.changePass(), "cmdChange");
    QCOMPARE(program.visible(), kWorking);
    QCOMPARE(program.fakes.settings.writes, (QList{std::pair(kEntry, QString())}));

    // With no password set, Cancel then an empty box lets the user in.
    triggerAction(program.main(), "mnuchangepassword");
    click(program.changePass(), "cmdCancel");
    fill(program.login(), "txtPassword", QString());
    click(program.login(), "cmdOK");
    QCOMPARE(program.visible(), kWorking);

    program.restart();
    QCOMPARE(program.visible(), kSetting);
}

// The windows without a close button of their own, closed by a command of
// the window system: with nothing else shown the program ends.
void AccessGateTest::windowSystemCloses_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("ends");
    QTest::addColumn<QStringList>("visible");

    QTest::newRow("Set Password") << QStringLiteral("set") << 1 << QStringList();
    QTest::newRow("Change Password from Login") << QStringLiteral("login") << 1 << QStringList();
    QTest::newRow("Change Password from main menu") << QStringLiteral("main") << 0 << kWorking;
}

void AccessGateTest::windowSystemCloses()
{
    QFETCH(QString, path);
    QFETCH(int, ends);
    QFETCH(QStringList, visible);

    Program program;
    if (path == QLatin1String("set")) {
        program.start();
        program.passSet()->close();
    } else if (path == QLatin1String("login")) {
        program.storePassword(QStringLiteral("Secret"));
        program.start();
        click(program.login(), "cmdChangePass");
        program.changePass()->close();
    } else {
        program.start();
        click(program.passSet(), "cmdPassSet");
        triggerAction(program.main(), "mnuchangepassword");
        program.changePass()->close();
    }
    QCOMPARE(program.ends(), ends);
    QCOMPARE(program.visible(), visible);
}

// A store that cannot be read or written, or holds a damaged hash, is said
// so, and the windows stay where they were: no window takes the failure for
// success, and an unreadable store is not taken for "no password set".
void AccessGateTest::storeFailures_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("stored"); // hashed, or raw when it starts with "$"
    QTest::addColumn<QString>("readFailure");
    QTest::addColumn<QString>("writeFailure");
    QTest::addColumn<QString>("message");

    const QString denied = QStringLiteral("Permission denied");
    const QString notStored = QStringLiteral("Error: Could not store the password in "
                                             "\"/home/user/Quenzal.conf\": Permission denied.");
    const QString notRead = QStringLiteral("Error: Could not read the password from "
                                           "\"/home/user/Quenzal.conf\": Permission denied.");
    const QString damagedHash = QStringLiteral("$argon2id$v=19$m=8,t=4294967295,p=1$c2FsdHNhbHQ$"
                                               "aGFzaGhhc2hoYXNoaGFzaA");
    const QString damaged =
        QStringLiteral("Error: The password stored in \"/home/user/Quenzal.conf\" is damaged.");
    const QString secret = QStringLiteral("Secret");
    QTest::newRow("Set, not stored")
        << "frmPassSet" << QString() << QString() << denied << notStored;
    QTest::newRow("Change, not stored")
        << "frmChangePass" << secret << QString() << denied << notStored;
    QTest::newRow("Login, unreadable") << "frmLogin" << secret << denied << QString() << notRead;
    QTest::newRow("Change, unreadable")
        << "frmChangePass" << secret << denied << QString() << notRead;
    QTest::newRow("Login, damaged")
        << "frmLogin" << damagedHash << QString() << QString() << damaged;
}

void AccessGateTest::storeFailures()
{
    QFETCH(QString, window);
    QFETCH(QString, stored);
    QFETCH(QString, readFailure);
    QFETCH(QString, writeFailure);
    QFETCH(QString, message);

    Program program;
    if (stored.startsWith(u'$'))
        program.fakes.settings.values.insert(kEntry, stored);
    else if (!stored.isEmpty())
        program.storePassword(stored);
    program.fakes.settings.readFailure = readFailure;
    program.fakes.settings.writeFailure = writeFailure;
    program.start();
    QWidget *form = program.passSet();
    const QStringList typed{QStringLiteral("Secret"), QStringLiteral("new"), QStringLiteral("new")};
    if (window == QLatin1String("frmPassSet")) {
        fill(form, "txtPassSet", typed[1]);
        fill(form, "txtPassSet2", typed[2]);
        click(form, "cmdPassSet");
    } else if (window == QLatin1String("frmLogin")) {
        form = program.login();
        fill(form, "txtPassword", typed[0]);
        click(form, "cmdOK");
        QCOMPARE(box(form, "txtPassword")->text(), typed[0]);
    } else {
        click(program.login(), "cmdChangePass");
        form = program.changePass();
        fill(form, "txtCurrent", typed[0]);
        fill(form, "txtChange", typed[1]);
        fill(form, "txtChange2", typed[2]);
        click(form, "cmdChange");
        QCOMPARE((QStringList{box(form, "txtCurrent")->text(), box(form, "txtChange")->text(),
                              box(form, "txtChange2")->text()}),
                 typed);
    }

    QCOMPARE(program.messages(), QStringList{message});
    QCOMPARE(program.visible(), QStringList{window});
    QVERIFY(!program.main());
    QCOMPARE(program.ends(), 0);
    program.fakes.settings.readFailure.clear();
    if (!stored.isEmpty() && !stored.startsWith(u'$'))
        QVERIFY(program.storedPasswordIs(stored));
}

QTEST_MAIN(AccessGateTest)
#include "AccessGateTest.moc"
