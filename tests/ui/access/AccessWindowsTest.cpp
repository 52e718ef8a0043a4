#include "AccessFixture.h"
#include "TestCase.h"

#include "platform/widgets/Centring.h"
#include "platform/widgets/LegacyFonts.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

using namespace quenzal;
using namespace quenzal::test;

namespace {

// Each window as the program first shows it, alone, with nothing stored.
QWidget *open(Program &program, const QString &name)
{
    program.start();
    if (name == QLatin1String("frmPassSet"))
        return program.passSet();
    program.passSet()->hide();
    if (name == QLatin1String("frmLogin")) {
        program.gate->showLogin();
        return program.login();
    }
    program.gate->showChangePass();
    return program.changePass();
}

// The controls that take the focus, in the order Tab visits them.
QStringList tabOrder(QWidget *window)
{
    QStringList names;
    QWidget *first = window->focusWidget();
    if (!first)
        return names;
    QWidget *widget = first;
    do {
        if (!widget->isWindow() && (widget->focusPolicy() & Qt::TabFocus))
            names.append(widget->objectName());
        widget = widget->nextInFocusChain();
    } while (widget != first);
    return names;
}

} // namespace

// The three password windows as they look and answer the keyboard.
class AccessWindowsTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void frame_data();
    void frame();
    void controls_data();
    void controls();
    void keys_data();
    void keys();
    void accessKeyPutsFocusInLoginBox();
    void keyboardComesBackAfterMessage_data();
    void keyboardComesBackAfterMessage();
};

void AccessWindowsTest::frame_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<QStringList>("tabOrder");

    QTest::newRow("Set Password") << QStringLiteral("frmPassSet") << QStringLiteral("Set Password")
                                  << QSize(2850, 1695) << false
                                  << QStringList{QStringLiteral("txtPassSet"),
                                                 QStringLiteral("txtPassSet2"),
                                                 QStringLiteral("cmdPassSet"),
                                                 QStringLiteral("cmdCancel")};
    QTest::newRow("Login") << QStringLiteral("frmLogin") << QStringLiteral("Login")
                           << QSize(3975, 1545) << true
                           << QStringList{QStringLiteral("txtPassword"), QStringLiteral("cmdOK"),
                                          QStringLiteral("cmdCancel"),
                                          QStringLiteral("cmdChangePass")};
    QTest::newRow("Change Password")
        << QStringLiteral("frmChangePass") << QStringLiteral("Change Password") << QSize(2535, 2055)
        << false
        << QStringList{QStringLiteral("txtCurrent"), QStringLiteral("txtChange"),
                       QStringLiteral("txtChange2"), QStringLiteral("cmdChange"),
                       QStringLiteral("cmdCancel")};
}

void AccessWindowsTest::frame()
{
    QFETCH(QString, window);
    QFETCH(QString, caption);
    QFETCH(QSize, client);
    QFETCH(bool, fixed);
    QFETCH(QStringList, tabOrder);

    Program program;
    QWidget *form = open(program, window);
    QVERIFY(form->isVisible());
    QCOMPARE(form->objectName(), window);
    QCOMPARE(form->windowTitle(), caption);
    QCOMPARE(form->size(), client / 15);
    QVERIFY(!form->windowIcon().isNull());
    QVERIFY(!form->parentWidget());
    QVERIFY(!form->isModal());
    QCOMPARE(form->font(), legacyFont(QStringLiteral("MS Sans Serif"), 8.25));

    const Qt::WindowFlags flags = form->windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    if (fixed) {
        // A fixed dialog frame with a close button, not in the task bar.
        QCOMPARE(form->windowType(), Qt::Tool);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QCOMPARE(form->minimumSize(), form->maximumSize());
    } else {
        // A sizable frame with no control box.
        QCOMPARE(form->windowType(), Qt::Window);
        QVERIFY(!(flags & (Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)));
        QVERIFY(form->minimumSize() != form->maximumSize());
    }

    // The focus starts in the first box, and Tab goes round in order.
    QCOMPARE(form->focusWidget()->objectName(), tabOrder.constFirst());
    QCOMPARE(::tabOrder(form), tabOrder);

    // Centred on the screen by its outer size.
    QVERIFY(QTest::qWaitForWindowExposed(form));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect outer = form->frameGeometry();
    QCOMPARE(outer.topLeft(), screen.topLeft() + centredPosition(screen.size(), outer.size(),
                                                                 CentringRule::HalvesFirst));
}

