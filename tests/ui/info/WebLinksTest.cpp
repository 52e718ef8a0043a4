#include "ui/info/WebLinks.h"
#include "FakeServices.h"
#include "TestCase.h"
#include "TestHelpers.h"
#include "platform/widgets/RichTextArea.h"
#include "ui/info/frmAbout.h"
#include "ui/main/frmMAIN.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>

using namespace quenzal;
using namespace quenzal::test;

namespace {

// The page a link should open, on the site this build was configured with.
QUrl page(const char *path)
{
    QString site = QStringLiteral(QUENZAL_MAKER_SITE);
    while (site.endsWith(u'/'))
        site.chop(1);
    return QUrl(site + QLatin1String(path));
}

// Everything of the program that a web link must leave as it is.
struct Snapshot
{
    QStringList texts;
    int progress;
    QPoint position;
    qsizetype messages, dialogs, clipboard, settingsWrites;
    int ends;

    bool operator==(const Snapshot &) const = default;
};

Snapshot snapshot(frmMAIN &main, FakeServices &fakes)
{
    QStringList texts;
    for (const char *name : {"txtFILE", "txtPasswordOne", "txtPasswordTwo"})
        texts << control<QLineEdit>(&main, name)->text();
    for (const char *name : {"rtfOriginal", "rtfNew"})
        texts << control<RichTextArea>(&main, name)->text();
    return {texts,
            control<QProgressBar>(&main, "ProgressBar")->value(),
            main.pos(),
            fakes.messages.calls.size(),
            fakes.fileDialogs.calls.size(),
            fakes.clipboard.operations.size(),
            fakes.settings.writes.size(),
            fakes.programEnd.count};
}

void clickLabel4(QWidget *box)
{
    QTest::mouseClick(control<QLabel>(box, "Label4"), Qt::LeftButton);
}

} // namespace

class WebLinksTest : public quenzal::test::TestCase
{
    Q_OBJECT

    FakeServices m_fakes;
    std::unique_ptr<frmMAIN> m_main;

    // A link by its control: a Help menu item of the main window, or the About
    // box's address label. Returns the window that the control belongs to.
    QWidget *use(const QString &control)
    {
        if (control == QLatin1String("Label4")) {
            frmAbout *box = showAboutBox(m_fakes.services());
            clickLabel4(box);
            return box;
        }
        triggerAction(m_main.get(), qPrintable(control));
        return m_main.get();
    }

    void initRow() override
    {
        // Each test starts as a fresh run: no pointer set yet.
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
        qApp->setProperty(kCustomPointerProperty, QVariant());

        m_fakes = {};
        m_main = std::make_unique<frmMAIN>(m_fakes.services());
        m_main->show();
        control<QLineEdit>(m_main.get(), "txtFILE")->setText(QStringLiteral("/tmp/letter.txt"));
        control<QLineEdit>(m_main.get(), "txtPasswordOne")->setText(QStringLiteral("one"));
        control<RichTextArea>(m_main.get(), "rtfOriginal")
            ->setText(QStringLiteral("Dear Ann,\r\nhello"));
        control<RichTextArea>(m_main.get(), "rtfNew")->setText(QStringLiteral("Qfbs\u00a0Boo"));
    }

private slots:
    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmAbout"))
                delete w;
        m_main.reset();
    }

    void eachLinkOpensItsPage_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QUrl>("address");
        QTest::newRow("Quenzal Help") << "mnuhelp" << page("/encryption/quenzal/help.html");
        QTest::newRow("Quenzal Home Page") << "mnuhomepage" << page("/encryption/quenzal/");
        QTest::newRow("Contact Brindlecove") << "mnucontactbrindlecove" << page("/contact.html");
        QTest::newRow("Recommend Quenzal") << "mnurecommend" << page("/cgi-bin/recommend.cgi");
        QTest::newRow("About box address") << "Label4" << page("/");
    }

    // One "open" per click, with the page's address, on behalf of the window
    // whose control was clicked; nothing else of the program changes.
    void eachLinkOpensItsPage()
    {
        QFETCH(QString, control);
        QFETCH(QUrl, address);
        const Snapshot before = snapshot(*m_main, m_fakes);

        QWidget *owner = use(control);
        QCOMPARE(m_fakes.shell.calls.size(), 1);
        QCOMPARE(m_fakes.shell.calls[0].address, address);
        QCOMPARE(m_fakes.shell.calls[0].owner, owner);

        use(control);
        QCOMPARE(m_fakes.shell.calls.size(), 2);
        QCOMPARE(m_fakes.shell.calls[1].address, address);
        QCOMPARE(m_fakes.shell.calls[1].owner, owner);

        QVERIFY(snapshot(*m_main, m_fakes) == before);
        QVERIFY(m_main->isVisible());
    }

    void aboutBoxLinkIsOwnedByTheBoxNotTheMainWindow()
    {
        QVERIFY(triggerAction(m_main.get(), "mnuabout"));
        QWidget *box = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmAbout") && w->isVisible())
                box = w;
        if (!box) // (the analyzer does not see that a failed QVERIFY returns)
            QFAIL("The About box did not show.");
        QCOMPARE(box->parentWidget(), nullptr); // no owner: the box is a window of its own
        clickLabel4(box);
        QCOMPARE(m_fakes.shell.calls.size(), 1);
        QCOMPARE(m_fakes.shell.calls[0].owner, box);
        QVERIFY(m_main->isVisible());
    }

    void pointerTurnsCustomOnceForTheRun_data()
    {
        QTest::addColumn<QString>("first");
        for (const char *control :
             {"mnuhelp", "mnuhomepage", "mnucontactbrindlecove", "mnurecommend", "Label4"})
            QTest::newRow(control) << QString::fromLatin1(control);
    }

    // The custom pointer, with no picture of its own, is the ordinary arrow;
    // it stays over every window, the About box's hand included, and using
    // more links sets it no further.
    void pointerTurnsCustomOnceForTheRun()
    {
        QFETCH(QString, first);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        use(first);
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);

        for (const char *control :
             {"mnuhelp", "mnuhomepage", "mnucontactbrindlecove", "mnurecommend", "Label4"})
            use(QLatin1String(control));
        // Closing the About box leaves the pointer as it is.
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows)
            if (w->objectName() == QLatin1String("frmAbout"))
                w->close();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);

        // Set once only: a single restore leaves no override behind.
        QGuiApplication::restoreOverrideCursor();
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(WebLinksTest)
#include "WebLinksTest.moc"
