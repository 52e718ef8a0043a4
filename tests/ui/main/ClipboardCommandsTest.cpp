#include "MainWindowFixture.h"
#include "TestCase.h"
#include "Texts.h"
#include "engine/CodePage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

using namespace quenzal;
using namespace Qt::StringLiterals;
using namespace quenzal::test;

namespace {

QString everyCodeAndBreak()
{
    return everyCode() + QStringLiteral("\r\n\n\r");
}

} // namespace

class ClipboardCommandsTest : public quenzal::test::TestCase
{
    Q_OBJECT

private slots:
    void copyPutsTheWholeLowerAreaOnTheClipboard_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("toolbar");
        QTest::newRow("every code, from the menu") << everyCodeAndBreak() << false;
        QTest::newRow("every code, from the toolbar") << everyCodeAndBreak() << true;
        QTest::newRow("empty") << QString() << false;
    }

    void copyPutsTheWholeLowerAreaOnTheClipboard()
    {
        QFETCH(QString, text);
        QFETCH(bool, toolbar);
        MainWindowFixture f;
        f.fakes.clipboard.contents = QStringLiteral("before");
        f.rtfNew->setText(text);
        if (!text.isEmpty())
            select(f.rtfNew, 1, 3); // the selection plays no part
        f.rtfOriginal->setText(QStringLiteral("upper"));
        if (toolbar)
            f.window->Toolbar1_ButtonClick(QStringLiteral("copy"));
        else
            triggerAction(f.window.get(), "mnucopy");
        QCOMPARE(f.fakes.clipboard.operations,
                 (QStringList{QStringLiteral("clear"), QStringLiteral("setText")}));
        QCOMPARE(f.fakes.clipboard.contents, std::optional<QString>(text));
        QCOMPARE(f.rtfNew->text(), text);
    }

    void paste_data()
    {
        QTest::addColumn<QString>("upper");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<std::optional<QString>>("clipboard"); // nothing: no text on it
        QTest::addColumn<QString>("expected");
        QTest::newRow("at the caret")
            << "ac" << 1 << 1 << std::optional<QString>(u"b\r"_s) << "ab\rc";
        QTest::newRow("over the selection")
            << "a\nXY\nb" << 2 << 4 << std::optional<QString>(u"\r\n"_s) << "a\n\r\n\nb";
        QTest::newRow("every code into an empty area")
            << "" << 0 << 0 << std::optional<QString>(everyCodeAndBreak()) << everyCodeAndBreak();
        QTest::newRow("no text deletes the selection")
            << "abc" << 0 << 2 << std::optional<QString>() << "c";
        QTest::newRow("no text and no selection changes nothing")
            << "abc" << 1 << 1 << std::optional<QString>() << "abc";
    }

    void paste()
    {
        QFETCH(QString, upper);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(std::optional<QString>, clipboard);
        QFETCH(QString, expected);
        for (const bool toolbar : {false, true}) {
            MainWindowFixture f;
            f.rtfOriginal->setText(upper);
            select(f.rtfOriginal, from, to);
            f.rtfNew->setText(QStringLiteral("lower"));
            f.rtfNew->setFocus(); // where the focus is plays no part
            f.fakes.clipboard.contents = clipboard;
            if (toolbar)
                f.window->Toolbar1_ButtonClick(QStringLiteral("paste"));
            else
                triggerAction(f.window.get(), "mnupaste");
            QCOMPARE(f.rtfOriginal->text(), expected);
            QCOMPARE(f.rtfNew->text(), QStringLiteral("lower"));
            QCOMPARE(f.fakes.clipboard.contents, clipboard);
        }
    }

    void aCancelledPasteChangesNothing_data()
    {
        QTest::addColumn<QString>("area");
        QTest::addColumn<bool>("keyboard"); // Ctrl+V in the area, else Edit, Paste
        QTest::addColumn<int>("cancelAt");  // a report; 0: the last
        QTest::newRow("menu, at the first report") << "rtfOriginal" << false << 1;
        QTest::newRow("menu, at the last report") << "rtfOriginal" << false << 0;
        QTest::newRow("keyboard, at the first report") << "rtfOriginal" << true << 1;
        QTest::newRow("keyboard, at the last report") << "rtfOriginal" << true << 0;
        QTest::newRow("keyboard, lower area") << "rtfNew" << true << 0;
    }

    void aCancelledPasteChangesNothing()
    {
        QFETCH(QString, area);
        QFETCH(bool, keyboard);
        QFETCH(int, cancelAt);
        const QString pasted = QStringLiteral("pasted\r\n").repeated(40'000);
        QGuiApplication::clipboard()->setText(pasted);
        const auto target = [&](MainWindowFixture &f) {
            return control<RichTextArea>(f.window.get(), qPrintable(area));
        };
        const auto paste = [&](MainWindowFixture &f) {
            f.fakes.clipboard.contents = pasted;
            if (keyboard)
                QTest::keyClick(target(f), Qt::Key_V, Qt::ControlModifier);
            else
                triggerAction(f.window.get(), "mnupaste");
        };
        int reports = 0;
        {
            MainWindowFixture f;
            f.window->show(); // shown, so laid out
            // The reports reach the end of the work: by the last, the text is
            // laid out up to the caret after it, which then shows at once.
            bool laidOut = false;
            f.fakes.loadProgress.onReport = [&] {
                laidOut = target(f)->document()->lastBlock().layout()->lineCount() > 0;
            };
            paste(f);
            QCOMPARE(target(f)->text(), pasted);
            reports = int(f.fakes.loadProgress.reports.size());
            QVERIFY(reports > 2);
            QVERIFY(laidOut);
            QCOMPARE(f.fakes.loadProgress.reports.constLast().first,
                     f.fakes.loadProgress.reports.constLast().second);
        }
        MainWindowFixture f;
        RichTextArea *into = target(f);
        into->setText(QStringLiteral("ab\rcd"));
        QTest::keyClicks(into, QStringLiteral("typed")); // something to undo
        select(into, 1, 3);
        f.fakes.loadProgress.cancelAtReport = cancelAt > 0 ? cancelAt : reports;
        paste(f);
        QCOMPARE(f.fakes.loadProgress.reports.size(), f.fakes.loadProgress.cancelAtReport);
        QCOMPARE(f.fakes.loadProgress.finished, 1);
        QCOMPARE(into->text(), QStringLiteral("typedab\rcd"));
        QCOMPARE(into->textCursor().anchor(), 1);
        QCOMPARE(into->textCursor().position(), 3);
        into->redo(); // nothing of the paste comes back
        QCOMPARE(into->text(), QStringLiteral("typedab\rcd"));
        into->undo(); // the typing, as before the paste
        QCOMPARE(into->text(), QStringLiteral("ab\rcd"));
    }

    void copyThenPasteRestoresEveryCode()
    {
        MainWindowFixture f;
        f.rtfOriginal->setText(everyCodeAndBreak());
        f.window->cmdLOCK_Click();
        triggerAction(f.window.get(), "mnucopy");
        f.rtfOriginal->setText(QString());
        triggerAction(f.window.get(), "mnupaste");
        f.window->Command1_Click();
        QCOMPARE(f.rtfNew->text(), everyCodeAndBreak());
    }

    void rightButtonPopsUpTheEditMenu_data()
    {
        QTest::addColumn<QString>("area");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("popsUp");
        for (const char *area : {"rtfOriginal", "rtfNew"}) {
            QTest::addRow("%s, right", area) << area << Qt::RightButton << true;
            QTest::addRow("%s, left", area) << area << Qt::LeftButton << false;
            QTest::addRow("%s, middle", area) << area << Qt::MiddleButton << false;
        }
    }

    void rightButtonPopsUpTheEditMenu()
    {
        QFETCH(QString, area);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, popsUp);
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        auto *menu = control<QMenu>(f.window.get(), "mnuedit");
        auto *target = f.window->findChild<RichTextArea *>(area);
        // Pressed, not released: the menu is up already.
        QTest::mousePress(target->viewport(), button, Qt::NoModifier, QPoint(20, 20));
        QCOMPARE(menu->isVisible(), popsUp);
        if (popsUp) {
            QStringList items;
            for (QAction *action : menu->actions())
                items << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
            QCOMPARE(items, (QStringList{QStringLiteral("mnucopy"), QStringLiteral("-"),
                                         QStringLiteral("mnupaste")}));
            menu->hide();
        }
        QVERIFY(f.fakes.clipboard.operations.isEmpty());
    }
};

QTEST_MAIN(ClipboardCommandsTest)
#include "ClipboardCommandsTest.moc"