void AccessWindowsTest::controls_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");

    const auto row = [](const char *window, const char *control, const char *caption, int l, int t,
                        int w, int h) {
        QTest::addRow("%s.%s", window, control)
            << QString::fromLatin1(window) << QString::fromLatin1(control)
            << QString::fromUtf8(caption) << QRect(l, t, w, h);
    };
    row("frmPassSet", "txtPassSet", "", 360, 480, 1935, 285);
    row("frmPassSet", "txtPassSet2", "", 360, 810, 1935, 285);
    row("frmPassSet", "cmdPassSet", "Set", 120, 1200, 1215, 375);
    row("frmPassSet", "cmdCancel", "Cancel", 1440, 1200, 1215, 375);
    row("frmPassSet", "lblInfo", "Type password below, then once more. You can change this later.",
        0, 0, 2895, 495);
    row("frmLogin", "lblLabels", "&Password:", 105, 480, 1080, 255);
    row("frmLogin", "txtPassword", "", 1320, 360, 2565, 345);
    row("frmLogin", "cmdOK", "OK", 120, 960, 1140, 390);
    row("frmLogin", "cmdCancel", "Cancel", 1440, 960, 1140, 390);
    row("frmLogin", "cmdChangePass", "Change Pass", 2760, 960, 1140, 390);
    row("frmChangePass", "txtCurrent", "", 120, 240, 2295, 285);
    row("frmChangePass", "txtChange", "", 120, 840, 2295, 285);
    row("frmChangePass", "txtChange2", "", 120, 1200, 2295, 285);
    row("frmChangePass", "cmdChange", "Change", 120, 1560, 1095, 375);
    row("frmChangePass", "cmdCancel", "Cancel", 1320, 1560, 1095, 375);
    row("frmChangePass", "lblChange", "Enter new password here twice.", 120, 600, 2295, 255);
    row("frmChangePass", "lblCurrent", "Enter current password here.", 120, 0, 2295, 255);
}

void AccessWindowsTest::controls()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);

    Program program;
    QWidget *form = open(program, window);
    auto *widget = form->findChild<QWidget *>(control);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), QRect(twips.topLeft() / 15, twips.size() / 15));
    if (auto *button = qobject_cast<QPushButton *>(widget)) {
        QCOMPARE(button->text(), caption);
        // The window's first button is its default one.
        const bool isDefault = control == QLatin1String("cmdPassSet") ||
                               control == QLatin1String("cmdOK") ||
                               control == QLatin1String("cmdChange");
        QCOMPARE(button->isDefault(), isDefault);
    } else if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), caption);
    } else {
        // A password box.
        auto *box = qobject_cast<QLineEdit *>(widget);
        QCOMPARE(box->text(), caption);
        QCOMPARE(box->echoMode(), QLineEdit::Password);
        QVERIFY(!box->testAttribute(Qt::WA_InputMethodEnabled));
    }
}

void AccessWindowsTest::keys_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("visible");
    QTest::addColumn<int>("ends");

    const QStringList main{QStringLiteral("frmMAIN")};
    const QStringList set{QStringLiteral("frmPassSet")};
    const QStringList login{QStringLiteral("frmLogin")};
    const QStringList change{QStringLiteral("frmChangePass")};
    QTest::newRow("Set, Enter in first box")
        << QStringLiteral("frmPassSet") << QStringLiteral("txtPassSet") << int(Qt::Key_Return)
        << main << 0;
    QTest::newRow("Set, keypad Enter in second box")
        << QStringLiteral("frmPassSet") << QStringLiteral("txtPassSet2") << int(Qt::Key_Enter)
        << main << 0;
    QTest::newRow("Set, Enter on Cancel")
        << QStringLiteral("frmPassSet") << QStringLiteral("cmdCancel") << int(Qt::Key_Return) << set
        << 1;
    QTest::newRow("Set, Escape") << QStringLiteral("frmPassSet") << QStringLiteral("txtPassSet")
                                 << int(Qt::Key_Escape) << set << 0;
    QTest::newRow("Login, Enter in box")
        << QStringLiteral("frmLogin") << QStringLiteral("txtPassword") << int(Qt::Key_Return)
        << main << 0;
    QTest::newRow("Login, Enter on Change Pass")
        << QStringLiteral("frmLogin") << QStringLiteral("cmdChangePass") << int(Qt::Key_Return)
        << change << 0;
    QTest::newRow("Login, Escape") << QStringLiteral("frmLogin") << QStringLiteral("txtPassword")
                                   << int(Qt::Key_Escape) << login << 0;
    QTest::newRow("Change, Enter in last box")
        << QStringLiteral("frmChangePass") << QStringLiteral("txtChange2") << int(Qt::Key_Return)
        << main << 0;
    QTest::newRow("Change, Enter on Cancel")
        << QStringLiteral("frmChangePass") << QStringLiteral("cmdCancel") << int(Qt::Key_Return)
        << login << 0;
    QTest::newRow("Change, Escape")
        << QStringLiteral("frmChangePass") << QStringLiteral("txtCurrent") << int(Qt::Key_Escape)
        << change << 0;
}

