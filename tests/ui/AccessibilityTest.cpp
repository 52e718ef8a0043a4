#include "EveryWindow.h"
#include "TestCase.h"
#include "platform/widgets/RichTextArea.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

using namespace quenzal;
using namespace quenzal::test;

namespace {

// What a screen reader would have been told: each event's kind, the control's
// name and the text that went with it.
struct Heard
{
    QAccessible::Event type;
    QString object;
    QString text;
};
QList<Heard> heard;

void listen(QAccessibleEvent *event)
{
    QString text;
    switch (event->type()) {
    case QAccessible::TextInserted:
        text = static_cast<QAccessibleTextInsertEvent *>(event)->textInserted();
        break;
    case QAccessible::TextRemoved:
        text = static_cast<QAccessibleTextRemoveEvent *>(event)->textRemoved();
        break;
    case QAccessible::TextUpdated: {
        const auto *updated = static_cast<QAccessibleTextUpdateEvent *>(event);
        text = updated->textRemoved() + updated->textInserted();
        break;
    }
    case QAccessible::ValueChanged:
        text = static_cast<QAccessibleValueChangeEvent *>(event)->value().toString();
        break;
    default:
        break;
    }
    heard.append(
        {event->type(), event->object() ? event->object()->objectName() : QString(), text});
}

QAccessibleInterface *accessible(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

// The controls of a window that a screen-reader user reaches: those that take
// the focus, every button, and the toolbar's buttons.
QList<QWidget *> reachable(QWidget *window)
{
    QList<QWidget *> controls;
    for (QWidget *child : window->findChildren<QWidget *>()) {
        if (child->isWindow() || child->isHidden())
            continue;
        if (child->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton *>(child))
            controls.append(child);
    }
    return controls;
}

} // namespace

// What a screen reader and a keyboard user meet in every window.
class AccessibilityTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The platform's accessibility, as a screen reader switches it on;
        // listening starts before the first password box exists.
        QAccessible::installUpdateHandler(listen);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        QVERIFY(QAccessible::isActive());
    }

    void names_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("labelledBy");
        const auto row = [](const char *window, const char *control, const char *name,
                            const char *label = "") {
            QTest::addRow("%s.%s", window, control)
                << QString::fromLatin1(window) << QString::fromLatin1(control)
                << QString::fromLatin1(name) << QString::fromLatin1(label);
        };
        row("frmMAIN", "txtFILE", "File name");
        row("frmMAIN", "cmdFILE", "FILE");
        row("frmMAIN", "rtfOriginal", "Text to Scramble / Unscramble:", "Label2");
        row("frmMAIN", "rtfNew", "Message Contents:", "Label3");
        row("frmMAIN", "ProgressBar", "Progress");
        row("frmMAIN", "cmdLOCK", "Scramble");
        row("frmMAIN", "Command1", "Unscramble");
        row("frmMAIN", "cmdSAVE", "SAVE");
        row("frmMAIN", "txtPasswordOne", "First password");
        row("frmMAIN", "txtPasswordTwo", "Second password");
        row("frmMAIN", "openfile", "Open text file");
        row("frmMAIN", "savefile", "Save");
        row("frmMAIN", "scramble", "Scramble");
        row("frmMAIN", "unscramble", "Unscramble");
        row("frmMAIN", "copy", "Copy scrambled/unscrambled message contents box");
        row("frmMAIN", "paste", "Paste");

        row("frmPassSet", "txtPassSet", "New password", "lblInfo");
        row("frmPassSet", "txtPassSet2", "New password once more");
        row("frmPassSet", "cmdPassSet", "Set");
        row("frmPassSet", "cmdCancel", "Cancel");

        row("frmLogin", "txtPassword", "Password:", "lblLabels");
        row("frmLogin", "cmdOK", "OK");
        row("frmLogin", "cmdCancel", "Cancel");
        row("frmLogin", "cmdChangePass", "Change Pass");

        row("frmChangePass", "txtCurrent", "Current password", "lblCurrent");
        row("frmChangePass", "txtChange", "New password", "lblChange");
        row("frmChangePass", "txtChange2", "New password once more");
        row("frmChangePass", "cmdChange", "Change");
        row("frmChangePass", "cmdCancel", "Cancel");

        row("frmAbout", "cmdOK", "OK");

        row("frmEncrypt", "txtPassword", "Password:", "lblPassword");
        row("frmEncrypt", "txtPasswordAgain", "The same password again:", "lblPasswordAgain");
        row("frmEncrypt", "cmdOK", "Encrypt");
        row("frmEncrypt", "cmdCancel", "Cancel");
        row("frmDecrypt", "txtPassword", "Password:", "lblPassword");
        row("frmDecrypt", "cmdOK", "Decrypt");
    }

    void names()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(QString, labelledBy);
        EveryWindow windows;
        QWidget *form = windows.open(window);
        QVERIFY(form);
        auto *widget = form->findChild<QWidget *>(control);
        if (!widget) { // a toolbar button, by its key
            auto *toolbar = form->findChild<QToolBar *>(QStringLiteral("Toolbar1"));
            QVERIFY(toolbar);
            for (QAction *action : toolbar->actions())
                if (action->data().toString() == control)
                    widget = toolbar->widgetForAction(action);
        }
        QVERIFY(widget);
        QAccessibleInterface *iface = accessible(widget);
        QVERIFY(iface);
        QCOMPARE(iface->text(QAccessible::Name), name);
        if (!labelledBy.isEmpty()) {
            QStringList labels;
            for (const auto &[other, relation] : iface->relations(QAccessible::Label))
                labels << other->object()->objectName();
            QCOMPARE(labels, QStringList{labelledBy});
        }
    }

    void everyControlHasAName_data() { addWindowRows(); }

    void everyControlHasAName()
    {
        QFETCH(QString, window);
        EveryWindow windows;
        QWidget *form = windows.open(window);
        QVERIFY(form);
        const QList<QWidget *> controls = reachable(form);
        QVERIFY(!controls.isEmpty());
        for (QWidget *control : controls)
            QVERIFY2(!accessible(control)->text(QAccessible::Name).trimmed().isEmpty(),
                     qPrintable(control->objectName() + u' ' +
                                QLatin1String(control->metaObject()->className())));
    }

    void passwordsStayInTheProgram_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("box");
        QTest::newRow("main, first") << "frmMAIN"
                                     << "txtPasswordOne";
        QTest::newRow("main, second") << "frmMAIN"
                                      << "txtPasswordTwo";
        QTest::newRow("Set Password") << "frmPassSet"
                                      << "txtPassSet";
        QTest::newRow("Set Password, once more") << "frmPassSet"
                                                 << "txtPassSet2";
        QTest::newRow("Login") << "frmLogin"
                               << "txtPassword";
        QTest::newRow("Change Password, current") << "frmChangePass"
                                                  << "txtCurrent";
        QTest::newRow("Change Password, new") << "frmChangePass"
                                              << "txtChange";
        QTest::newRow("Change Password, once more") << "frmChangePass"
                                                    << "txtChange2";
        QTest::newRow("Encrypt for Sending") << "frmEncrypt"
                                             << "txtPassword";
        QTest::newRow("Encrypt for Sending, again") << "frmEncrypt"
                                                    << "txtPasswordAgain";
        QTest::newRow("Decrypt Message") << "frmDecrypt"
                                         << "txtPassword";
    }

    void passwordsStayInTheProgram()
    {
        QFETCH(QString, window);
        QFETCH(QString, box);
        EveryWindow windows;
        QWidget *form = windows.open(window);
        QVERIFY(form);
        auto *field = control<QLineEdit>(form, qPrintable(box));
        QVERIFY(field);
        heard.clear();
        // Typed, corrected, replaced, selected and deleted, cleared.
        QTest::keyClicks(field, QStringLiteral("s3cret"));
        QTest::keyClick(field, Qt::Key_Backspace);
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("pa55"));
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, QStringLiteral("word"));
        field->setText(QStringLiteral("set"));
        field->clear();
        // A password too long to lay out, pasted: kept whole, and shown
        // without laying it out.
        const QString pasted(100'000, u'p');
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field->text(), pasted);
        QVERIFY(field->displayText().size() < pasted.size());
        field->grab();
        field->clear();

        QSet<QAccessible::Event> kinds;
        for (const Heard &event : std::as_const(heard)) {
            if (event.object != box)
                continue;
            kinds.insert(event.type);
            QVERIFY2(event.text == QString(event.text.size(), u'*'), qPrintable(event.text));
        }
        // Every change is still announced.
        QVERIFY(kinds.contains(QAccessible::TextInserted));
        QVERIFY(kinds.contains(QAccessible::TextRemoved));
        QVERIFY(kinds.contains(QAccessible::TextUpdated));
        // Nor can a screen reader read the box's text.
        QTest::keyClicks(field, QStringLiteral("abc"));
        QAccessibleInterface *iface = accessible(field);
        QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("***"));
        QVERIFY(!iface->textInterface()->text(0, 3).contains(u'a'));
    }

    void otherBoxesKeepTheirText()
    {
        EveryWindow windows;
        QWidget *form = windows.open(QStringLiteral("frmMAIN"));
        auto *txtFILE = control<QLineEdit>(form, "txtFILE");
        heard.clear();
        txtFILE->clear();
        QTest::keyClicks(txtFILE, QStringLiteral("a.txt"));
        QStringList inserted;
        for (const Heard &event : std::as_const(heard))
            if (event.object == QLatin1String("txtFILE") && event.type == QAccessible::TextInserted)
                inserted << event.text;
        QCOMPARE(inserted.join(QString()), QStringLiteral("a.txt"));
    }

    void enterPressesTheFocusedButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        for (const char *button : {"cmdLOCK", "Command1", "cmdFILE", "cmdSAVE"}) {
            QTest::addRow("%s, Enter", button)
                << QString::fromLatin1(button) << int(Qt::Key_Return);
            QTest::addRow("%s, keypad Enter", button)
                << QString::fromLatin1(button) << int(Qt::Key_Enter);
        }
    }

    void enterPressesTheFocusedButton()
    {
        QFETCH(QString, button);
        QFETCH(int, key);
        EveryWindow windows;
        QWidget *form = windows.open(QStringLiteral("frmMAIN"));
        auto *pushButton = control<QPushButton>(form, qPrintable(button));
        QVERIFY(pushButton);
        QSignalSpy clicked(pushButton, &QPushButton::clicked);
        pushButton->setFocus();
        QTest::keyClick(pushButton, Qt::Key(key),
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(clicked.count(), 1);
    }

    void keyboardOpensThePopUpMenu_data()
    {
        QTest::addColumn<QString>("area");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        for (const char *area : {"rtfOriginal", "rtfNew"}) {
            QTest::addRow("%s, Menu", area)
                << QString::fromLatin1(area) << int(Qt::Key_Menu) << int(Qt::NoModifier);
            QTest::addRow("%s, Shift+F10", area)
                << QString::fromLatin1(area) << int(Qt::Key_F10) << int(Qt::ShiftModifier);
            QTest::addRow("%s, F10 alone", area)
                << QString::fromLatin1(area) << int(Qt::Key_F10) << int(Qt::NoModifier);
        }
    }

    void keyboardOpensThePopUpMenu()
    {
        QFETCH(QString, area);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        EveryWindow windows;
        QWidget *form = windows.open(QStringLiteral("frmMAIN"));
        auto *textArea = control<RichTextArea>(form, qPrintable(area));
        auto *mnuedit = control<QMenu>(form, "mnuedit");
        QVERIFY(textArea && mnuedit);
        textArea->setFocus();
        QTest::keyClick(textArea, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const bool shown = mnuedit->isVisible();
        mnuedit->hide();
        QCOMPARE(shown, key == Qt::Key_Menu || modifiers == Qt::ShiftModifier);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
