#include "MainWindowFixture.h"
#include "TestCase.h"
#include "engine/Cipher.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace quenzal;
using namespace Qt::StringLiterals;
using namespace quenzal::test;

namespace {

QString captionOf(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const auto *box = qobject_cast<const QLineEdit *>(widget))
        return box->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    return {};
}

} // namespace

class frmMAINTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void window()
    {
        MainWindowFixture f;
        QCOMPARE(f.window->objectName(), QStringLiteral("frmMAIN"));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Quenzal"));
        QVERIFY(!f.window->windowIcon().isNull());
        const Qt::WindowFlags flags = f.window->windowFlags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QCOMPARE(f.window->centralWidget()->size(), QSize(518, 418));

        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        // Fixed border: the window cannot be made larger or smaller.
        QCOMPARE(f.window->minimumSize(), f.window->maximumSize());
        QCOMPARE(f.window->centralWidget()->geometry().top(),
                 f.window->menuBar()->geometry().bottom() + 1);
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("family");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("bold");
        const auto row = [](const char *name, const char *cls, QRect r, const char *caption,
                            const char *family, qreal points, bool bold) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(cls) << r
                                << QString::fromLatin1(caption) << QString::fromLatin1(family)
                                << points << bold;
        };
        row("Toolbar1", "QToolBar", {0, 0, 518, 44}, nullptr, "MS Sans Serif", 8.25, false);
        row("txtFILE", "QLineEdit", {8, 56, 457, 25}, "No File Specified...", "MS Sans Serif", 8.25,
            false);
        row("cmdFILE", "QPushButton", {472, 48, 41, 41}, "FILE", "Small Fonts", 6.75, false);
        row("Label2", "QLabel", {8, 88, 505, 17}, "Text to Scramble / Unscramble:", "MS Sans Serif",
            8.25, true);
        row("rtfOriginal", "quenzal::RichTextArea", {8, 104, 505, 97}, nullptr, "Times New Roman",
            9.75, false);
        row("Label3", "QLabel", {8, 208, 505, 17}, "Message Contents:", "MS Sans Serif", 8.25,
            true);
        row("rtfNew", "quenzal::RichTextArea", {8, 224, 505, 105}, nullptr, "Times New Roman", 9.75,
            false);
        row("ProgressBar", "QProgressBar", {8, 336, 505, 17}, nullptr, "MS Sans Serif", 8.25,
            false);
        row("cmdLOCK", "QPushButton", {8, 360, 120, 40}, "Scramble", "Arial", 14.25, true);
        row("Command1", "QPushButton", {144, 360, 136, 40}, "Unscramble", "Arial", 14.25, true);
        row("cmdSAVE", "QPushButton", {400, 360, 104, 40}, "SAVE", "Small Fonts", 6.75, false);
        row("Line1", "QFrame", {8, 408, 504, 1}, nullptr, "MS Sans Serif", 8.25, false);
        row("txtPasswordOne", "QLineEdit", {16, 432, 41, 25}, nullptr, "MS Sans Serif", 8.25,
            false);
        row("txtPasswordTwo", "QLineEdit", {64, 432, 41, 25}, nullptr, "MS Sans Serif", 8.25,
            false);
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        QFETCH(QString, family);
        QFETCH(qreal, points);
        QFETCH(bool, bold);
        MainWindowFixture f;
        auto *widget = f.window->findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
        QCOMPARE(widget->parentWidget(), f.window->centralWidget());
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(captionOf(widget), caption);
        QCOMPARE(widget->font().family(), family);
        QCOMPARE(widget->font().pointSizeF(), points);
        QCOMPARE(widget->font().bold(), bold);
    }

    void passwordFieldsLieBelowTheClientArea()
    {
        MainWindowFixture f;
        const QRect client = f.window->centralWidget()->rect();
        for (QLineEdit *field : {f.txtPasswordOne, f.txtPasswordTwo}) {
            QVERIFY(!client.intersects(field->geometry()));
            QCOMPARE(field->echoMode(), QLineEdit::Password);
            QCOMPARE(field->text(), QString());
            QVERIFY(field->focusPolicy() & Qt::TabFocus);
        }
        for (const QLabel *label : f.window->findChildren<QLabel *>())
            QVERIFY(label->buddy() != f.txtPasswordOne && label->buddy() != f.txtPasswordTwo);
    }

    void fileBoxColours()
    {
        MainWindowFixture f;
        QCOMPARE(f.txtFILE->palette().color(QPalette::Base), QColor(128, 128, 128));
        QCOMPARE(f.txtFILE->palette().color(QPalette::Text), QColor(255, 255, 255));
        QVERIFY(!f.txtFILE->isReadOnly());
        auto *bar = control<QProgressBar>(f.window.get(), "ProgressBar");
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->value(), 0);
    }

    void menuTree()
    {
        MainWindowFixture f;
        // Separators are named and shown as "-".
        QStringList tree;
        QList<QAction *> items;
        for (QAction *menuAction : f.window->menuBar()->actions()) {
            QMenu *menu = menuAction->menu();
            tree << menu->objectName() + u' ' + menu->title();
            for (QAction *item : menu->actions()) {
                tree << QStringLiteral("  ") + item->objectName() + u' ' +
                            (item->isSeparator() ? QStringLiteral("-") : item->text());
                items << item;
            }
        }
        const QStringList expected = {
            QStringLiteral("mnuFile &File"),
            QStringLiteral("  mnuOpenItem Open"),
            QStringLiteral("  mnuseppp -"),
            QStringLiteral("  mnuFileSave Save"),
            QStringLiteral("  mnusepse -"),
            QStringLiteral("  mnuchangepassword Change Password"),
            QStringLiteral("  sep01 -"),
            QStringLiteral("  mnuFileExit Exit"),
            QStringLiteral("mnuedit &Edit"),
            QStringLiteral("  mnucopy Copy Scrambled/Unscrambled Message Contents to Clipboard"),
            QStringLiteral("  mnusepcopy -"),
            QStringLiteral("  mnupaste Paste"),
            QStringLiteral("mnuMessage &Message"),
            QStringLiteral("  mnuEncrypt &Encrypt for Sending..."),
            QStringLiteral("  mnuDecrypt &Decrypt Message..."),
            QStringLiteral("mnua &Help"),
            QStringLiteral("  mnuhelp Quenzal Help"),
            QStringLiteral("  mnusephelp -"),
            QStringLiteral("  mnuhomepage Quenzal Home Page"),
            QStringLiteral("  mnusephomepage -"),
            QStringLiteral("  mnucontactbrindlecove Contact Brindlecove"),
            QStringLiteral("  mnusepabout -"),
            QStringLiteral("  mnurecommend Recommend Quenzal to my friends"),
            QStringLiteral("  mnuseprefer -"),
            QStringLiteral("  mnuabout About Quenzal"),
        };
        QCOMPARE(tree, expected);
        for (const QAction *action : std::as_const(items)) {
            QVERIFY(action->shortcut().isEmpty());
            QVERIFY(!action->isCheckable());
            QVERIFY(action->isEnabled());
        }
    }

    void toolbar()
    {
        MainWindowFixture f;
        auto *toolbar = control<QToolBar>(f.window.get(), "Toolbar1");
        QStringList buttons;
        for (QAction *action : toolbar->actions())
            buttons << (action->isSeparator()
                            ? QStringLiteral("|")
                            : action->data().toString() + u'=' + action->toolTip());
        const QStringList expected = {
            QStringLiteral("openfile=Open text file"),
            QStringLiteral("savefile=Save"),
            QStringLiteral("|"),
            QStringLiteral("|"),
            QStringLiteral("|"),
            QStringLiteral("|"),
            QStringLiteral("|"),
            QStringLiteral("scramble=Scramble "),
            QStringLiteral("unscramble=Unscramble"),
            QStringLiteral("|"),
            QStringLiteral("|"),
            QStringLiteral("|"),
            QStringLiteral("|"),
            QStringLiteral("copy=Copy scrambled/unscrambled message contents box"),
            QStringLiteral("paste=Paste"),
        };
        QCOMPARE(buttons, expected);
        QCOMPARE(toolbar->iconSize(), QSize(32, 32));
        QCOMPARE(toolbar->toolButtonStyle(), Qt::ToolButtonIconOnly);
        for (QAction *action : toolbar->actions()) {
            if (action->isSeparator())
                continue;
            QVERIFY(action->text().isEmpty());
            // The mask colour (192, 192, 192) of the corner is drawn transparent.
            const QImage picture = action->icon().pixmap(32, 32).toImage();
            QCOMPARE(picture.size(), QSize(32, 32));
            QCOMPARE(qAlpha(picture.pixel(0, 0)), 0);
            bool opaque = false;
            for (int y = 0; y < 32 && !opaque; ++y)
                for (int x = 0; x < 32 && !opaque; ++x)
                    opaque = qAlpha(picture.pixel(x, y)) == 255;
            QVERIFY(opaque);
        }
    }

    // A click on each toolbar button does what the control it stands for does.
    void toolbarButtonsRunTheirCommands_data()
    {
        QTest::addColumn<int>("button"); // among the buttons, from the left
        QTest::addColumn<QString>("sameAs");
        int button = 0;
        for (const char *sameAs :
             {"mnuOpenItem", "mnuFileSave", "cmdLOCK", "Command1", "mnucopy", "mnupaste"})
            QTest::addRow("%s", sameAs) << button++ << QString::fromLatin1(sameAs);
    }

    void toolbarButtonsRunTheirCommands()
    {
        QFETCH(int, button);
        QFETCH(QString, sameAs);
        const auto prepared = [] {
            auto f = std::make_unique<MainWindowFixture>();
            f->rtfOriginal->setText(QStringLiteral("Dear Ann"));
            f->rtfNew->setText(QStringLiteral("Qfbs"));
            f->txtPasswordOne->setText(QStringLiteral("one"));
            f->fakes.clipboard.contents = QStringLiteral("pasted");
            return f;
        };
        const auto outcome = [](const MainWindowFixture &f) {
            QStringList parts = f.fakes.clipboard.operations;
            for (const auto &call : f.fakes.fileDialogs.calls)
                parts << (call.kind == FakeFileDialogs::Kind::Open ? QStringLiteral("Open dialog")
                                                                   : QStringLiteral("Save dialog"));
            return parts << f.rtfOriginal->text() << f.rtfNew->text();
        };
        const auto clicked = prepared(), used = prepared(), untouched = prepared();

        clicked->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(clicked->window.get()));
        auto *toolbar = control<QToolBar>(clicked->window.get(), "Toolbar1");
        QList<QAction *> buttons;
        for (QAction *action : toolbar->actions()) {
            if (!action->isSeparator())
                buttons << action;
        }
        QTest::mouseClick(toolbar->widgetForAction(buttons.at(button)), Qt::LeftButton);

        if (auto *item = used->window->findChild<QAction *>(sameAs))
            item->trigger();
        else
            QTest::mouseClick(control<QPushButton>(used->window.get(), qPrintable(sameAs)),
                              Qt::LeftButton);

        QCOMPARE(outcome(*clicked), outcome(*used));
        QVERIFY(outcome(*used) != outcome(*untouched));
    }

    void tabOrder_data()
    {
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("Tab") << false
                             << QStringList{u"txtFILE"_s,        u"cmdFILE"_s,  u"cmdLOCK"_s,
                                            u"rtfOriginal"_s,    u"rtfNew"_s,   u"txtPasswordTwo"_s,
                                            u"txtPasswordOne"_s, u"Command1"_s, u"cmdSAVE"_s,
                                            u"txtFILE"_s};
        QTest::newRow("Shift+Tab from Unscramble")
            << true
            << QStringList{u"Command1"_s, u"txtPasswordOne"_s, u"txtPasswordTwo"_s, u"rtfNew"_s};
    }

    void tabOrder()
    {
        QFETCH(bool, backwards);
        QFETCH(QStringList, order);
        MainWindowFixture f;
        f.window->show();
        QApplication::setActiveWindow(f.window.get());
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        if (backwards)
            f.command1->setFocus();
        QStringList visited = {QApplication::focusWidget()->objectName()};
        while (visited.size() < order.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                            backwards ? Qt::ShiftModifier : Qt::NoModifier);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
    }

    void typedPasswordsShowNowhereYetChangeTheResult()
    {
        MainWindowFixture f;
        f.window->show();
        QApplication::setActiveWindow(f.window.get());
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.rtfOriginal->setText(QStringLiteral("abc"));
        f.command1->setFocus();
        QTest::keyClick(f.command1, Qt::Key_Tab, Qt::ShiftModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("pw"));
        QCOMPARE(f.txtPasswordOne->text(), QStringLiteral("pw"));
        QCOMPARE(f.txtPasswordOne->displayText(), QStringLiteral("**"));
        QTest::mouseClick(f.cmdLOCK, Qt::LeftButton);
        const QString once = ScrambleText(QStringLiteral("abc"), QStringLiteral("pw"), true);
        QCOMPARE(f.rtfNew->text(), ScrambleText(once, QString(), true));
    }

    void centredByItsOuterSize()
    {
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect outer = f.window->frameGeometry();
        QVERIFY(qAbs(2 * outer.left() - (screen.width() - outer.width())) <= 1);
        QVERIFY(qAbs(2 * outer.top() - (screen.height() - outer.height())) <= 1);
    }

    void closingEndsTheProgramWithoutAsking_data()
    {
        QTest::addColumn<bool>("exitItem");
        QTest::newRow("close button") << false;
        QTest::newRow("File, Exit") << true;
    }

    void closingEndsTheProgramWithoutAsking()
    {
        QFETCH(bool, exitItem);
        MainWindowFixture f;
        f.window->show();
        f.rtfNew->setText(QStringLiteral("never saved"));
        if (exitItem)
            triggerAction(f.window.get(), "mnuFileExit");
        else
            QVERIFY(f.window->close());
        QCOMPARE(f.fakes.programEnd.count, 1);
        QVERIFY(f.fakes.messages.calls.isEmpty());
        QVERIFY(!f.window->isVisible());
    }
};

QTEST_MAIN(frmMAINTest)
#include "frmMAINTest.moc"