void AccessWindowsTest::keys()
{
    QFETCH(QString, window);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QStringList, visible);
    QFETCH(int, ends);

    // Nothing stored: every box left empty is right.
    Program program;
    QWidget *form = open(program, window);
    auto *target = form->findChild<QWidget *>(focus);
    QVERIFY(target);
    target->setFocus();
    QTest::keyClick(target, Qt::Key(key));

    QCOMPARE(program.visible(), visible);
    QCOMPARE(program.ends(), ends);
    QVERIFY(program.messages().isEmpty());
}

void AccessWindowsTest::accessKeyPutsFocusInLoginBox()
{
    Program program;
    QWidget *form = open(program, QStringLiteral("frmLogin"));
    QVERIFY(QTest::qWaitForWindowActive(form));
    control<QPushButton>(form, "cmdCancel")->setFocus();
    QTest::keyClick(form, Qt::Key_P, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), box(form, "txtPassword"));
    QCOMPARE(program.ends(), 0);
}

// While a message box is open, the window manager may hand the keyboard to
// another window (openbox does so for the Login window beside the main
// window); once the box is closed, the window that showed it has it again,
// in the box the next attempt is typed into.
void AccessWindowsTest::keyboardComesBackAfterMessage_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("typed"); // into the boxes, in tab order
    QTest::addColumn<bool>("writeFails");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("selected");

    const QString wrong = QStringLiteral("wrong");
    QTest::newRow("Login, invalid password")
        << "frmLogin" << QStringList{wrong} << false << "txtPassword" << wrong;
    QTest::newRow("Set, passwords differ")
        << "frmPassSet" << QStringList{wrong, QString()} << false << "txtPassSet" << QString();
    QTest::newRow("Set, not stored")
        << "frmPassSet" << QStringList{wrong, wrong} << true << "txtPassSet" << wrong;
    QTest::newRow("Change, invalid password") << "frmChangePass" << QStringList{wrong, wrong, wrong}
                                              << false << "txtCurrent" << QString();
    QTest::newRow("Change, passwords differ")
        << "frmChangePass" << QStringList{QString(), wrong, QString()} << false << "txtChange"
        << QString();
    QTest::newRow("Change, not stored")
        << "frmChangePass" << QStringList{QString(), wrong, wrong} << true << "txtChange" << wrong;
}

void AccessWindowsTest::keyboardComesBackAfterMessage()
{
    QFETCH(QString, window);
    QFETCH(QStringList, typed);
    QFETCH(bool, writeFails);
    QFETCH(QString, focus);
    QFETCH(QString, selected);

    Program program;
    QWidget *form = open(program, window);
    if (writeFails)
        program.fakes.settings.writeFailure = QStringLiteral("Permission denied");
    QVERIFY(QTest::qWaitForWindowActive(form));
    QWidget elsewhere;
    program.fakes.messages.onShow = [&](const FakeMessageBoxes::Call &) {
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
    };
    const QStringList boxes = ::tabOrder(form).mid(0, typed.size());
    for (int i = 0; i < typed.size(); ++i)
        fill(form, qPrintable(boxes[i]), typed[i]);
    QTest::keyClick(form->focusWidget(), Qt::Key_Return);

    QCOMPARE(program.messages().size(), 1);
    QVERIFY(QTest::qWaitForWindowActive(form));
    QCOMPARE(QApplication::focusWidget(), box(form, qPrintable(focus)));
    QCOMPARE(box(form, qPrintable(focus))->selectedText(), selected);
}

QTEST_MAIN(AccessWindowsTest)
#include "AccessWindowsTest.moc"
